#include "filter/gather_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tesselox {

namespace {

// The widest block whose byte deltas fit in a byte: 42 columns of 6 bytes.
constexpr std::int32_t kMaxSpan = 255 / static_cast<std::int32_t>(sizeof(Pixel));

}  // namespace

void BuildGatherBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                       GatherBlock* blocks) {
  for (std::ptrdiff_t b = 0; 8 * b + 8 <= n; ++b) {
    const std::int32_t* m = map + 8 * b;
    const auto [low, high] = std::minmax_element(m, m + 8);
    GatherBlock& block = blocks[b];
    // Subtracting in 64 bits: the entries may lie anywhere in 32 bits.
    if (*high >= lastColumn || static_cast<std::int64_t>(*high) - *low > kMaxSpan) {
      block.base = -1;
      continue;
    }
    block.base = static_cast<std::ptrdiff_t>(*low) * static_cast<std::ptrdiff_t>(sizeof(Pixel));
    for (int t = 0; t < 8; ++t) {
      block.delta[t] = static_cast<std::uint8_t>((m[t] - *low) * static_cast<int>(sizeof(Pixel)));
    }
  }
}

void GatherBlocks(Pixel* dst, const Pixel* row, const GatherBlock* blocks, const std::int32_t* map,
                  std::ptrdiff_t n, ClearStream* clear, int linesPerBlock) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
  std::ptrdiff_t k = 0;
  for (std::ptrdiff_t b = 0; k + 8 <= n; ++b, k += 8) {
    const GatherBlock& block = blocks[b];
    for (int t = 0; t < 8; ++t) {
      if (block.base < 0) {
        dst[k + t] = row[map[k + t]];
      } else {
        std::memcpy(static_cast<void*>(dst + k + t), bytes + block.base + block.delta[t],
                    sizeof(Pixel));
      }
    }
  }
  for (; k < n; ++k) dst[k] = row[map[k]];
  // The clear's share for the row in one go: memset gains nothing from finer interleaving.
  std::ptrdiff_t share = clear != nullptr ? n / 8 * linesPerBlock * 64 : 0;
  while (share > 0) {
    ClearStream::Lines& whole = clear->whole;
    if (whole.next == whole.end && !clear->Refill()) break;
    const std::ptrdiff_t some = std::min(share, whole.end - whole.next);
    std::memset(whole.next, 0, static_cast<std::size_t>(some));
    whole.next += some;
    share -= some;
  }
}

}  // namespace tesselox
