#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/gather_blocks.h"

#ifdef TESSELOX_X86_64
#include <immintrin.h>

namespace tesselox {
namespace {

#define TESSELOX_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

// The bytes of [at, at + 64) that lie before `end`, as a load mask.
TESSELOX_AVX512 inline __mmask64 BytesBefore(std::ptrdiff_t at, std::ptrdiff_t end) {
  const std::ptrdiff_t some = end - at;
  return some >= 64 ? ~__mmask64{0} : some <= 0 ? __mmask64{0} : (__mmask64{1} << some) - 1;
}

template <int kBytes, int kRegs>
TESSELOX_AVX512 void PermuteRow(std::uint8_t* dst, const std::uint8_t* row, PermuteBlocks blocks,
                                const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                                std::ptrdiff_t rowBytes) {
  constexpr std::ptrdiff_t kPixels = PermuteBlockPixels(kBytes);
  for (std::ptrdiff_t b = 0; b < blocks.count; ++b) {
    std::uint8_t* out = dst + kPixels * kBytes * b;
    const std::ptrdiff_t first = kPixels * b;
    const std::ptrdiff_t pixels = n - first < kPixels ? n - first : kPixels;
    const std::int32_t base = blocks.bases[b];
    if (base < 0) {
      for (std::ptrdiff_t t = 0; t < pixels; ++t)
        std::memcpy(out + kBytes * t, row + static_cast<std::ptrdiff_t>(map[first + t]) * kBytes,
                    kBytes);
      continue;
    }
    const std::uint8_t* p = row + base;
    __m512i v[kRegs];
    if (base + 64 * kRegs <= rowBytes) {
      for (int s = 0; s < kRegs; ++s) {
        // A shrink's next rows lie too far apart for the hardware prefetcher.
        _mm_prefetch(reinterpret_cast<const char*>(p + 64 * s + ahead), _MM_HINT_T0);
        v[s] = _mm512_loadu_si512(p + 64 * s);
      }
    } else {
      // Near the row's end the loads stop at its last byte.
      for (int s = 0; s < kRegs; ++s)
        v[s] = _mm512_maskz_loadu_epi8(BytesBefore(base + 64 * s, rowBytes), p + 64 * s);
    }
    const __m512i index = _mm512_loadu_si512(blocks.indices + 64 * b);
    // One register is its own second table: the indices stay below 64.
    __m512i o = _mm512_permutex2var_epi8(v[0], index, v[kRegs > 1 ? 1 : 0]);
    // Indices from 128 on (their top bit set) take the third register.
    if constexpr (kRegs == 3)
      o = _mm512_mask_permutexvar_epi8(o, _mm512_movepi8_mask(index), index, v[2]);
    if (pixels * kBytes == 64) {
      _mm512_storeu_si512(out, o);
    } else {
      _mm512_mask_storeu_epi8(out, BytesBefore(0, pixels * kBytes), o);
    }
  }
}

#undef TESSELOX_AVX512

}  // namespace

template <int kBytes>
void GatherPermuted(std::uint8_t* dst, const std::uint8_t* row, const PermuteBlocks& blocks,
                    const std::int32_t* map, std::ptrdiff_t n, std::ptrdiff_t ahead,
                    std::int32_t lastColumn, ClearStream* clear, int linesPerBlock) {
  // The blocks by value: the stores could otherwise alias them, reloaded every block.
  const std::ptrdiff_t rowBytes = (static_cast<std::ptrdiff_t>(lastColumn) + 1) * kBytes;
  WithRegisters(blocks.regs, [&](auto regs) {
    PermuteRow<kBytes, decltype(regs)::value>(dst, row, blocks, map, n, ahead, rowBytes);
  });
  if (clear != nullptr) clear->Take(RowClearShare(n, linesPerBlock));
}

template void GatherPermuted<1>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);
template void GatherPermuted<2>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);
template void GatherPermuted<3>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);
template void GatherPermuted<4>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);
template void GatherPermuted<6>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);
template void GatherPermuted<8>(std::uint8_t*, const std::uint8_t*, const PermuteBlocks&,
                                const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, std::int32_t,
                                ClearStream*, int);

}  // namespace tesselox

#endif
