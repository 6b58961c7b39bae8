#include "filter/execute_copy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "filter/gather_blocks.h"
#include "filter/row_copy.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

// At most 512 bytes of the clear beside each 48-byte block the gather draws, enough to spread a
// clear of ten times the drawn area; a larger one is finished after the last row.
constexpr i64 kMaxLinesPerBlock = 8;

// Fills map[t] with the source column of destination position p0 + t (positions count from the
// leftmost written column), for t < n.
void BuildColumnMap(const AxisPlan& cols, i64 p0, i64 n, std::int32_t* map) {
  const bool forward = cols.dstStep > 0;
  const i64 k0 = forward ? p0 : cols.count - p0 - n;  // lowest walk index of the chunk
  AxisCursor c = CursorAt(cols, k0);
  for (i64 t = 0; t < n; ++t) {
    const i64 k = k0 + t;
    const auto column = static_cast<std::int32_t>(k < cols.inside ? c.index : cols.edge);
    map[forward ? t : n - 1 - t] = column;
    c.Advance(cols);
  }
}

// Ends the runs of consecutive source columns in map[0, n); returns how many there are.
std::ptrdiff_t FindRuns(const std::int32_t* map, std::ptrdiff_t n, std::int32_t* ends) {
  std::ptrdiff_t runs = 0;
  for (std::ptrdiff_t t = 1; t < n; ++t) {
    if (map[t] != map[t - 1] + 1) ends[runs++] = static_cast<std::int32_t>(t);
  }
  ends[runs++] = static_cast<std::int32_t>(n);
  return runs;
}

// What a routine needs for every row, worked out once per frame.
struct RowSetup {
  RowRoutine routine;
  bool simd;              // use the vector twin where there is one
  bool avx;               // Map: the gather's twin for AVX
  bool nearOne;           // Runs: an enlargement by less than 8/7, for the vector gather
  std::ptrdiff_t count;   // pixels per row
  std::ptrdiff_t first;   // source column of the leftmost pixel (Copy, Reverse, Strided), or of
                          // the first pixel of the walk (Repeat*)
  std::ptrdiff_t step;    // source step per pixel (Strided, Repeat*)
  std::ptrdiff_t run;     // Repeat*: pixels taking the first source pixel
  std::ptrdiff_t factor;  // Repeat: pixels per source pixel after the first
  std::ptrdiff_t inside;  // Repeat*: pixels before the edge repeat
  std::ptrdiff_t edge;    // Repeat*: the repeated edge column
};

RowSetup SetUpRows(RowRoutine routine, const AxisPlan& cols, bool simd) {
  RowSetup s{};
  s.routine = routine;
  s.simd = simd && HaveSsse3();
  s.avx = simd && HaveAvx();
  s.nearOne = routine == RowRoutine::Runs && cols.whole == 0 &&
              8 * static_cast<std::uint64_t>(cols.dcAbs - cols.frac) <= cols.dcAbs;
  s.count = static_cast<std::ptrdiff_t>(cols.count);
  s.inside = static_cast<std::ptrdiff_t>(cols.inside);
  s.edge = static_cast<std::ptrdiff_t>(cols.edge);
  switch (routine) {
    case RowRoutine::Copy:
    case RowRoutine::Reverse:
    case RowRoutine::Strided: {
      const i64 leftmost = cols.dstStep > 0 ? 0 : cols.count - 1;
      s.first = static_cast<std::ptrdiff_t>(SourceIndexAt(cols, leftmost));
      // Read left to right along the destination, the source moves against the walk when the
      // destination runs leftwards.
      s.step = static_cast<std::ptrdiff_t>(cols.whole) * cols.srcStep * cols.dstStep;
      break;
    }
    case RowRoutine::RepeatTwice:
    case RowRoutine::Repeat:
      s.first = static_cast<std::ptrdiff_t>(cols.srcStart);
      s.step = cols.srcStep;
      s.factor = static_cast<std::ptrdiff_t>(cols.dcAbs / cols.frac);
      s.run = static_cast<std::ptrdiff_t>((cols.dcAbs - cols.acc) / cols.frac);
      break;
    case RowRoutine::Runs:
    case RowRoutine::Map:
      break;
  }
  return s;
}

void DrawRow(const RowSetup& s, Pixel* out, const Pixel* row) {
  switch (s.routine) {
    case RowRoutine::Copy:
      CopyPixels(out, row + s.first, s.count);
      return;
    case RowRoutine::Reverse:
      if (s.simd) {
        CopyPixelsReversedSsse3(out, row + s.first, s.count);
      } else {
        CopyPixelsReversed(out, row + s.first, s.count);
      }
      return;
    case RowRoutine::Strided:
      CopyPixelsStrided(out, row + s.first, s.step, s.count);
      return;
    case RowRoutine::RepeatTwice:
      RepeatPixelsTwice(out, row + s.first, s.step, s.run, s.inside);
      FillPixels(out + s.inside, row[s.edge], s.count - s.inside);
      return;
    case RowRoutine::Repeat:
      RepeatPixels(out, row + s.first, s.step, s.factor, s.run, s.inside);
      FillPixels(out + s.inside, row[s.edge], s.count - s.inside);
      return;
    case RowRoutine::Runs:
    case RowRoutine::Map:
      return;  // drawn chunk by chunk by the caller
  }
}

}  // namespace

