// RenderPlane on the frame benchmark's cases with pixels of every size the plug-ins use: the
// source a 1920 x 1080 plane (the case's frame) and the destination a plane of the output's
// size, rows packed, black fill. Its floor: a memset of the destination plane plus a memcpy of
// its rows; beside it the memset plus the source reads the case cannot avoid.

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench_frames.h"
#include "plane_buffer.h"
#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "filter/render_plane.h"
#include "register.h"
#include "source_reads.h"

namespace tesselox::bench {
namespace {

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

// The memset of the destination plane, then the source reads the case cannot avoid.
void PlaneReads(benchmark::State& state, const PlaneCase& c) {
  const CasePlanes p(c);
  const SourceReads reads(
      PlanPlaneCopy(p.dst.View(), p.src.View(), CopyRequestFrom(c.frame.values)),
      static_cast<std::size_t>(c.pixelBytes));
  for (auto _ : state) {
    std::memset(p.dst.View().bytes, 0, p.dst.Size());
    benchmark::DoNotOptimize(reads.Read(p.src.View().bytes, p.src.View().stride));
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
      benchmark::RegisterBenchmark(("planereads/" + name).c_str(), PlaneReads, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
    }
  }
}

}  // namespace tesselox::bench
