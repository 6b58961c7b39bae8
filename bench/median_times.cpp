#include "median_times.h"

namespace tesselox::bench {

void MedianTimes::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.error_occurred || (run.run_type == Run::RT_Aggregate && !median)) continue;
    // Times come in the run's unit: so many of them to the second.
    const double toUs = benchmark::GetTimeUnitMultiplier(benchmark::kMicrosecond) /
                        benchmark::GetTimeUnitMultiplier(run.time_unit);
    const std::string& name = run.run_name.function_name;
    // A median replaces the runs it was taken over.
    if (median || !times_[0].count(name)) {
      times_[0][name] = run.GetAdjustedRealTime() * toUs;
      times_[1][name] = run.GetAdjustedCPUTime() * toUs;
    }
  }
}

double MedianTimes::Time(Clock clock, const std::string& name) const {
  const auto& times = times_[clock == Clock::kWall ? 0 : 1];
  const auto it = times.find(name);
  return it == times.end() ? -1.0 : it->second;
}

}  // namespace tesselox::bench
