#pragma once

// The vector kernels that serve every pixel size, as templates over the pixel type P
// (PixelBytes). x86 only.

#include <array>
#include <cstddef>
#include <cstdint>

#include "filter/processor.h"
#include "filter/row_copy.h"
#include "filter/shuffle_masks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>

namespace tesselox {

// How far ahead a kernel that reads its source downwards prefetches it.
inline constexpr std::ptrdiff_t kPrefetchBytes = 512;

// Loads kRegs 16-byte registers at `in` and stores at `out` the kRegs registers the masks make
// of them, streamed past the caches or not.
template <int kRegs>
__attribute__((target("ssse3"))) inline void ShuffleRegisters(const std::uint8_t* in,
                                                              const ShuffleMasks<kRegs, kRegs>& m,
                                                              __m128i* out, bool stream) {
  __m128i v[kRegs];
  for (int s = 0; s < kRegs; ++s) v[s] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in) + s);
  const auto* masks = reinterpret_cast<const __m128i*>(m.masks);
  for (int r = 0; r < kRegs; ++r) {
    __m128i o = _mm_shuffle_epi8(v[0], _mm_load_si128(masks + kRegs * r));
    for (int s = 1; s < kRegs; ++s) {
      o = _mm_or_si128(o, _mm_shuffle_epi8(v[s], _mm_load_si128(masks + kRegs * r + s)));
    }
    if (stream) {
      _mm_stream_si128(out + r, o);
    } else {
      _mm_storeu_si128(out + r, o);
    }
  }
}

// A step of the reversed copy: the fewest whole registers that hold a whole number of pixels,
// and the masks that reverse the order of those pixels.
template <class P>
struct ReverseStep {
  static constexpr int kBytes = sizeof(P);
  static constexpr int kRegs = 16 % kBytes == 0 ? 1 : 3;
  static constexpr int kPixels = 16 * kRegs / kBytes;
  static constexpr ShuffleMasks<kRegs, kRegs> kMasks =
      MakeShuffleMasks<kRegs, kRegs>([](int r, int s, int i) {
        const int out = 16 * r + i;
        return ByteIn(kBytes * (kPixels - 1 - out / kBytes) + out % kBytes, s);
      });
};

// Vector kernel of CopyPixelsReversed for processors with SSSE3 (HaveSsse3): a step of pixels
// at a time through byte shuffles, stored past the caches if `stream` (StreamingStoresPay).
template <class P>
__attribute__((target("ssse3"))) void CopyPixelsReversedSsse3(P* dst, const P* src,
                                                              std::ptrdiff_t n, bool stream) {
  using Step = ReverseStep<P>;
  std::ptrdiff_t k = 0;
  // Up to the first 16-byte boundary of the destination, if a whole number of pixels reaches it.
  while (k < n && k < Step::kPixels && (reinterpret_cast<std::uintptr_t>(dst + k) & 15) != 0) {
    dst[k] = src[-k];
    ++k;
  }
  stream = stream && (reinterpret_cast<std::uintptr_t>(dst + k) & 15) == 0;
  for (; k + Step::kPixels <= n; k += Step::kPixels) {
    const auto* in = reinterpret_cast<const std::uint8_t*>(src - k - (Step::kPixels - 1));
    // The source is read downwards, which hardware prefetchers follow poorly.
    _mm_prefetch(
        reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(in) - kPrefetchBytes),
        _MM_HINT_T0);
    ShuffleRegisters<Step::kRegs>(in, Step::kMasks, reinterpret_cast<__m128i*>(dst + k), stream);
  }
  _mm_sfence();
  CopyPixelsReversed(dst + k, src - k, n - k);
}

