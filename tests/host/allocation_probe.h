#pragma once

#include <cstddef>

namespace tesselox::io::test {

// Records the largest single allocation made through operator new while it is alive. The test
// program replaces the global operator new for this; one probe at a time.
class AllocationProbe {
 public:
  AllocationProbe();
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;
  std::size_t Largest() const;
};

}  // namespace tesselox::io::test
