#pragma once

#include "filter/clear_outside.h"
#include "filter/processor.h"

#ifdef TESSELOX_X86
#include <immintrin.h>

namespace tesselox {

// Sets `lines` of the clear's whole lines from `at` on (the vector kernels keep a copy of
// clear.whole in registers and hand it back after the row), streamed past the caches or not,
// moving on to later ranges as each runs out. False once the clear has no whole lines left.
template <bool kStream = true>
__attribute__((target("avx"))) inline bool StreamClearLines(ClearStream& clear,
                                                            ClearStream::Lines& at, int lines) {
  const std::uint8_t* pattern = clear.Pattern();
  const int step = clear.LineStep(), size = clear.PixelBytes();
  for (int line = 0; line < lines; ++line) {
    if (at.next == at.end) {
      clear.whole = at;
      const bool more = clear.Refill();
      at = clear.whole;
      if (!more) return false;
    }
    const auto* from = reinterpret_cast<const __m256i*>(pattern + at.phase);
    auto* to = reinterpret_cast<__m256i*>(at.next);
    if constexpr (kStream) {
      _mm256_stream_si256(to, _mm256_loadu_si256(from));
      _mm256_stream_si256(to + 1, _mm256_loadu_si256(from + 1));
    } else {
      _mm256_store_si256(to, _mm256_loadu_si256(from));
      _mm256_store_si256(to + 1, _mm256_loadu_si256(from + 1));
    }
    at.next += 64;
    at.phase += step;
    if (at.phase >= size) at.phase -= size;
  }
  return true;
}

}  // namespace tesselox

#endif
