#include "filter/copy_plan.h"

#include <algorithm>
#include <cstdint>

#include "filter/clip_rectangles.h"
#include "filter/magnitude.h"

namespace tesselox {
namespace {

using i64 = std::int64_t;

AxisPlan PlanAxis(i64 begin, i64 end, const CopyAxis& axis, i64 size) {
  const i64 d = axis.corner, dc = axis.extent, s = axis.sourceCorner, sc = axis.sourceExtent;
  const i64 phase = axis.phase;
  const i64 dcAbs = Magnitude(dc);
  const i64 scAbs = Magnitude(sc);
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

}  // namespace

CopyPlan PlanCopy(PlaneSize dst, PlaneSize src, const CopyRequest& request) {
  CopyPlan plan{};
  const CopyAxis& x = request.x;
  const CopyAxis& y = request.y;
  if (x.extent == 0 || y.extent == 0 || x.sourceExtent == 0 || y.sourceExtent == 0) return plan;
  if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0) return plan;
  const ClipResult clip = ClipRectangles(dst, src, request);
  if (!clip.draw || clip.x.begin >= clip.x.end || clip.y.begin >= clip.y.end) return plan;
  plan.x = PlanAxis(clip.x.begin, clip.x.end, x, src.width);
  plan.y = PlanAxis(clip.y.begin, clip.y.end, y, src.height);
  plan.draw = true;
  return plan;
}

AxisCursor CursorAt(const AxisPlan& p, std::int64_t k) {
  const i64 gained = p.acc + k * static_cast<i64>(p.frac);
  const i64 dcAbs = p.dcAbs;
  const i64 steps = static_cast<i64>(p.whole) * k + gained / dcAbs;
  return AxisCursor{p.srcStart + p.srcStep * steps, static_cast<std::uint32_t>(gained % dcAbs)};
}

CopyPlan RestrictRows(const CopyPlan& plan, std::int64_t first, std::int64_t last) {
  CopyPlan band = plan;
  if (!plan.draw) return band;
  AxisPlan& y = band.y;
  const i64 low = std::max(first, FirstWritten(plan.y));
  const i64 high = std::min(last, FirstWritten(plan.y) + plan.y.count);
  if (low >= high) {
    band.draw = false;
    return band;
  }
  // The walk's first step in the band: downwards from its lowest row, upwards from its highest.
  const i64 k0 = plan.y.dstStep > 0 ? low - plan.y.dstStart : plan.y.dstStart - (high - 1);
  const AxisCursor at = CursorAt(plan.y, k0);
  y.count = high - low;
  y.inside = std::clamp<i64>(plan.y.inside - k0, 0, y.count);
  y.dstStart = plan.y.dstStart + plan.y.dstStep * k0 - first;
  y.srcStart = at.index;
  y.acc = at.acc;
  return band;
}

std::int64_t SourceIndexAt(const AxisPlan& p, std::int64_t k) {
  return k >= p.inside ? p.edge : CursorAt(p, k).index;
}

}  // namespace tesselox