bool ClearsAlongRows(RowRoutine routine) {
  return routine == RowRoutine::Map;
}

void ExecuteCopy(const ImageView& dst, const ImageView& src, const CopyPlan& plan,
                 RowRoutine routine, bool simd, ClearStream* clear) {
  if (!plan.draw || plan.cols.count <= 0 || plan.rows.count <= 0) {
    if (clear != nullptr) clear->Finish();
    return;
  }
  const AxisPlan& cols = plan.cols;
  const AxisPlan& rows = plan.rows;
  if (!RowRoutineFits(routine, cols)) routine = RowRoutine::Map;
  const RowSetup setup = SetUpRows(routine, cols, simd);
  if (clear != nullptr && !ClearsAlongRows(routine)) {
    clear->Finish();
    clear = nullptr;
  }
  // The clear's lines shared out evenly over the blocks the gather draws; what a row reused from
  // the previous one or the cap leaves is cleared at the end.
  int linesPerBlock = 0;
  if (clear != nullptr && cols.count >= 8) {
    const i64 blockCount = rows.count * (cols.count / 8);
    const i64 lineCount = clear->Bytes() / 64;
    linesPerBlock = static_cast<int>(
        std::min<i64>(kMaxLinesPerBlock, (lineCount + blockCount - 1) / blockCount));
  }

  // Copying the previous destination row is only sound when rows do not share pixels.
  const bool reuseRows = dst.stride >= dst.width;
  const std::ptrdiff_t left = static_cast<std::ptrdiff_t>(FirstWritten(cols));
  const std::ptrdiff_t dstStride = dst.stride;
  const std::ptrdiff_t srcStride = src.stride;
  const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(rows.dstStep) * dstStride;

  const bool mapped = routine == RowRoutine::Map || routine == RowRoutine::Runs;
  const bool gather = routine == RowRoutine::Map;
  std::int32_t map[kColumnMapChunk];
  GatherBlock blocks[kColumnMapChunk / 8];
  std::int32_t runEnds[kColumnMapChunk];
  std::int8_t shapes[kColumnMapChunk / 8];
  std::ptrdiff_t runs = 0;
  const i64 chunk = mapped ? kColumnMapChunk : cols.count;
  for (i64 p0 = 0; p0 < cols.count; p0 += chunk) {
    const std::ptrdiff_t n =
        static_cast<std::ptrdiff_t>(cols.count - p0 < chunk ? cols.count - p0 : chunk);
    if (mapped) BuildColumnMap(cols, p0, n, map);
    if (routine == RowRoutine::Runs) runs = FindRuns(map, n, runEnds);
    if (gather) BuildGatherBlocks(map, n, src.width - 1, blocks);
    const bool vectorRuns = setup.simd && setup.nearOne;
    if (vectorRuns) {
      for (std::ptrdiff_t b = 0; 8 * b + 8 <= n; ++b)
        shapes[b] = static_cast<std::int8_t>(BlockShape(map + 8 * b));
    }

    AxisCursor row{rows.srcStart, rows.acc};
    // The gather prefetches the row it will read two rows later: a shrink reads source rows
    // too far apart for the hardware to foresee.
    AxisCursor later = gather ? CursorAt(rows, 2) : row;
    i64 dstRow = rows.dstStart;
    i64 previous = -1;
    for (i64 k = 0; k < rows.count; ++k) {
      const i64 srcRow = k < rows.inside ? row.index : rows.edge;
      const i64 laterRow = k + 2 >= rows.count   ? srcRow
                           : k + 2 < rows.inside ? later.index
                                                 : rows.edge;
      Pixel* out = dst.pixels + static_cast<std::ptrdiff_t>(dstRow) * dstStride + left +
                   static_cast<std::ptrdiff_t>(p0);
      if (k > 0 && reuseRows && srcRow == previous) {
        CopyPixels(out, out + back, n);
      } else {
        const Pixel* in = src.pixels + static_cast<std::ptrdiff_t>(srcRow) * srcStride;
        if (gather && setup.avx) {
          const std::ptrdiff_t ahead = static_cast<std::ptrdiff_t>(laterRow - srcRow) * srcStride *
                                       static_cast<std::ptrdiff_t>(sizeof(Pixel));
          GatherBlocksAvx(out, in, blocks, map, n, ahead, clear, linesPerBlock);
        } else if (gather) {
          GatherBlocks(out, in, blocks, map, n, clear, linesPerBlock);
        } else if (routine == RowRoutine::Runs) {
          if (vectorRuns) {
            GatherNearOneSsse3(out, in, map, shapes, src.width - 1, n);
          } else {
            CopyRuns(out, in, map, runEnds, runs, src.width - 1);
          }
        } else {
          DrawRow(setup, out, in);
        }
      }
      previous = srcRow;
      row.Advance(rows);
      later.Advance(rows);
      dstRow += rows.dstStep;
    }
  }
  if (clear != nullptr) clear->Finish();
  if (gather && setup.avx) FenceStreamingStores();
}

}  // namespace tesselox
