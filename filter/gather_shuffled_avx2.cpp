#include <cstddef>
#include <cstdint>

#include "filter/gather_blocks.h"
#include "filter/gather_shuffled_block.h"

#ifdef TESSELOX_X86

namespace tesselox {
namespace {

// Blocks 2q and 2q + 1 into out[0, 32): each 32-byte register holds the even block's source
// bytes in its low half and the odd one's in its high half, as the shuffle works on each half
// apart.
template <int kBytes, int kRegs>
__attribute__((target("avx2"), always_inline)) inline void GatherPair(
    std::uint8_t* out, const std::uint8_t* row, const ShuffleBlocks& blocks,
    const std::int32_t* map, std::ptrdiff_t q, std::ptrdiff_t ahead) {
  const std::int32_t even = blocks.bases[2 * q];
  const std::int32_t odd = blocks.bases[2 * q + 1];
  if ((even | odd) < 0) {
    shuffled::GatherBlock<kBytes, kRegs>(out, row, blocks, map, 2 * q, ahead);
    shuffled::GatherBlock<kBytes, kRegs>(out + 16, row, blocks, map, 2 * q + 1, ahead);
    return;
  }
  const auto* low = reinterpret_cast<const __m128i*>(row + even);
  const auto* high = reinterpret_cast<const __m128i*>(row + odd);
  // A shrink's next rows lie too far apart for the hardware prefetcher; the two blocks' sources
  // span at most two lines more than the next pair's.
  _mm_prefetch(reinterpret_cast<const char*>(row + even + ahead), _MM_HINT_T0);
  _mm_prefetch(reinterpret_cast<const char*>(row + odd + ahead), _MM_HINT_T0);
  const auto* masks =
      reinterpret_cast<const __m256i*>(blocks.masks + ShuffleMaskOffset(kRegs, 2 * q, 0));
  __m256i o = _mm256_setzero_si256();
  for (int s = 0; s < kRegs; ++s) {
    const __m256i v = _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(low + s)),
                                              _mm_loadu_si128(high + s), 1);
    o = _mm256_or_si256(o, _mm256_shuffle_epi8(v, _mm256_load_si256(masks + s)));
  }
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), o);
}

template <int kBytes, int kRegs>
__attribute__((target("avx2"))) void GatherRow(std::uint8_t* dst, const std::uint8_t* row,
                                               ShuffleBlocks blocks, const std::int32_t* map,
                                               std::ptrdiff_t ahead) {
  for (std::ptrdiff_t q = 0; q < blocks.count / 2; ++q)
    GatherPair<kBytes, kRegs>(dst + 32 * q, row, blocks, map, q, ahead);
  if (blocks.count % 2 != 0) {
    const std::ptrdiff_t last = blocks.count - 1;
    shuffled::GatherBlock<kBytes, kRegs>(dst + 16 * last, row, blocks, map, last, ahead);
  }
}

}  // namespace

template <int kBytes>
void GatherShuffledAvx2(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                        const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                        ClearStream* clear, int linesPerBlock) {
  // The blocks by value: the stores could otherwise alias them, reloaded every block.
  WithRegisters(blocks.regs, [&](auto regs) {
    GatherRow<kBytes, decltype(regs)::value>(dst, row, blocks, map, ahead);
  });
  shuffled::FinishRow<kBytes>(dst, row, blocks, map, n, clear, linesPerBlock);
}

template void GatherShuffledAvx2<1>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                    const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t,
                                    ClearStream*, int);
template void GatherShuffledAvx2<2>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                    const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t,
                                    ClearStream*, int);

}  // namespace tesselox

#endif
