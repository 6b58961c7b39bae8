#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

#include "filter/plane_view.h"
#include "filter/processor.h"

namespace tesselox {

// The row kernels of the copy, for pixels of any type P (PixelBytes). Each writes n
// consecutive destination pixels, left to right, and reads only the source pixels its arguments
// name. Source and destination must not overlap.

// Bytes a kernel may move at once for one pixel of P where the bytes beyond it are known to lie
// inside the source row and inside the destination run (the next store overwrites them): an odd
// size moves as the next power of two.
template <class P>
inline constexpr std::size_t kWideBytes = sizeof(P) == 3   ? 4
                                          : sizeof(P) == 6 ? 8
                                                           : sizeof(P);

template <class P>
inline void MoveWide(P* dst, const P* src) {
  std::uint8_t v[kWideBytes<P>];
  std::memcpy(v, src, sizeof v);
  std::memcpy(static_cast<void*>(dst), v, sizeof v);
}

// dst[k] = src[k].
template <class P>
void CopyPixels(P* dst, const P* src, std::ptrdiff_t n) {
  if (n > 0) std::memcpy(static_cast<void*>(dst), src, static_cast<std::size_t>(n) * sizeof(P));
}

// dst[k] = src[k * step]: an integer shrink, either direction.
template <class P>
void CopyPixelsStrided(P* dst, const P* src, std::ptrdiff_t step, std::ptrdiff_t n) {
  if (n <= 0) return;
  // Reading forwards the pixel after src[k * step] (k < n - 1) lies before src[(k + 1) * step];
  // reading backwards the one after src[k * step] (k > 0) is at or before src[(k - 1) * step].
  std::ptrdiff_t k = 0;
  if (step < 0) {
    dst[0] = src[0];
    k = 1;
  }
  for (; k < n - 1; ++k) MoveWide(dst + k, src + k * step);
  if (k < n) dst[k] = src[k * step];
}

// dst[k] = src[-k]: a 1:1 run read leftwards.
template <class P>
void CopyPixelsReversed(P* dst, const P* src, std::ptrdiff_t n) {
  CopyPixelsStrided(dst, src, -1, n);
}

// Each source pixel (src, src + step, ...) written `factor` times, the first one only `first`
// times (1 <= first <= factor).
template <class P>
void RepeatPixels(P* dst, const P* src, std::ptrdiff_t step, std::ptrdiff_t factor,
                  std::ptrdiff_t first, std::ptrdiff_t n) {
  std::ptrdiff_t run = first < n ? first : n;
  while (n > 0) {
    const P p = *src;
    for (std::ptrdiff_t k = 0; k < run; ++k) dst[k] = p;
    dst += run;
    n -= run;
    src += step;
    run = factor < n ? factor : n;
  }
}

// RepeatPixels with factor 2.
template <class P>
void RepeatPixelsTwice(P* dst, const P* src, std::ptrdiff_t step, std::ptrdiff_t first,
                       std::ptrdiff_t n) {
  if (n <= 0) return;
  if (first == 1) {
    *dst++ = *src;
    src += step;
    --n;
  }
  for (; n >= 2; n -= 2) {
    const P p = *src;
    dst[0] = p;
    dst[1] = p;
    dst += 2;
    src += step;
  }
  if (n == 1) *dst = *src;
}

// dst[k] = value.
template <class P>
void FillPixels(P* dst, P value, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) dst[k] = value;
}

namespace internal {

// Calls move(start, end, to, from) for run after run: destination pixels [start, end) at `to`,
// their source pixels at `from`.
template <class P, typename Move>
inline void ForEachRun(P* dst, const P* row, const std::int32_t* map, const std::int32_t* ends,
                       std::ptrdiff_t runs, Move move) {
  std::int32_t start = 0;
  for (std::ptrdiff_t r = 0; r < runs; ++r) {
    const std::int32_t end = ends[r];
    move(start, end, reinterpret_cast<std::uint8_t*>(dst + start),
         reinterpret_cast<const std::uint8_t*>(row + map[start]));
    start = end;
  }
}

// Every run moved as the same kChunks 16-byte moves, so that the loop does not branch on a
// run's length; where the block would reach past the destination run or the source row, the
// run is copied exactly.
template <class P, int kChunks>
void CopyRunsInBlocks(P* dst, const P* row, const std::int32_t* map, const std::int32_t* ends,
                      std::ptrdiff_t runs, std::int32_t lastColumn) {
  constexpr auto kSpan = static_cast<std::int32_t>((16 * kChunks + sizeof(P) - 1) / sizeof(P));
  const std::int32_t n = ends[runs - 1];
  ForEachRun(dst, row, map, ends, runs,
             [&](std::int32_t start, std::int32_t end, std::uint8_t* to, const std::uint8_t* from) {
               if (start + kSpan <= n && map[start] + kSpan <= lastColumn + 1) {
                 for (int c = 0; c < kChunks; ++c) std::memcpy(to + 16 * c, from + 16 * c, 16);
               } else {
                 std::memcpy(to, from, static_cast<std::size_t>(end - start) * sizeof(P));
               }
             });
}

}  // namespace internal