#ifdef TESSELOX_X86_64
// The same with 64-byte registers (AVX-512 F, BW and VBMI): the most whole pixels a register
// holds (64 bytes; 63 of 3-byte pixels, 60 of 6-byte ones) reversed by one byte permute, loaded
// and stored under a mask where they fill less than the register, so that no byte past either
// row is touched. Its stores stay in the caches: where `stream`, the SSSE3 kernel takes the row.
template <class P>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void CopyPixelsReversedAvx512(
    P* dst, const P* src, std::ptrdiff_t n, bool stream) {
  constexpr int kBytes = sizeof(P);
  constexpr std::ptrdiff_t kPixels = 64 / kBytes;
  constexpr int kBlock = static_cast<int>(kPixels) * kBytes;
  // Byte k of a block: byte k % kBytes of the block's pixel kPixels - 1 - k / kBytes.
  static constexpr auto kReversed = [] {
    std::array<std::uint8_t, 64> index{};
    for (int k = 0; k < kBlock; ++k)
      index[k] = static_cast<std::uint8_t>((kPixels - 1 - k / kBytes) * kBytes + k % kBytes);
    return index;
  }();
  if (stream) {
    CopyPixelsReversedSsse3(dst, src, n, stream);
    return;
  }
  // The two-register permute: the one-register form warns of an undefined pass-through.
  const __m512i reversed = _mm512_loadu_si512(kReversed.data());
  std::ptrdiff_t k = 0;
  for (; k + kPixels <= n; k += kPixels) {
    const P* in = src - k - (kPixels - 1);
    // The source is read downwards, which hardware prefetchers follow poorly.
    _mm_prefetch(
        reinterpret_cast<const char*>(reinterpret_cast<std::uintptr_t>(in) - kPrefetchBytes),
        _MM_HINT_T0);
    if constexpr (kBlock == 64) {
      const __m512i v = _mm512_loadu_si512(in);
      _mm512_storeu_si512(dst + k, _mm512_permutex2var_epi8(v, reversed, v));
    } else {
      constexpr __mmask64 kMask = (__mmask64{1} << kBlock) - 1;
      const __m512i v = _mm512_maskz_loadu_epi8(kMask, in);
      _mm512_mask_storeu_epi8(dst + k, kMask, _mm512_permutex2var_epi8(v, reversed, v));
    }
  }
  CopyPixelsReversed(dst + k, src - k, n - k);
}
#endif

// Vector kernel of RepeatPixelsTwice for pixels of 1, 2, 4 or 8 bytes and processors with SSE2:
// a register of source pixels interleaved with itself gives two registers of the run, for a
// source read rightwards; a source read leftwards takes the plain kernel.
template <class P>
__attribute__((target("sse2"))) void RepeatPixelsTwiceSse2(P* dst, const P* src,
                                                           std::ptrdiff_t step,
                                                           std::ptrdiff_t first, std::ptrdiff_t n) {
  constexpr std::ptrdiff_t kPixels = 16 / sizeof(P);  // source pixels per register
  if (step != 1 || n < 2 * kPixels + 1) {
    RepeatPixelsTwice(dst, src, step, first, n);
    return;
  }
  if (first == 1) {
    *dst++ = *src++;
    --n;
  }
  for (; n >= 2 * kPixels; n -= 2 * kPixels, src += kPixels, dst += 2 * kPixels) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    __m128i low, high;
    if constexpr (sizeof(P) == 1) {
      low = _mm_unpacklo_epi8(v, v), high = _mm_unpackhi_epi8(v, v);
    } else if constexpr (sizeof(P) == 2) {
      low = _mm_unpacklo_epi16(v, v), high = _mm_unpackhi_epi16(v, v);
    } else if constexpr (sizeof(P) == 4) {
      low = _mm_unpacklo_epi32(v, v), high = _mm_unpackhi_epi32(v, v);
    } else {
      static_assert(sizeof(P) == 8);
      low = _mm_unpacklo_epi64(v, v), high = _mm_unpackhi_epi64(v, v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst) + 1, high);
  }
  RepeatPixelsTwice(dst, src, 1, 2, n);
}

// The pixels of a register interleaved with themselves within each 128-bit lane, by size.
template <class P>
__attribute__((target("avx2"))) inline void InterleaveTwice(__m256i v, __m256i& low,
                                                            __m256i& high) {
  if constexpr (sizeof(P) == 1) {
    low = _mm256_unpacklo_epi8(v, v), high = _mm256_unpackhi_epi8(v, v);
  } else if constexpr (sizeof(P) == 2) {
    low = _mm256_unpacklo_epi16(v, v), high = _mm256_unpackhi_epi16(v, v);
  } else if constexpr (sizeof(P) == 4) {
    low = _mm256_unpacklo_epi32(v, v), high = _mm256_unpackhi_epi32(v, v);
  } else {
    static_assert(sizeof(P) == 8);
    low = _mm256_unpacklo_epi64(v, v), high = _mm256_unpackhi_epi64(v, v);
  }
}

