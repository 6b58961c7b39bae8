#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "filter/clear_outside.h"
#include "filter/plane_view.h"
#include "filter/processor.h"

namespace tesselox {

// A column map in the form the gather reads: block b covers destination pixels [8b, 8b + 8)
// and reads pixel t from byte `base + delta[t]` of the source row. A negative base marks a block
// taken pixel by pixel from the column map instead: its sources lie too far apart for a byte
// delta, or one of them is too near the row's end for the vector kernels' loads, which read past
// the pixel (GatherTailColumns).
struct GatherBlock {
  std::ptrdiff_t base;
  std::uint8_t delta[8];
};

// Columns at the end of a row of `pixelBytes`-byte pixels that the vector gather cannot load
// (it loads 8 bytes for a six-byte pixel, 4 for one of one, two or three).
constexpr std::int32_t GatherTailColumns(int pixelBytes) {
  return pixelBytes == 1 ? 3 : pixelBytes == 2 || pixelBytes == 3 || pixelBytes == 6 ? 1 : 0;
}

// The bytes of the clear a row of n pixels sets beside its blocks (linesPerBlock lines per eight
// pixels).
constexpr std::ptrdiff_t RowClearShare(std::ptrdiff_t n, int linesPerBlock) {
  return n / 8 * linesPerBlock * 64;
}

// Calls run(std::integral_constant<int, R>{}) with R = regs, 1 to 3: the shuffle and permute
// kernels take their register count as a template argument.
template <class Run>
void WithRegisters(int regs, Run run) {
  if (regs == 1) return run(std::integral_constant<int, 1>{});
  if (regs == 2) return run(std::integral_constant<int, 2>{});
  run(std::integral_constant<int, 3>{});
}

// Fills blocks[0, n / 8) from map[0, n), whose entries are columns of a row of pixelBytes-byte
// pixels whose last pixel is lastColumn.
void BuildGatherBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                       GatherBlock* blocks, int pixelBytes = sizeof(Pixel));

// dst[k] = row[map[k]] for k < n, reading whole blocks through `blocks` (from BuildGatherBlocks
// on the same map) and the rest through the map. With a clear, it also sets up to
// `linesPerBlock` of its 64-byte lines for each whole block, so that the clear shares the row's
// time; the clear must not cover dst[0, n).
template <class P>
void GatherBlocks(P* dst, const P* row, const GatherBlock* blocks, const std::int32_t* map,
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
                    sizeof(P));
      }
    }
  }
  for (; k < n; ++k) dst[k] = row[map[k]];
  // The clear's share for the row in one go: a fill gains nothing from finer interleaving.
  if (clear != nullptr) clear->Take(RowClearShare(n, linesPerBlock));
}

// The same column map as byte shuffles, for pixels of 1 or 2 bytes (for 3 and 4 they measured
// no faster than the hardware gathers): block b covers the 16 bytes of destination pixels from
// ShuffleBlockPixels * b on, whose sources lie in the `regs` 16-byte registers loaded from byte
// bases[b] of the source row; byte i of the block takes byte i of its mask for register s
// (negative: none; each byte takes from one register). A negative base marks a block taken
// pixel by pixel: its sources span more than the registers, or the loads would pass the row's
// end. The masks of blocks 2q and 2q + 1 lie side by side, register by register, so that one
// 32-byte shuffle serves both (ShuffleMaskOffset).
struct ShuffleBlocks {
  std::int32_t* bases;
  std::int8_t* masks;  // 32-byte aligned
  std::ptrdiff_t count;
  int regs;  // 1 to kMaxShuffleRegs, or 0 when no block fits
};

inline constexpr int kMaxShuffleRegs = 3;

constexpr int ShuffleBlockPixels(int pixelBytes) {
  return 16 / pixelBytes;
}

// Where block b's mask for register s starts.
constexpr std::ptrdiff_t ShuffleMaskOffset(int regs, std::ptrdiff_t b, int s) {
  return 32 * (regs * (b / 2) + s) + 16 * (b % 2);
}

// Room for the shuffle blocks of n destination pixels: bases, then mask bytes (whole pairs).
constexpr std::ptrdiff_t ShuffleBlockCapacity(std::ptrdiff_t n) {
  return (n / ShuffleBlockPixels(2) + 1) / 2 * 2;
}
constexpr std::ptrdiff_t ShuffleMaskCapacity(std::ptrdiff_t n) {
  return ShuffleBlockCapacity(n) * kMaxShuffleRegs * 16;
}

