// RenderPlane on the frame benchmark's cases with pixels of every size the plug-ins use: the
// source a 1920 x 1080 plane (the case's frame) and the destination a plane of the output's
// size, rows packed, black fill. Its floor: a memset of the destination plane plus a memcpy of
// its rows.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>
#include <string>

#include "bench_frames.h"
#include "expected_frame.h"
#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "filter/render_plane.h"
#include "register.h"

namespace tesselox::bench {
namespace {

using test::OutputSize;

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

std::int32_t OutW(const BenchCase& c) {
  return OutputSize(Value(c, FieldId::Width), kCapW);
}
std::int32_t OutH(const BenchCase& c) {
  return OutputSize(Value(c, FieldId::Height), kCapH);
}

void RenderPlaneCase(benchmark::State& state, const PlaneCase& c) {
  const PlaneBuffer src(c.frame.frameW, c.frame.frameH, c.pixelBytes, true);
  const PlaneBuffer dst(OutW(c.frame), OutH(c.frame), c.pixelBytes, false);
  const CopyPlan plan = PlanPlaneCopy(dst.View(), src.View(), CopyRequestFrom(c.frame.values));
  const std::uint8_t black[kMaxPixelBytes] = {16, 128, 128, 255, 16, 128, 128, 255};
  for (auto _ : state) {
    RenderPlane(dst.View(), src.View(), plan, black);
    benchmark::DoNotOptimize(dst.View().bytes);
    benchmark::ClobberMemory();
  }
}

void PlaneFloor(benchmark::State& state, const PlaneCase& c) {
  const PlaneBuffer src(c.frame.frameW, c.frame.frameH, c.pixelBytes, true);
  const PlaneBuffer dst(OutW(c.frame), OutH(c.frame), c.pixelBytes, false);
  const auto rowBytes = static_cast<std::size_t>(dst.View().stride);
  for (auto _ : state) {
    std::memset(dst.View().bytes, 0, dst.Size());
    for (std::int32_t y = 0; y < dst.View().height; ++y) {
      std::memcpy(dst.View().bytes + y * dst.View().stride,
                  src.View().bytes + y * src.View().stride, rowBytes);
    }
    benchmark::DoNotOptimize(dst.View().bytes);
    benchmark::ClobberMemory();
  }
}

}  // namespace

void RegisterPlaneBenchmarks() {
  for (const BenchCase& c : BenchCases()) {
    for (int bytes : kPlanePixelSizes) {
      const std::string name = PlaneName(c, bytes);
      benchmark::RegisterBenchmark(("plane/" + name).c_str(), RenderPlaneCase, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("planefloor/" + name).c_str(), PlaneFloor, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace tesselox::bench
