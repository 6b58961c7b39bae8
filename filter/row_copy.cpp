#include "filter/row_copy.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace tesselox {

void CopyPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t n) {
  if (n > 0) std::memcpy(static_cast<void*>(dst), src, static_cast<std::size_t>(n) * sizeof(Pixel));
}

void CopyPixelsReversed(Pixel* dst, const Pixel* src, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) dst[k] = src[-k];
}

void CopyPixelsStrided(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) {
    *dst++ = *src;
    src += step;
  }
}

void RepeatPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t factor,
                  std::ptrdiff_t first, std::ptrdiff_t n) {
  std::ptrdiff_t run = first < n ? first : n;
  while (n > 0) {
    const Pixel p = *src;
    for (std::ptrdiff_t k = 0; k < run; ++k) dst[k] = p;
    dst += run;
    n -= run;
    src += step;
    run = factor < n ? factor : n;
  }
}

void RepeatPixelsTwice(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t first,
                       std::ptrdiff_t n) {
  if (n <= 0) return;
  if (first == 1) {
    *dst++ = *src;
    src += step;
    --n;
  }
  for (; n >= 2; n -= 2) {
    const Pixel p = *src;
    dst[0] = p;
    dst[1] = p;
    dst += 2;
    src += step;
  }
  if (n == 1) *dst = *src;
}

void GatherPixels(Pixel* dst, const Pixel* row, const std::int32_t* map, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) dst[k] = row[map[k]];
}

void FillPixels(Pixel* dst, Pixel value, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) dst[k] = value;
}

}  // namespace tesselox
