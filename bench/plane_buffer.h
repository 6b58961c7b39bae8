#pragma once

// The planes of the plane benchmarks and their peers: a case's source plane and the plane of its
// output's size, both rows packed.

#include <cstddef>
#include <cstdint>
#include <new>

#include "bench_frames.h"
#include "expected_frame.h"
#include "filter/plane_view.h"

namespace tesselox::bench {

// A plane of pixelBytes-byte pixels, 64-byte aligned, patterned or zero.
class PlaneBuffer {
 public:
  PlaneBuffer(std::int32_t w, std::int32_t h, int pixelBytes, bool pattern)
      : view_{nullptr, w, h, static_cast<std::ptrdiff_t>(w) * pixelBytes, pixelBytes},
        size_(static_cast<std::size_t>(view_.stride) * static_cast<std::size_t>(h)) {
    view_.bytes = new (std::align_val_t{64}) std::uint8_t[size_ + 64];
    for (std::size_t k = 0; k < size_; ++k) {
      view_.bytes[k] = pattern ? static_cast<std::uint8_t>(k * 131 >> 3) : 0;
    }
  }
  ~PlaneBuffer() { ::operator delete[](view_.bytes, std::align_val_t{64}); }
  PlaneBuffer(const PlaneBuffer&) = delete;
  PlaneBuffer& operator=(const PlaneBuffer&) = delete;
  const PlaneView& View() const { return view_; }
  std::size_t Size() const { return size_; }

 private:
  PlaneView view_;
  std::size_t size_;
};

struct PlaneCase {
  BenchCase frame;
  int pixelBytes;
};

inline std::int32_t OutW(const BenchCase& c) {
  return test::OutputSize(Value(c, FieldId::Width), kCapW);
}
inline std::int32_t OutH(const BenchCase& c) {
  return test::OutputSize(Value(c, FieldId::Height), kCapH);
}

// The case's source plane (patterned) and destination plane (zero).
struct CasePlanes {
  explicit CasePlanes(const PlaneCase& c)
      : src(c.frame.frameW, c.frame.frameH, c.pixelBytes, true),
        dst(OutW(c.frame), OutH(c.frame), c.pixelBytes, false) {}
  PlaneBuffer src;
  PlaneBuffer dst;
};

}  // namespace tesselox::bench
