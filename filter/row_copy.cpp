#include "filter/row_copy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iterator>

namespace tesselox {

void CopyPixels(Pixel* dst, const Pixel* src, std::ptrdiff_t n) {
  if (n > 0) std::memcpy(static_cast<void*>(dst), src, static_cast<std::size_t>(n) * sizeof(Pixel));
}

namespace {

// Pixels move as one 8-byte load and one 8-byte store where the two bytes beyond the pixel are
// known to lie inside the source row and inside the destination run (the next store overwrites
// them); elsewhere as 6 bytes.
std::uint64_t Load8(const Pixel* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

void Store8(Pixel* p, std::uint64_t v) {
  std::memcpy(static_cast<void*>(p), &v, 8);
}

}  // namespace

void CopyPixelsReversed(Pixel* dst, const Pixel* src, std::ptrdiff_t n) {
  CopyPixelsStrided(dst, src, -1, n);
}

void CopyPixelsStrided(Pixel* dst, const Pixel* src, std::ptrdiff_t step, std::ptrdiff_t n) {
  if (n <= 0) return;
  // Reading forwards the pixel after src[k * step] (k < n - 1) lies before src[(k + 1) * step];
  // reading backwards the one after src[k * step] (k > 0) is at or before src[(k - 1) * step].
  std::ptrdiff_t k = 0;
  if (step < 0) {
    dst[0] = src[0];
    k = 1;
  }
  for (; k < n - 1; ++k) Store8(dst + k, Load8(src + k * step));
  if (k < n) dst[k] = src[k * step];
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

namespace {

// Calls move(start, end, to, from) for run after run: destination pixels [start, end) at `to`,
// their source pixels at `from`.
template <typename Move>
inline void ForEachRun(Pixel* dst, const Pixel* row, const std::int32_t* map,
                       const std::int32_t* ends, std::ptrdiff_t runs, Move move) {
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
template <int kChunks>
void CopyRunsInBlocks(Pixel* dst, const Pixel* row, const std::int32_t* map,
                      const std::int32_t* ends, std::ptrdiff_t runs, std::int32_t lastColumn) {
  constexpr std::int32_t kSpan = (16 * kChunks + 5) / 6;  // pixels a block touches
  const std::int32_t n = ends[runs - 1];
  ForEachRun(dst, row, map, ends, runs,
             [&](std::int32_t start, std::int32_t end, std::uint8_t* to, const std::uint8_t* from) {
               if (start + kSpan <= n && map[start] + kSpan <= lastColumn + 1) {
                 for (int c = 0; c < kChunks; ++c) std::memcpy(to + 16 * c, from + 16 * c, 16);
               } else {
                 std::memcpy(to, from, static_cast<std::size_t>(end - start) * sizeof(Pixel));
               }
             });
}

}  // namespace

void CopyRuns(Pixel* dst, const Pixel* row, const std::int32_t* map, const std::int32_t* ends,
              std::ptrdiff_t runs, std::int32_t lastColumn) {
  if (runs <= 0) return;
  std::int32_t longest = ends[0];
  for (std::ptrdiff_t r = 1; r < runs; ++r) {
    longest = std::max(longest, ends[r] - ends[r - 1]);
  }
  // Runs of up to six 16-byte moves in blocks of the longest run's size (two at least).
  using Blocks = void (*)(Pixel*, const Pixel*, const std::int32_t*, const std::int32_t*,
                          std::ptrdiff_t, std::int32_t);
  static constexpr Blocks kInBlocks[] = {
      CopyRunsInBlocks<2>, CopyRunsInBlocks<2>, CopyRunsInBlocks<2>, CopyRunsInBlocks<3>,
      CopyRunsInBlocks<4>, CopyRunsInBlocks<5>, CopyRunsInBlocks<6>};
  const std::ptrdiff_t chunks = (static_cast<std::ptrdiff_t>(longest) * 6 + 15) / 16;
  if (chunks < static_cast<std::ptrdiff_t>(std::size(kInBlocks))) {
    kInBlocks[chunks](dst, row, map, ends, runs, lastColumn);
    return;
  }
  // Long runs: the length branch is rarely taken anew.
  const std::int32_t n = ends[runs - 1];
  ForEachRun(dst, row, map, ends, runs,
             [&](std::int32_t start, std::int32_t end, std::uint8_t* to, const std::uint8_t* from) {
               const std::size_t size = static_cast<std::size_t>(end - start) * sizeof(Pixel);
               // Up to 15 bytes past the run, less than three pixels, which later runs overwrite.
               if (end + 3 <= n && map[end - 1] + 3 <= lastColumn) {
                 for (std::size_t o = 0; o < size; o += 16) std::memcpy(to + o, from + o, 16);
               } else {
                 std::memcpy(to, from, size);
               }
             });
}

int BlockShape(const std::int32_t* map) {
  const std::int32_t span = map[7] - map[0];
  if (span == 7) {
    for (int t = 1; t < 8; ++t) {
      if (map[t] != map[0] + t) return -1;
    }
    return 0;
  }
  if (span != 6) return -1;
  int shape = -1;
  for (int t = 1; t < 8; ++t) {
    const std::int32_t step = map[t] - map[t - 1];
    if (step == 0 && shape < 0) {
      shape = t;
    } else if (step != 1) {
      return -1;
    }
  }
  return shape;
}

void FillPixels(Pixel* dst, Pixel value, std::ptrdiff_t n) {
  for (std::ptrdiff_t k = 0; k < n; ++k) dst[k] = value;
}

}  // namespace tesselox
