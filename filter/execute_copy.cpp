#include "filter/execute_copy.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "filter/gather_blocks.h"
#include "filter/processor.h"
#include "filter/row_copy.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

// At most 512 bytes of the clear beside each 48-byte block the gather draws, enough to spread a
// clear of ten times the drawn area; a larger one is finished after the last row.
constexpr i64 kMaxLinesPerBlock = 8;

// Fills map[t] with the source column of destination position p0 + t (positions count from the
// leftmost written column), for t < n.
void BuildColumnMap(const AxisPlan& x, i64 p0, i64 n, std::int32_t* map) {
  const bool forward = x.dstStep > 0;
  const i64 k0 = forward ? p0 : x.count - p0 - n;  // lowest walk index of the chunk
  AxisCursor c = CursorAt(x, k0);
  for (i64 t = 0; t < n; ++t) {
    const i64 k = k0 + t;
    const auto column = static_cast<std::int32_t>(k < x.inside ? c.index : x.edge);
    map[forward ? t : n - 1 - t] = column;
    c.Advance(x);
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

}  // namespace

void BuildColumnForms(const RowRoutineEntry& routine, std::ptrdiff_t n, std::int32_t lastColumn,
                      int pixelBytes, ColumnForms& forms, RowWork& work) {
  // The plain kernels read the gather blocks; the shuffles and permutes need them only where no
  // block fits.
  const bool vector = routine.kernel != routine.plainKernel;
  const bool shuffles = vector && pixelBytes <= 2 && (routine.reads & kReadsShuffleBlocks) != 0;
  const bool permutes = vector && (routine.reads & kReadsPermuteBlocks) != 0;
  const std::int32_t* map = forms.map;
  work.count = n;
  work.map = map;
  work.blocks = forms.blocks;
  work.runEnds = forms.runEnds;
  work.shapes = forms.shapes;
  work.shuffled = &forms.shuffled;
  work.permuted = &forms.permuted;
  if (routine.reads & kReadsRunEnds) work.runs = FindRuns(map, n, forms.runEnds);
  if (shuffles) BuildShuffleBlocks(map, n, lastColumn, pixelBytes, forms.shuffled);
  if (permutes) BuildPermuteBlocks(map, n, pixelBytes, forms.permuted);
  if ((routine.reads & kReadsGatherBlocks) && !(shuffles && forms.shuffled.regs > 0) &&
      !(permutes && forms.permuted.regs > 0))
    BuildGatherBlocks(map, n, lastColumn, forms.blocks, pixelBytes);
  if (routine.reads & kReadsBlockShapes) {
    for (std::ptrdiff_t b = 0; 8 * b + 8 <= n; ++b)
      forms.shapes[b] = static_cast<std::int8_t>(BlockShape(map + 8 * b));
  }
}

PixelRect DrawnRect(const CopyPlan& plan) {
  if (!plan.draw) return PixelRect{};
  return PixelRect{static_cast<std::ptrdiff_t>(FirstWritten(plan.x)),
                   static_cast<std::ptrdiff_t>(FirstWritten(plan.y)),
                   static_cast<std::ptrdiff_t>(plan.x.count),
                   static_cast<std::ptrdiff_t>(plan.y.count)};
}

bool StreamsStores(const PlaneView& dst, const PlaneView& src) {
  return StreamingStoresPay(
      static_cast<std::size_t>(dst.stride * dst.height + src.stride * src.height));
}

void ExecuteCopy(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const RowRoutineEntry& routine, ClearStream* clear) {
  ExecuteCopy(dst, src, plan, routine, clear, StreamsStores(dst, src));
}

void ExecuteCopy(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const RowRoutineEntry& routine, ClearStream* clear, bool stream) {
  if (!plan.draw || plan.x.count <= 0 || plan.y.count <= 0) {
    if (clear != nullptr) clear->Finish();
    return;
  }
  const AxisPlan& x = plan.x;
  const AxisPlan& y = plan.y;
  const RowKernel kernel = routine.kernel;
  RowWork work = RowWorkFor(x, src.width - 1);
  work.stream = stream;
  // The one place that shares out the clear: a routine that clears along rows takes the clear's
  // lines evenly over the blocks it draws (what a row reused from the previous one or the cap
  // leaves is cleared at the end); around any other routine the clear comes first.
  if (clear != nullptr && !routine.clearsAlongRows) {
    clear->FinishBeforeCopy();
    clear = nullptr;
  }
  work.clear = clear;
  if (clear != nullptr && x.count >= 8) {
    const i64 blockCount = y.count * (x.count / 8);
    const i64 lineCount = clear->Bytes() / 64;
    work.linesPerBlock = static_cast<int>(
        std::min<i64>(kMaxLinesPerBlock, (lineCount + blockCount - 1) / blockCount));
  }

  // Copying the previous destination row is only sound when rows do not share pixels.
  const std::ptrdiff_t size = dst.pixelBytes;
  const bool reuseRows = dst.stride >= dst.width * size;
  const std::ptrdiff_t left = static_cast<std::ptrdiff_t>(FirstWritten(x));
  const std::ptrdiff_t dstStride = dst.stride;
  const std::ptrdiff_t srcStride = src.stride;
  const std::ptrdiff_t back = -static_cast<std::ptrdiff_t>(y.dstStep) * dstStride;

  ColumnForms forms;
  const i64 chunk = (routine.reads & kReadsColumnMap) != 0 ? kColumnMapChunk : x.count;
  for (i64 p0 = 0; p0 < x.count; p0 += chunk) {
    const std::ptrdiff_t n =
        static_cast<std::ptrdiff_t>(x.count - p0 < chunk ? x.count - p0 : chunk);
    if (routine.reads & kReadsColumnMap) BuildColumnMap(x, p0, n, forms.map);
    BuildColumnForms(routine, n, src.width - 1, dst.pixelBytes, forms, work);

    AxisCursor row{y.srcStart, y.acc};
    // The gather prefetches the row it will read two rows later: a shrink reads source rows
    // too far apart for the hardware to foresee.
    AxisCursor later = CursorAt(y, 2);
    i64 dstRow = y.dstStart;
    i64 previous = -1;
    for (i64 k = 0; k < y.count; ++k) {
      const i64 srcRow = k < y.inside ? row.index : y.edge;
      const i64 laterRow = k + 2 >= y.count ? srcRow : k + 2 < y.inside ? later.index : y.edge;
      std::uint8_t* out = dst.bytes + static_cast<std::ptrdiff_t>(dstRow) * dstStride +
                          (left + static_cast<std::ptrdiff_t>(p0)) * size;
      if (k > 0 && reuseRows && srcRow == previous) {
        std::memcpy(out, out + back, static_cast<std::size_t>(n * size));
      } else {
        work.ahead = static_cast<std::ptrdiff_t>(laterRow - srcRow) * srcStride;
        kernel(out, src.bytes + static_cast<std::ptrdiff_t>(srcRow) * srcStride, work);
      }
      previous = srcRow;
      row.Advance(y);
      later.Advance(y);
      dstRow += y.dstStep;
    }
  }
  if (clear != nullptr) clear->Finish();
  // The vector kernels' streaming stores are fenced once, before the frame goes back.
  if (kernel != routine.plainKernel) FenceStreamingStores();
}

}  // namespace tesselox
