#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/image_view.h"

namespace tesselox {

// The row routines of the copy. Each writes n consecutive destination pixels, left to right, and
// reads only the source pixels its arguments name. Source and destination must not overlap.

// dst[k] = src[k].
void CopyPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t n);

// dst[k] = src[-k]: a 1:1 run read leftwards.
void CopyPixelsReversed(Pixel* dst, const Pixel* src, std::ptrdiff_t n);

// dst[k] = src[k * step]: an integer shrink, either direction.
void CopyPixelsStrided(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t n);

// Each source pixel (src, src + step, ...) written `factor` times, the first one only `first`
// times (1 <= first <= factor).
void RepeatPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t factor,
                  std::ptrdiff_t first, std::ptrdiff_t n);

// RepeatPixels with factor 2.
void RepeatPixelsTwice(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t first,
                       std::ptrdiff_t n);

// dst[k] = row[map[k]].
void GatherPixels(Pixel* dst, const Pixel* row, const std::int32_t* map, std::ptrdiff_t n);

// dst[k] = value.
void FillPixels(Pixel* dst, Pixel value, std::ptrdiff_t n);

}  // namespace tesselox
