#pragma once

// What the SSSE3 and AVX2 shuffle gathers share: one block at a time, and the row's end.

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/gather_blocks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>

namespace tesselox::shuffled {

template <int kBytes>
inline void CopyPixels(std::uint8_t* out, const std::uint8_t* row, const std::int32_t* map,
                       std::ptrdiff_t from, std::ptrdiff_t to) {
  for (std::ptrdiff_t k = from; k < to; ++k) {
    std::memcpy(out + kBytes * (k - from), row + static_cast<std::ptrdiff_t>(map[k]) * kBytes,
                kBytes);
  }
}

// Block b of `blocks` into out[0, 16).
template <int kBytes, int kRegs>
__attribute__((target("ssse3"), always_inline)) inline void GatherBlock(
    std::uint8_t* out, const std::uint8_t* row, const ShuffleBlocks& blocks,
    const std::int32_t* map, std::ptrdiff_t b, std::ptrdiff_t ahead) {
  constexpr int kPixels = ShuffleBlockPixels(kBytes);
  const std::int32_t base = blocks.bases[b];
  if (base < 0) return CopyPixels<kBytes>(out, row, map, kPixels * b, kPixels * b + kPixels);
  const std::uint8_t* p = row + base;
  // A shrink's next rows lie too far apart for the hardware prefetcher.
  _mm_prefetch(reinterpret_cast<const char*>(p + ahead), _MM_HINT_T0);
  const auto* in = reinterpret_cast<const __m128i*>(p);
  const std::int8_t* masks = blocks.masks + ShuffleMaskOffset(kRegs, b, 0);
  __m128i o = _mm_setzero_si128();
  for (int s = 0; s < kRegs; ++s) {
    const auto* mask = reinterpret_cast<const __m128i*>(masks + ShuffleMaskOffset(kRegs, 0, s));
    o = _mm_or_si128(o, _mm_shuffle_epi8(_mm_loadu_si128(in + s), _mm_load_si128(mask)));
  }
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), o);
}

// The pixels after the last whole block, and the row's share of the clear in one go, into the
// cache, where the frame stays.
template <int kBytes>
inline void FinishRow(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                      const std::int32_t* map, std::ptrdiff_t n, ClearStream* clear,
                      int linesPerBlock) {
  const std::ptrdiff_t done = ShuffleBlockPixels(kBytes) * blocks.count;
  CopyPixels<kBytes>(dst + kBytes * done, row, map, done, n);
  if (clear != nullptr) clear->Take(RowClearShare(n, linesPerBlock));
}

}  // namespace tesselox::shuffled

#endif