// Vector kernel of RepeatPixelsTwice for pixels of 1, 2, 4 or 8 bytes and processors with AVX2:
// as the SSE2 one, 32 source bytes at a time. The interleaves stay within 128-bit lanes, so the
// source's 8-byte quarters go in order 0, 2, 1, 3 first; the rest takes the SSE2 kernel.
template <class P>
__attribute__((target("avx2"))) void RepeatPixelsTwiceAvx2(P* dst, const P* src,
                                                           std::ptrdiff_t step,
                                                           std::ptrdiff_t first, std::ptrdiff_t n) {
  constexpr std::ptrdiff_t kPixels = 32 / sizeof(P);
  if (step != 1 || n < 2 * kPixels + 1) {
    RepeatPixelsTwiceSse2(dst, src, step, first, n);
    return;
  }
  if (first == 1) {
    *dst++ = *src++;
    --n;
  }
  for (; n >= 2 * kPixels; n -= 2 * kPixels, src += kPixels, dst += 2 * kPixels) {
    const __m256i v =
        _mm256_permute4x64_epi64(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(src)), 0xD8);
    __m256i low, high;
    InterleaveTwice<P>(v, low, high);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst), low);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(dst) + 1, high);
  }
  RepeatPixelsTwiceSse2(dst, src, 1, 2, n);
}

#ifdef TESSELOX_X86_64
// The same with 64-byte registers (AVX-512 F, BW and VBMI): each half of the run is one byte
// permute of the 64 source bytes; the rest takes the AVX2 kernel.
template <class P>
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void RepeatPixelsTwiceAvx512(
    P* dst, const P* src, std::ptrdiff_t step, std::ptrdiff_t first, std::ptrdiff_t n) {
  constexpr int kBytes = sizeof(P);
  constexpr std::ptrdiff_t kPixels = 64 / kBytes;
  // Byte k of the run's first half: byte k % kBytes of source pixel k / kBytes / 2.
  static constexpr auto kFirstHalf = [] {
    std::array<std::uint8_t, 64> index{};
    for (int k = 0; k < 64; ++k)
      index[k] = static_cast<std::uint8_t>(k / kBytes / 2 * kBytes + k % kBytes);
    return index;
  }();
  if (step != 1 || n < 2 * kPixels + 1) {
    RepeatPixelsTwiceAvx2(dst, src, step, first, n);
    return;
  }
  if (first == 1) {
    *dst++ = *src++;
    --n;
  }
  const __m512i low = _mm512_loadu_si512(kFirstHalf.data());
  const __m512i high = _mm512_add_epi8(low, _mm512_set1_epi8(32));
  for (; n >= 2 * kPixels; n -= 2 * kPixels, src += kPixels, dst += 2 * kPixels) {
    const __m512i v = _mm512_loadu_si512(src);
    // The two-register form: the one-register permute warns of an undefined pass-through.
    _mm512_storeu_si512(dst, _mm512_permutex2var_epi8(v, low, v));
    _mm512_storeu_si512(dst + kPixels, _mm512_permutex2var_epi8(v, high, v));
  }
  RepeatPixelsTwiceAvx2(dst, src, 1, 2, n);
}
#endif

// Vector kernel of RepeatPixelsTwice for three-byte pixels and processors with SSSE3: sixteen
// source pixels, three registers, shuffled into the six registers of their run, for a source
// read rightwards; a source read leftwards takes the plain kernel.
template <class P>
__attribute__((target("ssse3"))) void RepeatPixelsTwiceSsse3(P* dst, const P* src,
                                                             std::ptrdiff_t step,
                                                             std::ptrdiff_t first,
                                                             std::ptrdiff_t n) {
  static_assert(sizeof(P) == 3);
  static constexpr auto kMasks = MakeShuffleMasks<6, 3>([](int r, int s, int i) {
    const int out = 16 * r + i;
    return ByteIn(3 * (out / 3 / 2) + out % 3, s);
  });
  if (step != 1 || n < 33) {
    RepeatPixelsTwice(dst, src, step, first, n);
    return;
  }
  if (first == 1) {
    *dst++ = *src++;
    --n;
  }
  const auto* masks = reinterpret_cast<const __m128i*>(kMasks.masks);
  for (; n >= 32; n -= 32, src += 16, dst += 32) {
    const auto* in = reinterpret_cast<const __m128i*>(src);
    const __m128i v[3] = {_mm_loadu_si128(in), _mm_loadu_si128(in + 1), _mm_loadu_si128(in + 2)};
    auto* out = reinterpret_cast<__m128i*>(dst);
    for (int r = 0; r < 6; ++r) {
      __m128i o = _mm_shuffle_epi8(v[0], _mm_load_si128(masks + 3 * r));
      o = _mm_or_si128(o, _mm_shuffle_epi8(v[1], _mm_load_si128(masks + 3 * r + 1)));
      o = _mm_or_si128(o, _mm_shuffle_epi8(v[2], _mm_load_si128(masks + 3 * r + 2)));
      _mm_storeu_si128(out + r, o);
    }
  }
  RepeatPixelsTwice(dst, src, 1, 2, n);
}

}  // namespace tesselox

#endif
