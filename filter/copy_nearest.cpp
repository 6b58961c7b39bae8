#include "filter/copy_nearest.h"

#include <cstddef>
#include <cstdint>

#include "filter/clip_rectangles.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

i64 Abs(i64 v) {
  return v < 0 ? -v : v;
}

// How one axis of the walk runs once clipped. After k destination pixels the source index has
// stepped floor((acc + k * |sc|) / |dc|) times in the direction of sc.
struct AxisPlan {
  i64 count;            // destination pixels to draw
  i64 inside;           // leading pixels whose source lies in the image; the rest repeat `edge`
  i64 dstStart;         // first destination column (row)
  int dstStep;          // +1 or -1
  i64 srcStart;         // source column (row) of the first pixel
  int srcStep;          // +1 or -1
  i64 edge;             // the last source column (row) in the walk's direction
  std::uint32_t acc;    // starting accumulator, in [0, |dc|)
  std::uint32_t whole;  // |sc| / |dc|: steps every pixel takes
  std::uint32_t frac;   // |sc| % |dc|: what the accumulator gains every pixel
  std::uint32_t dcAbs;  // |dc|
};

AxisPlan PlanAxis(i64 begin, i64 end, i64 d, i64 dc, i64 s, i64 sc, i64 phase, i64 size) {
  const i64 dcAbs = Abs(dc);
  const i64 scAbs = Abs(sc);
  AxisPlan p{};
  p.count = end > begin ? end - begin : 0;
  p.dstStep = dc < 0 ? -1 : 1;
  p.srcStep = sc < 0 ? -1 : 1;
  p.dstStart = d + p.dstStep * begin;
  // The starting index leaves the phase out; only the accumulator carries it.
  p.srcStart = s + begin * sc / dcAbs;
  // ((begin + phase) * |sc|) mod |dc|, reduced first so that no product overflows.
  const i64 phaseMod = ((phase % dcAbs) + dcAbs) % dcAbs;
  const i64 at = (begin % dcAbs + phaseMod) % dcAbs;
  p.acc = static_cast<std::uint32_t>(at * (scAbs % dcAbs) % dcAbs);
  p.whole = static_cast<std::uint32_t>(scAbs / dcAbs);
  p.frac = static_cast<std::uint32_t>(scAbs % dcAbs);
  p.dcAbs = static_cast<std::uint32_t>(dcAbs);
  p.edge = sc > 0 ? size - 1 : 0;

  // The clipping ignores the phase, so the accumulator can carry the last pixels one source
  // index past the image; count how many stay inside.
  const i64 room = sc > 0 ? size - 1 - p.srcStart : p.srcStart;
  if (p.count == 0 || room < 0) {
    p.inside = 0;
  } else {
    const i64 lastSteps = (p.acc + (p.count - 1) * scAbs) / dcAbs;
    if (lastSteps <= room) {
      p.inside = p.count;
    } else {
      const i64 limit = (room + 1) * dcAbs - p.acc;  // steps stay <= room while acc + k|sc| < this
      p.inside = (limit + scAbs - 1) / scAbs;
    }
  }
  return p;
}

// Where the walk reads along one axis; Advance moves it on by one destination pixel.
struct Cursor {
  i64 index;
  std::uint32_t acc;
  void Advance(const AxisPlan& p) {
    index += p.srcStep * static_cast<i64>(p.whole);
    acc += p.frac;
    if (acc >= p.dcAbs) {
      acc -= p.dcAbs;
      index += p.srcStep;
    }
  }
};

void CopyRow(Pixel* dstRow, const Pixel* srcRow, const AxisPlan& cols) {
  Pixel* out = dstRow + cols.dstStart;
  Cursor c{cols.srcStart, cols.acc};
  for (i64 k = 0; k < cols.inside; ++k) {
    *out = srcRow[c.index];
    out += cols.dstStep;
    c.Advance(cols);
  }
  for (i64 k = cols.inside; k < cols.count; ++k) {
    *out = srcRow[cols.edge];
    out += cols.dstStep;
  }
}

}  // namespace

void CopyNearest(const ImageView& dst, std::int32_t dx, std::int32_t dy, std::int32_t dcx,
                 std::int32_t dcy, const ImageView& src, std::int32_t sx, std::int32_t sy,
                 std::int32_t scx, std::int32_t scy, std::int32_t px, std::int32_t py) {
  if (dcx == 0 || dcy == 0 || scx == 0 || scy == 0) return;
  if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0) return;
  const ClipResult clip = ClipRectangles(dcx, dx, dy, dcy, dst, src, sx, sy, scx, scy);
  if (!clip.draw || clip.i0 >= clip.i1 || clip.j0 >= clip.j1) return;

  const AxisPlan cols = PlanAxis(clip.i0, clip.i1, dx, dcx, sx, scx, px, src.width);
  const AxisPlan rows = PlanAxis(clip.j0, clip.j1, dy, dcy, sy, scy, py, src.height);

  Cursor row{rows.srcStart, rows.acc};
  i64 dstRow = rows.dstStart;
  for (i64 k = 0; k < rows.count; ++k) {
    const i64 srcRow = k < rows.inside ? row.index : rows.edge;
    CopyRow(dst.pixels + static_cast<std::ptrdiff_t>(dstRow * dst.stride),
            src.pixels + static_cast<std::ptrdiff_t>(srcRow * src.stride), cols);
    row.Advance(rows);
    dstRow += rows.dstStep;
  }
}

}  // namespace tesselox