// dst[k] = row[map[k]] for maps made of runs of consecutive source columns: run r covers
// destination pixels [ends[r - 1], ends[r]) (from 0 for r = 0; the last end is n) and copies
// them from row[map[start]] on. Runs are moved 16 bytes at a time where the overshoot lands in
// later runs and inside the source row.
template <class P>
void CopyRuns(P* dst, const P* row, const std::int32_t* map, const std::int32_t* ends,
              std::ptrdiff_t runs, std::int32_t lastColumn) {
  if (runs <= 0) return;
  std::int32_t longest = ends[0];
  for (std::ptrdiff_t r = 1; r < runs; ++r) longest = std::max(longest, ends[r] - ends[r - 1]);
  // Runs of up to six 16-byte moves in blocks of the longest run's size (two at least).
  using Blocks = void (*)(P*, const P*, const std::int32_t*, const std::int32_t*, std::ptrdiff_t,
                          std::int32_t);
  static constexpr Blocks kInBlocks[] = {
      internal::CopyRunsInBlocks<P, 2>, internal::CopyRunsInBlocks<P, 2>,
      internal::CopyRunsInBlocks<P, 2>, internal::CopyRunsInBlocks<P, 3>,
      internal::CopyRunsInBlocks<P, 4>, internal::CopyRunsInBlocks<P, 5>,
      internal::CopyRunsInBlocks<P, 6>};
  const std::ptrdiff_t chunks =
      (static_cast<std::ptrdiff_t>(longest) * static_cast<std::ptrdiff_t>(sizeof(P)) + 15) / 16;
  if (chunks < static_cast<std::ptrdiff_t>(std::size(kInBlocks))) {
    kInBlocks[chunks](dst, row, map, ends, runs, lastColumn);
    return;
  }
  // Long runs: the length branch is rarely taken anew. Up to 15 bytes past the run, which
  // later runs overwrite.
  constexpr auto kOver = static_cast<std::int32_t>((15 + sizeof(P) - 1) / sizeof(P));
  const std::int32_t n = ends[runs - 1];
  internal::ForEachRun(
      dst, row, map, ends, runs,
      [&](std::int32_t start, std::int32_t end, std::uint8_t* to, const std::uint8_t* from) {
        const std::size_t size = static_cast<std::size_t>(end - start) * sizeof(P);
        if (end + kOver <= n && map[end - 1] + kOver <= lastColumn) {
          for (std::size_t o = 0; o < size; o += 16) std::memcpy(to + o, from + o, 16);
        } else {
          std::memcpy(to, from, size);
        }
      });
}

// How destination pixels map[0..7] take their sources: 0 when they are eight consecutive
// columns, d (1..7) when they are seven with pixel d repeating pixel d - 1, else -1.
int BlockShape(const std::int32_t* map);

// Makes the streaming stores of the vector kernels visible before any later store; they need it
// once before the frame goes back to the host, not after every row. Nothing where there are none.
void FenceStreamingStores();

#ifdef TESSELOX_X86
// dst[k] = row[map[k]] for six-byte pixels and processors with SSSE3 (HaveSsse3), fast for
// blocks of eight destination pixels whose shape (shapes[k / 8], from BlockShape) is not -1: an
// enlargement by less than 8/7 makes nothing else. Other blocks are gathered pixel by pixel.
void GatherNearOneSsse3(Pixel* dst, const Pixel* row, const std::int32_t* map,
                        const std::int8_t* shapes, std::int32_t lastColumn, std::ptrdiff_t n,
                        bool stream);
#endif

}  // namespace tesselox
