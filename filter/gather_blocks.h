#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/clear_outside.h"
#include "filter/image_view.h"
#include "filter/row_copy.h"

namespace tesselox {

// A column map in the form the vector gather reads: block b covers destination pixels
// [8b, 8b + 8) and reads pixel t from byte `base + delta[t]` of the source row, eight bytes at a
// time. A negative base marks a block taken pixel by pixel from the column map instead: its
// sources lie more than 42 columns apart, or one of them is the row's last pixel, which has no
// two bytes after it to read.
struct GatherBlock {
  std::ptrdiff_t base;
  std::uint8_t delta[8];
};

// Fills blocks[0, n / 8) from map[0, n), whose entries are columns of a row whose last pixel is
// lastColumn.
void BuildGatherBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                       GatherBlock* blocks);

// dst[k] = row[map[k]] for k < n, reading whole blocks through `blocks` (from BuildGatherBlocks
// on the same map) and the rest through the map. With a clear, it also zeroes up to
// `linesPerBlock` of its 64-byte lines for each whole block, so that the clear shares the row's
// time; the clear must not cover dst[0, n).
void GatherBlocks(Pixel* dst, const Pixel* row, const GatherBlock* blocks, const std::int32_t* map,
                  std::ptrdiff_t n, ClearStream* clear, int linesPerBlock);

#ifdef TESSELOX_X86
// Vector kernel of GatherBlocks for processors with AVX (HaveAvx): eight pixels packed by byte
// shuffles into three 16-byte stores and, with a clear, the clear's lines streamed past the caches
// 32 bytes at a time between the blocks, so that the memory reads of the gather overlap the clear's
// writes; the blocks then stream too where they fill whole lines. Call FenceStreamingStores after
// the last row. It also prefetches the bytes `ahead` away from each block's sources, where the
// row drawn two rows later reads (0 for none).
void GatherBlocksAvx(Pixel* dst, const Pixel* row, const GatherBlock* blocks,
                     const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                     ClearStream* clear, int linesPerBlock);
#endif

}  // namespace tesselox
