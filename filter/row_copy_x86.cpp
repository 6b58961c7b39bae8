#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/clear_lines_x86.h"
#include "filter/gather_blocks.h"
#include "filter/processor.h"
#include "filter/row_copy.h"
#include "filter/row_copy_x86.h"
#include "filter/shuffle_masks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>
#endif

namespace tesselox {

#ifdef TESSELOX_X86
namespace {

// Eight destination pixels from eight consecutive source pixels held in three registers, either
// one to one (shape 0) or with pixel d repeating pixel d - 1 (shape d, 1 <= d <= 7; the eighth
// source pixel is then unused).
constexpr std::array<ShuffleMasks<3, 3>, 8> MakeRunMasks() {
  std::array<ShuffleMasks<3, 3>, 8> m{};
  for (int shape = 0; shape < 8; ++shape) {
    m[shape] = MakeShuffleMasks<3, 3>([shape](int r, int s, int i) {
      const int out = 16 * r + i, pixel = out / 6;
      const int source = shape != 0 && pixel >= shape ? pixel - 1 : pixel;
      return ByteIn(6 * source + out % 6, s);
    });
  }
  return m;
}

constexpr std::array<ShuffleMasks<3, 3>, 8> kRunMasks = MakeRunMasks();

// Eight pixels loaded two to a register (pixel 2s at bytes 0..5 of register s, pixel 2s + 1 at
// bytes 8..13), packed: output register r takes from registers r and r + 1.
constexpr ShuffleMasks<3, 2> kPack = MakeShuffleMasks<3, 2>([](int r, int s, int i) {
  const int out = 16 * r + i, pixel = out / 6;
  return pixel / 2 == r + s ? 8 * (pixel % 2) + out % 6 : -128;
});

// The eight bytes at `first` in the low half, those at `second` in the high half.
__attribute__((target("ssse3"))) inline __m128i LoadPair(const std::uint8_t* first,
                                                         const std::uint8_t* second) {
  const __m128i low = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(first));
  return _mm_castps_si128(
      _mm_loadh_pi(_mm_castsi128_ps(low), reinterpret_cast<const __m64*>(second)));
}

}  // namespace

__attribute__((target("sse2"))) void FenceStreamingStores() {
  _mm_sfence();
}

__attribute__((target("ssse3"))) void GatherNearOneSsse3(Pixel* dst, const Pixel* row,
                                                         const std::int32_t* map,
                                                         const std::int8_t* shapes,
                                                         std::int32_t lastColumn, std::ptrdiff_t n,
                                                         bool stream) {
  const bool aligned = stream && (reinterpret_cast<std::uintptr_t>(dst) & 15) == 0;
  std::ptrdiff_t k = 0;
  for (std::ptrdiff_t block = 0; k + 8 <= n; ++block, k += 8) {
    const int shape = shapes[block];
    // Eight source pixels from map[k] on must lie in the row.
    if (shape < 0 || map[k] + 8 > lastColumn + 1) {
      for (int t = 0; t < 8; ++t) dst[k + t] = row[map[k + t]];
      continue;
    }
    ShuffleRegisters<3>(reinterpret_cast<const std::uint8_t*>(row + map[k]), kRunMasks[shape],
                        reinterpret_cast<__m128i*>(dst + k), aligned);
  }
  _mm_sfence();
  for (; k < n; ++k) dst[k] = row[map[k]];
}

