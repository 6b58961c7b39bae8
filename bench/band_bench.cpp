// Large frames in bands: RenderPlane's job (a mirrored crop of the middle three quarters of a
// frame, enlarged back to the frame's size) on 3840 x 2160 and 7680 x 4320 planes of 4- and
// 8-byte pixels, on one thread and in two bands on two; beside it the copy floor (memcpy of the
// destination's bytes) on one thread and on two, which bounds what threads can win: the memory
// bandwidth one core and the whole machine reach. Then the streaming-store rule beyond the
// last-level cache: the same copy with stores that stay in the caches and with streamed ones.
// Ends with a table of medians and ratios measured in this run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "filter/band_pool.h"
#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "filter/render_plane.h"
#include "filter/row_routine.h"
#include "median_times.h"
#include "plane_buffer.h"

namespace tesselox::bench {
namespace {

struct Size {
  std::int32_t w, h;
};
constexpr Size kSizes[] = {{3840, 2160}, {7680, 4320}};
constexpr int kPixelBytes[] = {4, 8};
// Frames of 4-byte pixels around the size below which one thread is faster than two.
constexpr Size kSmallSizes[] = {{320, 240}, {480, 270}, {480, 360},  {640, 360},
                                {640, 480}, {960, 540}, {1280, 720}, {1920, 1080}};

CopyRequest Job(Size s) {
  return CopyRequest{{0, s.w, s.w - s.w / 8 - 1, -(3 * s.w / 4), 0},
                     {0, s.h, s.h / 8, 3 * s.h / 4, 0}};
}

std::string Name(const char* what, Size s, int bytes) {
  return std::string(what) + "/" + std::to_string(s.w) + "x" + std::to_string(s.h) + "x" +
         std::to_string(bytes);
}

// What: 0 render, 1 floor, 2 the copy with cached stores, 3 with streamed stores.
void Case(benchmark::State& state, Size s, int bytes, int what, unsigned threads) {
  const PlaneBuffer src(s.w, s.h, bytes, true), dst(s.w, s.h, bytes, false);
  const CopyPlan plan = PlanCopy(SizeOf(dst.View()), SizeOf(src.View()), Job(s));
  const std::uint8_t black[kMaxPixelBytes] = {};
  BandPool pool(threads);
  const int bands = static_cast<int>(pool.Threads());
  for (auto _ : state) {
    pool.Run(bands, [&](int band) {
      const RowBand rows = BandOf(s.h, bands, band);
      if (what == 0) {
        RenderRows(dst.View(), src.View(), plan, black, rows.first, rows.last);
      } else if (what == 1) {
        const std::size_t from = static_cast<std::size_t>(rows.first) * dst.View().stride;
        const std::size_t to = static_cast<std::size_t>(rows.last) * dst.View().stride;
        std::memcpy(dst.View().bytes + from, src.View().bytes + from, to - from);
      } else {
        ExecuteCopy(dst.View(), src.View(), plan, PickRowRoutine(plan.x, bytes), nullptr,
                    what == 3);
      }
    });
    benchmark::DoNotOptimize(dst.View().bytes);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 2 *
                          static_cast<std::int64_t>(dst.Size()));
}

class Table : public MedianTimes {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    auto& os = GetOutputStream();
    os << "\nMedian wall-clock milliseconds per frame; GB/s counts the destination's bytes "
          "written and as many read:\n\n| plane | render 1 | render 2 | render 1 / 2 | floor 1 | "
          "floor 2 | floor 1 / 2 | render 1 / floor 1 | GB/s floor 1 | GB/s floor 2 | cached / "
          "streamed |\n|---|---|---|---|---|---|---|---|---|---|---|\n";
    for (const Size& s : kSizes) {
      for (int bytes : kPixelBytes) {
        auto at = [&](const char* what) { return Time(Clock::kWall, Name(what, s, bytes)) / 1e3; };
        const double gb = 2.0 * s.w * s.h * bytes / 1e9;
        char line[320];
        std::snprintf(line, sizeof line,
                      "| %dx%d, %d bytes | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.1f | "
                      "%.1f | %.2f |\n",
                      s.w, s.h, bytes, at("render1"), at("render2"), at("render1") / at("render2"),
                      at("floor1"), at("floor2"), at("floor1") / at("floor2"),
                      at("render1") / at("floor1"), gb / at("floor1") * 1e3,
                      gb / at("floor2") * 1e3, at("cached") / at("streamed"));
        os << line;
      }
    }
    os << "\nSmall frames, 4-byte pixels, median microseconds per frame:\n\n| plane | bytes | "
          "render 1 | render 2 | render 1 / 2 |\n|---|---|---|---|---|\n";
    for (const Size& s : kSmallSizes) {
      auto at = [&](const char* what) { return Time(Clock::kWall, Name(what, s, 4)); };
      char line[160];
      std::snprintf(line, sizeof line, "| %dx%d | %d KiB | %.1f | %.1f | %.2f |\n", s.w, s.h,
                    s.w * s.h * 4 / 1024, at("render1"), at("render2"),
                    at("render1") / at("render2"));
      os << line;
    }
  }
};

}  // namespace
}  // namespace tesselox::bench

int main(int argc, char** argv) {
  using namespace tesselox::bench;
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  for (const Size& s : kSizes) {
    for (int bytes : kPixelBytes) {
      auto add = [&](const char* name, int what, unsigned threads) {
        benchmark::RegisterBenchmark(Name(name, s, bytes).c_str(), Case, s, bytes, what, threads)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime();
      };
      add("render1", 0, 1);
      add("render2", 0, 2);
      add("floor1", 1, 1);
      add("floor2", 1, 2);
      add("cached", 2, 1);
      add("streamed", 3, 1);
    }
  }
  for (const Size& s : kSmallSizes) {
    for (unsigned threads : {1u, 2u}) {
      benchmark::RegisterBenchmark(Name(threads == 1 ? "render1" : "render2", s, 4).c_str(), Case,
                                   s, 4, 0, threads)
          ->Unit(benchmark::kMicrosecond)
          ->UseRealTime();
    }
  }
  Table table;
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