// The same column map for processors with AVX-512 byte permutes, for pixels of any size,
// in blocks of the PermuteBlockPixels pixels that fit 64 bytes: block b covers the destination
// pixels from PermuteBlockPixels * b on (the last block those up to the end of the row), whose
// sources lie in the `regs` 64-byte registers from byte bases[b] of the source row, loaded no
// further than the row's end; byte i of the block takes byte indices[64 * b + i] of the
// registers read as one. A negative base marks a block taken pixel by pixel: its sources span
// more than the registers.
struct PermuteBlocks {
  std::int32_t* bases;
  std::uint8_t* indices;
  std::ptrdiff_t count;
  int regs;  // 1 to kMaxPermuteRegs, or 0 when no block fits
};

inline constexpr int kMaxPermuteRegs = 3;
static_assert(kMaxShuffleRegs == 3 && kMaxPermuteRegs == 3, "WithRegisters covers 1 to 3");

constexpr int PermuteBlockPixels(int pixelBytes) {
  return 64 / pixelBytes;
}

// Room for the permute blocks of n destination pixels of up to 8 bytes.
constexpr std::ptrdiff_t PermuteBlockCapacity(std::ptrdiff_t n) {
  return (n + PermuteBlockPixels(8) - 1) / PermuteBlockPixels(8);
}
constexpr std::ptrdiff_t PermuteIndexCapacity(std::ptrdiff_t n) {
  return PermuteBlockCapacity(n) * 64;
}

// Fills `blocks` from map[0, n) as BuildShuffleBlocks does, in the 64-byte form (the kernel's
// loads stop at the row's end by themselves).
void BuildPermuteBlocks(const std::int32_t* map, std::ptrdiff_t n, int pixelBytes,
                        PermuteBlocks& blocks);

// Fills `blocks` (bases and masks with the room above) from map[0, n), whose entries are
// columns of a row of pixelBytes-byte pixels (1 or 2) whose last pixel is lastColumn. The
// registers are the fewest that hold the widest block's sources, at most kMaxShuffleRegs.
void BuildShuffleBlocks(const std::int32_t* map, std::ptrdiff_t n, std::int32_t lastColumn,
                        int pixelBytes, ShuffleBlocks& blocks);

#ifdef TESSELOX_X86
// dst[k] = row[map[k]] for k < n, for pixels of 1 or 2 bytes and processors with SSSE3
// (HaveSsse3), through `blocks` (from BuildShuffleBlocks on the same map, regs > 0): one load and
// one byte shuffle per register and block. With a clear, it sets the row's share of it
// (linesPerBlock lines per eight pixels) after the row, with ordinary stores.
template <int kBytes>
void GatherShuffled(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                    const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                    ClearStream* clear, int linesPerBlock);

// The same for processors with AVX2 (HaveAvx2): two blocks per 32-byte shuffle.
template <int kBytes>
void GatherShuffledAvx2(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                        const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                        ClearStream* clear, int linesPerBlock);

#ifdef TESSELOX_X86_64
// The same for processors with AVX-512 byte permutes (HaveAvx512Vbmi), through `blocks` (from
// BuildPermuteBlocks, regs > 0): one permute per 64 bytes, two for three registers.
template <int kBytes>
void GatherPermuted(std::uint8_t* dst, const std::uint8_t* row, const PermuteBlocks& blocks,
                    const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                    std::int32_t lastColumn, ClearStream* clear, int linesPerBlock);
#endif

// Vector kernels of GatherBlocks. With a clear they set its lines between the blocks, so that
// the memory reads of the gather overlap the clear's writes, streamed past the caches with
// their own blocks where these fill whole lines: the six-byte kernel where `stream` says so
// (StreamingStoresPay), the others always (kept in the cache, the four- and eight-byte gathers
// were 7 to 34 % slower on planes that fit it). Call FenceStreamingStores after the last row. Each
// also prefetches the bytes `ahead` away from each block's sources, where the row drawn two rows
// later reads (0 for none).
//
// Six-byte pixels, for processors with AVX (HaveAvx): eight pixels packed by byte shuffles into
// three 16-byte stores.
void GatherBlocksAvx(Pixel* dst, const Pixel* row, const GatherBlock* blocks,
                     const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                     ClearStream* clear, int linesPerBlock, bool stream);

// Pixels of 1, 2, 3, 4 or 8 bytes, for processors with AVX2 (HaveAvx2): eight pixels by
// hardware gathers (4 bytes for each pixel of up to 4 bytes), packed by byte shuffles.
template <int kBytes>
void GatherBlocksAvx2(std::uint8_t* dst, const std::uint8_t* row, const GatherBlock* blocks,
                      const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                      ClearStream* clear, int linesPerBlock);
#endif

}  // namespace tesselox
