#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tesselox::bench {

// The console report, followed by tables of every case against the floor and the peers
// measured in the same run: medians when repetitions were asked for, else the single runs. One
// table takes wall-clock time, one the benchmark thread's CPU time, which leaves out the time
// the thread waited for a core on a machine shared with busy processes.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  // "render/identity" -> microseconds, per clock
  struct Times {
    std::map<std::string, double> medians;
    std::map<std::string, double> singles;
  };
  void PrintTable(const Times& times, const char* clock);
  Times wall_;
  Times cpu_;
};

}  // namespace tesselox::bench
