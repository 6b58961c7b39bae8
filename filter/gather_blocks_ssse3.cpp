#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/gather_blocks.h"

#ifdef TESSELOX_X86
#include <immintrin.h>

namespace tesselox {
namespace {

template <int kBytes, int kRegs>
__attribute__((target("ssse3"))) void GatherInRegisters(std::uint8_t* dst, const std::uint8_t* row,
                                                        const ShuffleBlocks& blocks,
                                                        const std::int32_t* map,
                                                        std::ptrdiff_t ahead) {
  constexpr int kPixels = ShuffleBlockPixels(kBytes);
  constexpr std::ptrdiff_t kOut = kPixels * kBytes;
  const auto* masks = reinterpret_cast<const __m128i*>(blocks.masks);
  for (std::ptrdiff_t b = 0; b < blocks.count; ++b, masks += kRegs) {
    std::uint8_t* out = dst + kOut * b;
    const std::int32_t base = blocks.bases[b];
    if (base < 0) {
      for (int t = 0; t < kPixels; ++t) {
        std::memcpy(out + kBytes * t,
                    row + static_cast<std::ptrdiff_t>(map[kPixels * b + t]) * kBytes, kBytes);
      }
      continue;
    }
    const std::uint8_t* p = row + base;
    // A shrink's next rows lie too far apart for the hardware prefetcher.
    _mm_prefetch(reinterpret_cast<const char*>(p + ahead), _MM_HINT_T0);
    const auto* in = reinterpret_cast<const __m128i*>(p);
    __m128i o = _mm_shuffle_epi8(_mm_loadu_si128(in), _mm_load_si128(masks));
    for (int s = 1; s < kRegs; ++s) {
      o = _mm_or_si128(o, _mm_shuffle_epi8(_mm_loadu_si128(in + s), _mm_load_si128(masks + s)));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), o);
  }
}

}  // namespace

template <int kBytes>
void GatherShuffled(std::uint8_t* dst, const std::uint8_t* row, const ShuffleBlocks& blocks,
                    const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                    ClearStream* clear, int linesPerBlock) {
  switch (blocks.regs) {
    case 1:
      GatherInRegisters<kBytes, 1>(dst, row, blocks, map, ahead);
      break;
    case 2:
      GatherInRegisters<kBytes, 2>(dst, row, blocks, map, ahead);
      break;
    default:
      GatherInRegisters<kBytes, 3>(dst, row, blocks, map, ahead);
      break;
  }
  for (std::ptrdiff_t k = ShuffleBlockPixels(kBytes) * blocks.count; k < n; ++k) {
    std::memcpy(dst + kBytes * k, row + static_cast<std::ptrdiff_t>(map[k]) * kBytes, kBytes);
  }
  // The row's share of the clear in one go, into the cache, where the frame stays.
  if (clear != nullptr) clear->Take(n / 8 * linesPerBlock * 64);
}

template void GatherShuffled<1>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                int);
template void GatherShuffled<2>(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                                int);

}  // namespace tesselox

#endif
