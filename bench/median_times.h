#pragma once

#include <benchmark/benchmark.h>

#include <array>
#include <map>
#include <string>
#include <vector>

namespace tesselox::bench {

// The console report, keeping each benchmark's time by name on both clocks: its median when
// repetitions were asked for, else its single run. The reporters that print tables of ratios
// derive from it.
class MedianTimes : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;

 protected:
  // Wall-clock time, or the benchmark thread's CPU time, which leaves out the time the thread
  // waited for a core on a machine shared with busy processes.
  enum class Clock { kWall, kCpu };
  // Microseconds per iteration, or -1 when no benchmark of that name ran.
  double Time(Clock clock, const std::string& name) const;

 private:
  std::array<std::map<std::string, double>, 2> times_;
};

}  // namespace tesselox::bench
