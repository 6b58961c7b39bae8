// RenderPlane on the frame benchmark's cases with pixels of every size the plug-ins use: the
// source a 1920 x 1080 plane (the case's frame) and the destination a plane of the output's
// size, rows packed, black fill. Its floor: a memset of the destination plane plus a memcpy of
// its rows; beside it the memset plus the source reads the case cannot avoid. Beside RenderPlane
// the same render through the C API shows what the API costs.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "bench_frames.h"
#include "plane_buffer.h"
#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "filter/render_plane.h"
#include "tesselox/tesselox.h"
#include "register.h"
#include "source_reads.h"

namespace tesselox::bench {
namespace {

void RenderPlaneCase(benchmark::State& state, const PlaneCase& c) {
  const PlaneBuffer src(c.frame.frameW, c.frame.frameH, c.pixelBytes, true);
  const PlaneBuffer dst(OutW(c.frame), OutH(c.frame), c.pixelBytes, false);
  const CopyPlan plan =
      PlanCopy(SizeOf(dst.View()), SizeOf(src.View()), CopyRequestFrom(c.frame.values));
  const std::uint8_t black[kMaxPixelBytes] = {16, 128, 128, 255, 16, 128, 128, 255};
  for (auto _ : state) {
    RenderPlane(dst.View(), src.View(), plan, black);
    benchmark::DoNotOptimize(dst.View().bytes);
    benchmark::ClobberMemory();
  }
}

tesselox_plane CPlane(const PlaneView& v) {
  return tesselox_plane{v.bytes, v.width, v.height, v.stride, v.pixelBytes};
}

tesselox_request CRequest(const BenchCase& c) {
  return tesselox_request{Value(c, FieldId::SrcX),   Value(c, FieldId::SrcY),
                          Value(c, FieldId::SrcCx),  Value(c, FieldId::SrcCy),
                          Value(c, FieldId::DstX),   Value(c, FieldId::DstY),
                          Value(c, FieldId::DstCx),  Value(c, FieldId::DstCy),
                          Value(c, FieldId::PhaseX), Value(c, FieldId::PhaseY)};
}

// RenderPlaneCase three ways on the same planes, taking turns within every iteration (in a
// rotating order): RenderPlane with a plan made once, tesselox_copy_plane, which checks and
// plans at every call, and tesselox_plan_draw with a plan made once. Each one's mean time per
// call is a counter (internal, copy_plane, plan_draw, in seconds), so that the buffers' place in
// memory and the machine's moment are the same for all three.
void ApiCase(benchmark::State& state, const PlaneCase& c) {
  const PlaneBuffer src(c.frame.frameW, c.frame.frameH, c.pixelBytes, true);
  const PlaneBuffer dst(OutW(c.frame), OutH(c.frame), c.pixelBytes, false);
  const CopyPlan internal =
      PlanCopy(SizeOf(dst.View()), SizeOf(src.View()), CopyRequestFrom(c.frame.values));
  const tesselox_plane d = CPlane(dst.View()), s = CPlane(src.View());
  const tesselox_request request = CRequest(c.frame);
  const std::uint8_t black[kMaxPixelBytes] = {16, 128, 128, 255, 16, 128, 128, 255};
  const void* fill[] = {black};
  tesselox_plan* plan = nullptr;
  if (tesselox_plan_create(&plan, d.width, d.height, s.width, s.height, &request) != TESSELOX_OK)
    state.SkipWithError("no plan");
  using Clock = std::chrono::steady_clock;
  Clock::duration spent[3] = {};
  int turn = 0;
  for (auto _ : state) {
    for (int k = 0; k < 3; ++k) {
      const int way = (turn + k) % 3;
      const Clock::time_point start = Clock::now();
      int status = TESSELOX_OK;
      if (way == 0) {
        RenderPlane(dst.View(), src.View(), internal, black);
      } else if (way == 1) {
        status = tesselox_copy_plane(&d, &s, &request, black);
      } else {
        status = tesselox_plan_draw(plan, &d, &s, fill, 1);
      }
      benchmark::DoNotOptimize(dst.View().bytes);
      benchmark::ClobberMemory();
      spent[way] += Clock::now() - start;
      if (status != TESSELOX_OK) state.SkipWithError("status");
    }
    turn = (turn + 1) % 3;
  }
  tesselox_plan_destroy(plan);
  const char* names[3] = {"internal", "copy_plane", "plan_draw"};
  for (int way = 0; way < 3; ++way) {
    state.counters[names[way]] = benchmark::Counter(
        std::chrono::duration<double>(spent[way]).count(), benchmark::Counter::kAvgIterations);
  }
}

// The memset of the destination plane, then the source reads the case cannot avoid.
void PlaneReads(benchmark::State& state, const PlaneCase& c) {
  const CasePlanes p(c);
  const SourceReads reads(
      PlanCopy(SizeOf(p.dst.View()), SizeOf(p.src.View()), CopyRequestFrom(c.frame.values)),
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
      benchmark::RegisterBenchmark(("planeapi/" + name).c_str(), ApiCase, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("planefloor/" + name).c_str(), PlaneFloor, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("planereads/" + name).c_str(), PlaneReads, PlaneCase{c, bytes})
          ->Unit(benchmark::kMicrosecond);
    }
  }
  // What a call costs beside the copy: an 8 x 8 plane of one-byte pixels copied 1:1.
  const PlaneCase call{{"call", 8, 8, Values({0, 0, 8, 8}, {0, 0, 8, 8}, 8, 8), false}, 1};
  benchmark::RegisterBenchmark("planeapi/call/1", ApiCase, call);
}

}  // namespace tesselox::bench