// Streaming stores fill a cache line in the write-combining buffers and go to memory without
// reading the line first, but a line they only partly fill is slow; blocks of 48 bytes and lines
// of 64 meet every 192 bytes, so a row 16-byte aligned streams from the first block that starts a
// line, four blocks at a time. Only with a clear: then the whole frame goes to memory, while a
// copy alone was faster with its rows left in the caches. No fence per row: the caller fences
// once (FenceStreamingStores).
__attribute__((target("avx"))) void GatherBlocksAvx(Pixel* dst, const Pixel* row,
                                                    const GatherBlock* blocks,
                                                    const std::int32_t* map, std::ptrdiff_t n,
                                                    std::ptrdiff_t ahead, ClearStream* clear,
                                                    int linesPerBlock, bool stream) {
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(row);
  const auto* masks = reinterpret_cast<const __m128i*>(kPack.masks);
  const __m128i m00 = _mm_load_si128(masks), m01 = _mm_load_si128(masks + 1);
  const __m128i m10 = _mm_load_si128(masks + 2), m11 = _mm_load_si128(masks + 3);
  const __m128i m20 = _mm_load_si128(masks + 4), m21 = _mm_load_si128(masks + 5);
  const std::ptrdiff_t whole = n / 8;
  std::ptrdiff_t streamFrom = whole, streamTo = whole;
  const auto address = reinterpret_cast<std::uintptr_t>(dst);
  if (clear != nullptr && stream && (address & 15) == 0) {
    streamFrom = 0;
    while (((address + 48 * static_cast<std::uintptr_t>(streamFrom)) & 63) != 0) ++streamFrom;
    if (streamFrom > whole) streamFrom = whole;
    streamTo = streamFrom + (whole - streamFrom) / 4 * 4;
  }
  int quota = clear != nullptr ? linesPerBlock : 0;
  ClearStream::Lines at = clear != nullptr ? clear->whole : ClearStream::Lines{nullptr, nullptr, 0};
  for (std::ptrdiff_t b = 0; b < whole; ++b) {
    const GatherBlock& block = blocks[b];
    Pixel* out = dst + 8 * b;
    if (block.base < 0) {
      for (int t = 0; t < 8; ++t) out[t] = row[map[8 * b + t]];
    } else {
      const std::uint8_t* p = bytes + block.base;
      // Two lines cover the sources of a block for shrinks up to about 2.5.
      const std::uintptr_t later = reinterpret_cast<std::uintptr_t>(p) + ahead;
      _mm_prefetch(reinterpret_cast<const char*>(later), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(later + 64), _MM_HINT_T0);
      std::uint32_t low, high;
      std::memcpy(&low, block.delta, 4);
      std::memcpy(&high, block.delta + 4, 4);
      const __m128i v0 = LoadPair(p + (low & 0xFF), p + (low >> 8 & 0xFF));
      const __m128i v1 = LoadPair(p + (low >> 16 & 0xFF), p + (low >> 24));
      const __m128i v2 = LoadPair(p + (high & 0xFF), p + (high >> 8 & 0xFF));
      const __m128i v3 = LoadPair(p + (high >> 16 & 0xFF), p + (high >> 24));
      const __m128i o0 = _mm_or_si128(_mm_shuffle_epi8(v0, m00), _mm_shuffle_epi8(v1, m01));
      const __m128i o1 = _mm_or_si128(_mm_shuffle_epi8(v1, m10), _mm_shuffle_epi8(v2, m11));
      const __m128i o2 = _mm_or_si128(_mm_shuffle_epi8(v2, m20), _mm_shuffle_epi8(v3, m21));
      auto* to = reinterpret_cast<__m128i*>(out);
      if (b >= streamFrom && b < streamTo) {
        _mm_stream_si128(to, o0);
        _mm_stream_si128(to + 1, o1);
        _mm_stream_si128(to + 2, o2);
      } else {
        _mm_storeu_si128(to, o0);
        _mm_storeu_si128(to + 1, o1);
        _mm_storeu_si128(to + 2, o2);
      }
    }
    if (quota > 0 && !(stream ? StreamClearLines<true>(*clear, at, quota)
                              : StreamClearLines<false>(*clear, at, quota)))
      quota = 0;
  }
  if (clear != nullptr) clear->whole = at;
  for (std::ptrdiff_t k = 8 * whole; k < n; ++k) dst[k] = row[map[k]];
}

#else

void FenceStreamingStores() {}

#endif

}  // namespace tesselox
