#pragma once

// The benchmark's cases and the frame buffers they run on.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "filter/plane_view.h"
#include "module/parameters.h"
#include "field_values.h"

namespace tesselox::bench {

inline constexpr std::int32_t kCapW = 1920;
inline constexpr std::int32_t kCapH = 1088;

struct BenchCase {
  const char* name;
  std::int32_t frameW;
  std::int32_t frameH;
  ParameterValues values;
  bool peers;  // OpenCV and swscale can express it (no phase, no clipping)
};

using test::Values;

inline const std::vector<BenchCase>& BenchCases() {
  // clang-format off
  static const std::vector<BenchCase> cases = {
      {"identity", 1920, 1080, Values({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 1920, 1080), true},
      {"default",  1440, 1080, Values({0, 0, 1440, 1080}, {0, 0, 640, 360}, 640, 360), true},
      {"up_2x",    1920, 1080, Values({0, 0, 960, 540}, {0, 0, 1920, 1080}, 1920, 1080), true},
      {"down_7_3", 1920, 1080, Values({0, 0, 1680, 1050}, {0, 0, 720, 450}, 720, 450), true},
      {"mirror_x", 1920, 1080, Values({1919, 0, -1920, 1080}, {0, 0, 1920, 1080}, 1920, 1080), true},
      {"mirror_y", 1920, 1080, Values({0, 1079, 1920, -1080}, {0, 0, 1920, 1080}, 1920, 1080), true},
      {"phase",    1920, 1080, Values({0, 0, 960, 540}, {0, 0, 1920, 1080}, 1920, 1080, 1, 1), false},
      {"clipped",  1920, 1080, Values({0, 0, 1920, 1080}, {-100, -50, 2120, 1180}, 1920, 1080), false},
  };
  // clang-format on
  return cases;
}

// The pixel sizes the plane benchmark runs each case with, and its benchmarks' names.
inline constexpr int kPlanePixelSizes[] = {1, 2, 3, 4, 6, 8};

inline std::string PlaneName(const BenchCase& c, int pixelBytes) {
  return std::string(c.name) + "/" + std::to_string(pixelBytes);
}

inline std::int32_t Value(const BenchCase& c, FieldId id) {
  return c.values[Index(id)];
}

// A capacity-sized buffer, 64-byte aligned (as a host's frame buffers are), with a pattern in
// the source so that nothing is trivially zero.
class FrameBuffer {
 public:
  explicit FrameBuffer(bool pattern)
      : bytes_(static_cast<std::size_t>(kCapW) * kCapH * sizeof(Pixel)),
        data_(new (std::align_val_t{64}) std::uint8_t[bytes_]) {
    for (std::size_t k = 0; k < bytes_; ++k) {
      data_[k] = pattern ? static_cast<std::uint8_t>(k * 131 >> 3) : 0;
    }
  }
  ~FrameBuffer() { ::operator delete[](data_, std::align_val_t{64}); }
  FrameBuffer(const FrameBuffer&) = delete;
  FrameBuffer& operator=(const FrameBuffer&) = delete;

  Pixel* Pixels() { return reinterpret_cast<Pixel*>(data_); }
  std::uint8_t* Bytes() { return data_; }
  std::size_t Size() const { return bytes_; }
  static constexpr std::size_t kRowBytes = static_cast<std::size_t>(kCapW) * sizeof(Pixel);

 private:
  std::size_t bytes_;
  std::uint8_t* data_;
};

}  // namespace tesselox::bench
