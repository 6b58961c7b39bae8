#include "filter/gather_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace tesselox {

void BuildGatherBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                       GatherBlock* blocks, int pixelBytes) {
  // The widest block whose byte deltas fit in a byte.
  const std::int32_t maxSpan = 255 / pixelBytes;
  const std::int64_t lastLoadable =
      static_cast<std::int64_t>(lastColumn) - GatherTailColumns(pixelBytes);
  for (std::ptrdiff_t b = 0; 8 * b + 8 <= n; ++b) {
    const std::int32_t* m = map + 8 * b;
    const auto [low, high] = std::minmax_element(m, m + 8);
    GatherBlock& block = blocks[b];
    // Subtracting in 64 bits: the entries may lie anywhere in 32 bits.
    if (*high > lastLoadable || static_cast<std::int64_t>(*high) - *low > maxSpan) {
      block.base = -1;
      continue;
    }
    block.base = static_cast<std::ptrdiff_t>(*low) * pixelBytes;
    for (int t = 0; t < 8; ++t) {
      block.delta[t] = static_cast<std::uint8_t>((m[t] - *low) * pixelBytes);
    }
  }
}

}  // namespace tesselox
