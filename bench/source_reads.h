#pragma once

// What a case cannot avoid reading: every cache line of the source rows the copy takes, between
// the first and the last column it takes, once per distinct row (rows the copy repeats are not
// read again), with the prefetch two rows ahead that the gather uses.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/copy_plan.h"

namespace tesselox::bench {

class SourceReads {
 public:
  SourceReads(const CopyPlan& plan, std::size_t pixelBytes) {
    if (!plan.draw) return;
    for (std::int64_t k = 0; k < plan.y.count; ++k) {
      const std::int64_t row = SourceIndexAt(plan.y, k);
      if (rows_.empty() || rows_.back() != row) rows_.push_back(row);
    }
    const std::int64_t first = SourceIndexAt(plan.x, 0);
    const std::int64_t last = SourceIndexAt(plan.x, plan.x.count - 1);
    from_ = static_cast<std::size_t>(std::min(first, last)) * pixelBytes;
    to_ = static_cast<std::size_t>(std::max(first, last) + 1) * pixelBytes;
  }

  // One load per cache line; the sum keeps the loads.
  std::uint64_t Read(const std::uint8_t* source, std::ptrdiff_t stride) const {
    std::uint64_t sum = 0;
    for (std::size_t r = 0; r < rows_.size(); ++r) {
      const std::uint8_t* line = source + rows_[r] * stride;
      const std::uint8_t* later = source + rows_[std::min(r + 2, rows_.size() - 1)] * stride;
      for (std::size_t o = from_; o < to_; o += 64) {
        __builtin_prefetch(later + o);
        sum += line[o];
      }
    }
    return sum;
  }

 private:
  std::vector<std::int64_t> rows_;
  std::size_t from_ = 0;
  std::size_t to_ = 0;
};

}  // namespace tesselox::bench
