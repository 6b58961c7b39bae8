#pragma once

#include "median_times.h"

namespace tesselox::bench {

// The console report, followed by tables of every case against the floor and the peers
// measured in the same run, one table per clock.
class RatioReporter : public MedianTimes {
 public:
  void Finalize() override;

 private:
  void PrintTable(Clock clock, const char* title);
};

}  // namespace tesselox::bench
