#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tesselox::bench {

// The console report, followed by a table of every case against the floor and the peers
// measured in the same run: medians when repetitions were asked for, else the single runs.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  void Finalize() override;

 private:
  // "render/identity" -> microseconds
  std::map<std::string, double> medians_;
  std::map<std::string, double> singles_;
};

}  // namespace tesselox::bench
