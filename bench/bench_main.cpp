// Runs every suite and ends with the table of ratios measured in this run.

#include <benchmark/benchmark.h>

#include "ratio_reporter.h"
#include "register.h"

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  tesselox::bench::RegisterOwnBenchmarks();
  tesselox::bench::RegisterPlaneBenchmarks();
  tesselox::bench::RegisterSubsampledBenchmarks();
#ifdef TESSELOX_BENCH_OPENCV
  tesselox::bench::RegisterOpenCvPeer();
#endif
#ifdef TESSELOX_BENCH_SWSCALE
  tesselox::bench::RegisterSwscalePeer();
#endif
  tesselox::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
