#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/clear_lines_x86.h"
#include "filter/gather_blocks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>

namespace tesselox {
namespace {

// Eight 4-byte loads at `p` plus each delta.
__attribute__((target("avx2"))) inline __m256i GatherEight(const std::uint8_t* p,
                                                           const std::uint8_t* delta) {
  const __m256i index =
      _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(delta)));
  return _mm256_i32gather_epi32(reinterpret_cast<const int*>(p), index, 1);
}

// The eight pixels of a block at `p` as kBytes * 8 bytes at `out`, streamed or not.
template <int kBytes>
__attribute__((target("avx2"))) inline void DrawBlock(std::uint8_t* out, const std::uint8_t* p,
                                                      const std::uint8_t* delta, bool stream) {
  if constexpr (kBytes == 8) {
    int first, second;
    std::memcpy(&first, delta, 4);
    std::memcpy(&second, delta + 4, 4);
    const __m128i index = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(first));
    const __m128i index2 = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(second));
    const auto* base = reinterpret_cast<const long long*>(p);
    const __m256i low = _mm256_i32gather_epi64(base, index, 1);
    const __m256i high = _mm256_i32gather_epi64(base, index2, 1);
    auto* to = reinterpret_cast<__m256i*>(out);
    if (stream) {
      _mm256_stream_si256(to, low);
      _mm256_stream_si256(to + 1, high);
    } else {
      _mm256_storeu_si256(to, low);
      _mm256_storeu_si256(to + 1, high);
    }
  } else if constexpr (kBytes == 4) {
    const __m256i v = GatherEight(p, delta);
    auto* to = reinterpret_cast<__m256i*>(out);
    if (stream) {
      _mm256_stream_si256(to, v);
    } else {
      _mm256_storeu_si256(to, v);
    }
  } else if constexpr (kBytes == 3) {
    // The low three bytes of each 4-byte load, packed to the start of each lane, then the lanes'
    // twelve bytes side by side: 24 bytes, stored as 16 and 8.
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1, 0,
                                          1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i v = _mm256_permutevar8x32_epi32(_mm256_shuffle_epi8(GatherEight(p, delta), pack),
                                                  _mm256_setr_epi32(0, 1, 2, 4, 5, 6, 3, 7));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm256_castsi256_si128(v));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + 16), _mm256_extracti128_si256(v, 1));
  } else if constexpr (kBytes == 2) {
    // The low two bytes of each 4-byte load, packed into the low half of each lane, then the
    // lanes' low halves side by side.
    const __m256i pack = _mm256_setr_epi8(0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1,
                                          0, 1, 4, 5, 8, 9, 12, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i v =
        _mm256_permute4x64_epi64(_mm256_shuffle_epi8(GatherEight(p, delta), pack), 0x08);
    auto* to = reinterpret_cast<__m128i*>(out);
    if (stream) {
      _mm_stream_si128(to, _mm256_castsi256_si128(v));
    } else {
      _mm_storeu_si128(to, _mm256_castsi256_si128(v));
    }
  } else {
    static_assert(kBytes == 1);
    const __m256i pack =
        _mm256_setr_epi8(0, 4, 8, 12, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, 4, 8, 12,
                         -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m256i v = _mm256_shuffle_epi8(GatherEight(p, delta), pack);
    const __m128i both =
        _mm_unpacklo_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), both);
  }
}

}  // namespace

// Blocks of 16, 32 or 64 bytes stream where they fill whole lines, from the first one that
// starts a line (when the row lets them align), in whole lines; blocks of 8 or 24 bytes never do.
template <int kBytes>
__attribute__((target("avx2"))) void GatherBlocksAvx2(std::uint8_t* dst, const std::uint8_t* row,
                                                      const GatherBlock* blocks,
                                                      const std::int32_t* map, std::ptrdiff_t n,
                                                      std::ptrdiff_t ahead, ClearStream* clear,
                                                      int linesPerBlock) {
  constexpr std::ptrdiff_t kBlockBytes = 8 * kBytes;
  const std::ptrdiff_t whole = n / 8;
  std::ptrdiff_t streamFrom = whole, streamTo = whole;
  const auto address = reinterpret_cast<std::uintptr_t>(dst);
  if (clear != nullptr && 64 % kBlockBytes == 0 && kBlockBytes >= 16 &&
      address % kBlockBytes == 0) {
    constexpr std::ptrdiff_t kPerLine = 64 / kBlockBytes;
    streamFrom = static_cast<std::ptrdiff_t>((64 - address % 64) % 64) / kBlockBytes;
    if (streamFrom > whole) streamFrom = whole;
    streamTo = streamFrom + (whole - streamFrom) / kPerLine * kPerLine;
  }
  int quota = clear != nullptr ? linesPerBlock : 0;
  ClearStream::Lines at = clear != nullptr ? clear->whole : ClearStream::Lines{nullptr, nullptr, 0};
  for (std::ptrdiff_t b = 0; b < whole; ++b) {
    const GatherBlock& block = blocks[b];
    std::uint8_t* out = dst + kBlockBytes * b;
    if (block.base < 0) {
      for (int t = 0; t < 8; ++t) {
        std::memcpy(out + kBytes * t, row + static_cast<std::ptrdiff_t>(map[8 * b + t]) * kBytes,
                    kBytes);
      }
    } else {
      const std::uint8_t* p = row + block.base;
      const std::uintptr_t later = reinterpret_cast<std::uintptr_t>(p) + ahead;
      _mm_prefetch(reinterpret_cast<const char*>(later), _MM_HINT_T0);
      if constexpr (kBytes >= 4) {
        _mm_prefetch(reinterpret_cast<const char*>(later + 64), _MM_HINT_T0);
      }
      DrawBlock<kBytes>(out, p, block.delta, b >= streamFrom && b < streamTo);
    }
    if (quota > 0 && !StreamClearLines(*clear, at, quota)) quota = 0;
  }
  if (clear != nullptr) clear->whole = at;
  for (std::ptrdiff_t k = 8 * whole; k < n; ++k) {
    std::memcpy(dst + kBytes * k, row + static_cast<std::ptrdiff_t>(map[k]) * kBytes, kBytes);
  }
}

template void GatherBlocksAvx2<1>(std::uint8_t*, const std::uint8_t*, const GatherBlock*,
                                  const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                  int);
template void GatherBlocksAvx2<3>(std::uint8_t*, const std::uint8_t*, const GatherBlock*,
                                  const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                  int);
template void GatherBlocksAvx2<2>(std::uint8_t*, const std::uint8_t*, const GatherBlock*,
                                  const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                  int);
template void GatherBlocksAvx2<4>(std::uint8_t*, const std::uint8_t*, const GatherBlock*,
                                  const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                  int);
template void GatherBlocksAvx2<8>(std::uint8_t*, const std::uint8_t*, const GatherBlock*,
                                  const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                  int);

}  // namespace tesselox

#endif
