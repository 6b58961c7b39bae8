#include "filter/gather_blocks.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

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

void BuildShuffleBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                        int pixelBytes, ShuffleBlocks& blocks) {
  const int g = ShuffleBlockPixels(pixelBytes);
  const std::ptrdiff_t count = n / g;
  const std::int64_t rowBytes = (static_cast<std::int64_t>(lastColumn) + 1) * pixelBytes;
  // The registers: the fewest that hold the widest block that fits at all.
  int regs = 0;
  for (std::ptrdiff_t b = 0; b < count; ++b) {
    const auto [low, high] = std::minmax_element(map + g * b, map + g * b + g);
    const std::int64_t span = (static_cast<std::int64_t>(*high) - *low + 1) * pixelBytes;
    if (span <= 16 * kMaxShuffleRegs) regs = std::max(regs, static_cast<int>((span + 15) / 16));
  }
  blocks.count = count;
  blocks.regs = regs;
  if (regs == 0) return;
  for (std::ptrdiff_t b = 0; b < count; ++b) {
    const std::int32_t* m = map + g * b;
    const auto [low, high] = std::minmax_element(m, m + g);
    const std::int64_t base = static_cast<std::int64_t>(*low) * pixelBytes;
    const std::int64_t span = (static_cast<std::int64_t>(*high) - *low + 1) * pixelBytes;
    if (span > 16 * regs || base + 16 * regs > rowBytes) {
      blocks.bases[b] = -1;
      continue;
    }
    blocks.bases[b] = static_cast<std::int32_t>(base);
    // Each output byte takes from the one register that holds its source byte (unsigned
    // arithmetic: this runs for every frame, and the bytes are never negative).
    std::int8_t* own = blocks.masks + ShuffleMaskOffset(regs, b, 0);
    for (int s = 0; s < regs; ++s) std::memset(own + ShuffleMaskOffset(regs, 0, s), -128, 16);
    for (unsigned t = 0, i = 0; t < static_cast<unsigned>(g); ++t) {
      const auto first = static_cast<unsigned>(m[t] - *low) * static_cast<unsigned>(pixelBytes);
      for (unsigned from = first; from < first + static_cast<unsigned>(pixelBytes); ++from, ++i)
        own[ShuffleMaskOffset(regs, 0, static_cast<int>(from / 16)) + i] =
            static_cast<std::int8_t>(from % 16);
    }
  }
}

void BuildPermuteBlocks(const std::int32_t* map, std::ptrdiff_t n, int pixelBytes,
                        PermuteBlocks& blocks) {
  const std::ptrdiff_t g = PermuteBlockPixels(pixelBytes);
  blocks.count = (n + g - 1) / g;
  // One pass: the indices do not depend on the register count, and every block that fits the
  // most registers fits the count of the widest of them.
  blocks.regs = 0;
  for (std::ptrdiff_t b = 0; b < blocks.count; ++b) {
    const std::int32_t* m = map + g * b;
    const std::ptrdiff_t pixels = std::min(g, n - g * b);
    // Plain loops rather than minmax_element, for the compiler to vectorise: this runs for
    // every frame.
    std::int32_t low = m[0], high = m[0];
    for (std::ptrdiff_t t = 1; t < pixels; ++t) {
      low = std::min(low, m[t]);
      high = std::max(high, m[t]);
    }
    const std::int64_t span = (static_cast<std::int64_t>(high) - low + 1) * pixelBytes;
    if (span > 64 * kMaxPermuteRegs) {
      blocks.bases[b] = -1;
      continue;
    }
    blocks.regs = std::max(blocks.regs, static_cast<int>((span + 63) / 64));
    blocks.bases[b] = low * pixelBytes;
    std::uint8_t* own = blocks.indices + 64 * b;
    std::memset(own, 0, 64);
    if (pixelBytes == 1) {
      for (std::ptrdiff_t t = 0; t < pixels; ++t) own[t] = static_cast<std::uint8_t>(m[t] - low);
    } else {
      for (std::ptrdiff_t t = 0, i = 0; t < pixels; ++t) {
        for (int c = 0; c < pixelBytes; ++c, ++i)
          own[i] = static_cast<std::uint8_t>(pixelBytes * (m[t] - low) + c);
      }
    }
  }
}

}  // namespace tesselox
