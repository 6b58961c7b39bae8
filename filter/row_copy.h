#pragma once

#include <cstddef>
#include <cstdint>

#include "filter/image_view.h"
#include "filter/processor.h"

namespace tesselox {

// The row kernels of the copy. Each writes n consecutive destination pixels, left to right, and
// reads only the source pixels its arguments name. Source and destination must not overlap.

// dst[k] = src[k].
void CopyPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t n);

// dst[k] = src[-k]: a 1:1 run read leftwards.
void CopyPixelsReversed(Pixel* dst, const Pixel* src, std::ptrdiff_t n);

// Makes the streaming stores of the vector kernels visible before any later store; they need it
// once before the frame goes back to the host, not after every row. Nothing where there are none.
void FenceStreamingStores();

// dst[k] = src[k * step]: an integer shrink, either direction.
void CopyPixelsStrided(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t n);

// Each source pixel (src, src + step, ...) written `factor` times, the first one only `first`
// times (1 <= first <= factor).
void RepeatPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t factor,
                  std::ptrdiff_t first, std::ptrdiff_t n);

// RepeatPixels with factor 2.
void RepeatPixelsTwice(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t first,
                       std::ptrdiff_t n);

// dst[k] = row[map[k]] for maps made of runs of consecutive source columns: run r covers
// destination pixels [ends[r - 1], ends[r]) (from 0 for r = 0; the last end is n) and copies them
// from row[map[start]] on. Runs are moved 16 bytes at a time where the overshoot lands in later
// runs and inside the source row.
void CopyRuns(Pixel* dst, const Pixel* row, const std::int32_t* map, const std::int32_t* ends,
              std::ptrdiff_t runs, std::int32_t lastColumn);

// How destination pixels map[0..7] take their sources: 0 when they are eight consecutive
// columns, d (1..7) when they are seven with pixel d repeating pixel d - 1, else -1.
int BlockShape(const std::int32_t* map);

// dst[k] = value.
void FillPixels(Pixel* dst, Pixel value, std::ptrdiff_t n);

#ifdef TESSELOX_X86
// Vector kernel of CopyPixelsReversed for processors with SSSE3 (HaveSsse3), which streams the run
// to memory past the caches.
void CopyPixelsReversedSsse3(Pixel* dst, const Pixel* src, std::ptrdiff_t n);

// dst[k] = row[map[k]] for processors with SSSE3 (HaveSsse3), fast for blocks of eight destination
// pixels whose shape (shapes[k / 8], from BlockShape) is not -1: an enlargement by less than
// 8/7 makes nothing else. Other blocks are gathered pixel by pixel.
void GatherNearOneSsse3(Pixel* dst, const Pixel* row, const std::int32_t* map,
                        const std::int8_t* shapes, std::int32_t lastColumn, std::ptrdiff_t n);
#endif

}  // namespace tesselox
