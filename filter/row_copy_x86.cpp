#include <cstddef>
#include <cstdint>

#include "filter/row_copy.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define TESSELOX_X86 1
#endif

namespace tesselox {

#ifdef TESSELOX_X86
namespace {

// Byte shuffles that reverse eight 6-byte pixels held in three 16-byte registers a, b, c:
// output register r takes, from source register s, the bytes kReverse.masks[r][s] names (-128
// for none).
struct ReverseMasks {
  alignas(16) std::int8_t masks[3][3][16];
};

constexpr ReverseMasks MakeReverseMasks() {
  ReverseMasks m{};
  for (int r = 0; r < 3; ++r) {
    for (int s = 0; s < 3; ++s) {
      for (int i = 0; i < 16; ++i) {
        const int out = 16 * r + i;
        const int from = 6 * (7 - out / 6) + out % 6;
        m.masks[r][s][i] = from / 16 == s ? static_cast<std::int8_t>(from % 16) : -128;
      }
    }
  }
  return m;
}

constexpr ReverseMasks kReverse = MakeReverseMasks();

constexpr std::ptrdiff_t kPrefetchBytes = 512;

// Shuffles that make eight destination pixels from eight consecutive source pixels held in
// three registers, either one to one (shape 0) or with pixel d repeating pixel d - 1 (shape d,
// 1 <= d <= 7; the eighth source pixel is then unused).
struct RunMasks {
  alignas(16) std::int8_t masks[8][3][3][16];
};

constexpr RunMasks MakeRunMasks() {
  RunMasks m{};
  for (int shape = 0; shape < 8; ++shape) {
    for (int r = 0; r < 3; ++r) {
      for (int s = 0; s < 3; ++s) {
        for (int i = 0; i < 16; ++i) {
          const int out = 16 * r + i;
          const int pixel = out / 6;
          const int source = shape != 0 && pixel >= shape ? pixel - 1 : pixel;
          const int from = 6 * source + out % 6;
          m.masks[shape][r][s][i] = from / 16 == s ? static_cast<std::int8_t>(from % 16) : -128;
        }
      }
    }
  }
  return m;
}

constexpr RunMasks kRunMasks = MakeRunMasks();

}  // namespace

bool HaveSsse3() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("ssse3");
}

// Eight pixels at a time through byte shuffles, stored with non-temporal 16-byte stores: the
// frame is far larger than the caches, and streaming stores skip reading the destination first.
__attribute__((target("ssse3"))) void CopyPixelsReversedSsse3(Pixel* dst, const Pixel* src,
                                                              std::ptrdiff_t n) {
  std::ptrdiff_t k = 0;
  // Up to the first 16-byte boundary of the destination, if a whole number of pixels reaches it.
  while (k < n && (reinterpret_cast<std::uintptr_t>(dst + k) & 15) != 0 && k < 8) {
    dst[k] = src[-k];
    ++k;
  }
  const bool aligned = (reinterpret_cast<std::uintptr_t>(dst + k) & 15) == 0;
  const auto* masks = reinterpret_cast<const __m128i*>(kReverse.masks);
  for (; aligned && k + 8 <= n; k += 8) {
    const auto* in = reinterpret_cast<const std::uint8_t*>(src - k - 7);
    // The source is read downwards, which hardware prefetchers follow poorly.
    _mm_prefetch(
        reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(in) - kPrefetchBytes),
        _MM_HINT_T0);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    auto* out = reinterpret_cast<__m128i*>(dst + k);
    for (int r = 0; r < 3; ++r) {
      const __m128i v =
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(masks + 3 * r)),
                                    _mm_shuffle_epi8(b, _mm_load_si128(masks + 3 * r + 1))),
                       _mm_shuffle_epi8(c, _mm_load_si128(masks + 3 * r + 2)));
      _mm_stream_si128(out + r, v);
    }
  }
  _mm_sfence();
  CopyPixelsReversed(dst + k, src - k, n - k);
}

__attribute__((target("ssse3"))) void GatherNearOneSsse3(Pixel* dst, const Pixel* row,
                                                         const std::int32_t* map,
                                                         const std::int8_t* shapes,
                                                         std::int32_t lastColumn,
                                                         std::ptrdiff_t n) {
  const bool aligned = (reinterpret_cast<std::uintptr_t>(dst) & 15) == 0;
  const auto* masks = reinterpret_cast<const __m128i*>(kRunMasks.masks);
  std::ptrdiff_t k = 0;
  for (std::ptrdiff_t block = 0; k + 8 <= n; ++block, k += 8) {
    const int shape = shapes[block];
    // Eight source pixels from map[k] on must lie in the row.
    if (shape < 0 || map[k] + 8 > lastColumn + 1) {
      for (int t = 0; t < 8; ++t) dst[k + t] = row[map[k + t]];
      continue;
    }
    const auto* in = reinterpret_cast<const std::uint8_t*>(row + map[k]);
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 32));
    const __m128i* m = masks + 9 * shape;
    auto* out = reinterpret_cast<__m128i*>(dst + k);
    for (int r = 0; r < 3; ++r) {
      const __m128i v =
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, _mm_load_si128(m + 3 * r)),
                                    _mm_shuffle_epi8(b, _mm_load_si128(m + 3 * r + 1))),
                       _mm_shuffle_epi8(c, _mm_load_si128(m + 3 * r + 2)));
      if (aligned) {
        _mm_stream_si128(out + r, v);
      } else {
        _mm_storeu_si128(out + r, v);
      }
    }
  }
  _mm_sfence();
  for (; k < n; ++k) dst[k] = row[map[k]];
}

#else

void GatherNearOneSsse3(Pixel* dst, const Pixel* row, const std::int32_t* map,
                        const std::int8_t* shapes, std::int32_t lastColumn, std::ptrdiff_t n) {
  (void)shapes;
  GatherPixels(dst, row, map, lastColumn, n);
}

bool HaveSsse3() {
  return false;
}

void CopyPixelsReversedSsse3(Pixel* dst, const Pixel* src, std::ptrdiff_t n) {
  CopyPixelsReversed(dst, src, n);
}

#endif

}  // namespace tesselox
