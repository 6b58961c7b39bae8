// Frames with subsampled chroma on the frame benchmark's cases: one 1-byte plane of the frame's
// size (the luma alone), I420 (luma and two planes of half size each way), NV12 (luma and one
// plane of 2-byte pairs at half size) and YUY2 (packed 4:2:2), taking turns within every
// iteration in a rotating order, so that the machine's moment is the same for all four. Each
// one's mean time per frame is a counter (luma, i420, nv12, yuy2, in seconds).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <string>

#include "filter/render_packed_422.h"
#include "filter/render_plane.h"
#include "filter/subsampled_plan.h"
#include "plane_buffer.h"
#include "register.h"

namespace tesselox::bench {
namespace {

// CPU time (the benchmark runs on one thread): what the way itself took, not the time a busy
// machine kept it waiting. (Windows' clock() counts wall-clock time instead.)
struct CpuClock {
  using duration = std::chrono::microseconds;
  using time_point = std::chrono::time_point<CpuClock>;
  static time_point now() {
    return time_point(duration(std::clock() * (1000000 / CLOCKS_PER_SEC)));
  }
};

void SubsampledCase(benchmark::State& state, const BenchCase& c) {
  const PlaneSize to{OutW(c), OutH(c)}, from{c.frameW, c.frameH};
  const PlaneSize toHalf = SubsampledSize(to, 1, 1), fromHalf = SubsampledSize(from, 1, 1);
  const PlaneBuffer srcY(from.width, from.height, 1, true), dstY(to.width, to.height, 1, false);
  const PlaneBuffer srcU(fromHalf.width, fromHalf.height, 1, true);
  const PlaneBuffer srcV(fromHalf.width, fromHalf.height, 1, true);
  const PlaneBuffer dstU(toHalf.width, toHalf.height, 1, false);
  const PlaneBuffer dstV(toHalf.width, toHalf.height, 1, false);
  const PlaneBuffer srcUV(fromHalf.width, fromHalf.height, 2, true);
  const PlaneBuffer dstUV(toHalf.width, toHalf.height, 2, false);
  const PlaneBuffer srcPacked(fromHalf.width, from.height, 4, true);
  const PlaneBuffer dstPacked(toHalf.width, to.height, 4, false);
  const PlaneView packedSrc{srcPacked.View().bytes, from.width, from.height,
                            srcPacked.View().stride, 2};
  const PlaneView packedDst{dstPacked.View().bytes, to.width, to.height, dstPacked.View().stride,
                            2};
  const CopyPlan full = PlanCopy(to, from, CopyRequestFrom(c.values));
  const CopyPlan half = SubsamplePlan(full, 1, 1), pairs = SubsamplePlan(full, 1, 0);
  const std::uint8_t black[4] = {16, 128, 16, 128};
  using Clock = CpuClock;
  constexpr int kWays = 4;
  Clock::duration spent[kWays] = {};
  int turn = 0;
  for (auto _ : state) {
    for (int k = 0; k < kWays; ++k) {
      const int way = (turn + k) % kWays;
      const Clock::time_point start = Clock::now();
      if (way == 3) {
        RenderPacked422(packedDst, packedSrc, full, pairs, LumaSamples::First, black);
      } else {
        RenderPlane(dstY.View(), srcY.View(), full, black);
        if (way == 1) {
          RenderPlane(dstU.View(), srcU.View(), half, black + 1);
          RenderPlane(dstV.View(), srcV.View(), half, black + 1);
        } else if (way == 2) {
          RenderPlane(dstUV.View(), srcUV.View(), half, black + 1);
        }
      }
      benchmark::ClobberMemory();
      spent[way] += Clock::now() - start;
    }
    turn = (turn + 1) % kWays;
  }
  const char* names[kWays] = {"luma", "i420", "nv12", "yuy2"};
  for (int way = 0; way < kWays; ++way) {
    state.counters[names[way]] = benchmark::Counter(
        std::chrono::duration<double>(spent[way]).count(), benchmark::Counter::kAvgIterations);
  }
}

}  // namespace

void RegisterSubsampledBenchmarks() {
  for (const BenchCase& c : BenchCases()) {
    benchmark::RegisterBenchmark(("subsampled/" + std::string(c.name)).c_str(), SubsampledCase, c)
        ->Unit(benchmark::kMicrosecond);
  }
}

}  // namespace tesselox::bench
