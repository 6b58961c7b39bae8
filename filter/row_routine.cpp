#include "filter/row_routine.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "filter/row_routine_table.h"

namespace tesselox {

std::span<const RowRoutineEntry> RowRoutines() {
  return routine_table::TableFor<Pixel>();
}

const RowRoutineEntry& PickRowRoutine(const AxisPlan& x) {
  for (const RowRoutineEntry& r : RowRoutines()) {
    if (r.fits(x)) return r;
  }
  return RowRoutines().back();
}

RowWork RowWorkFor(const AxisPlan& x, std::int32_t lastColumn) {
  RowWork w{};
  const std::int64_t leftmost = x.dstStep > 0 ? 0 : x.count - 1;
  w.leftmost = static_cast<std::ptrdiff_t>(SourceIndexAt(x, leftmost));
  // Read left to right along the destination, the source moves against the walk when the
  // destination runs leftwards.
  w.step = static_cast<std::ptrdiff_t>(x.whole) * x.srcStep * x.dstStep;
  w.walkFirst = static_cast<std::ptrdiff_t>(x.srcStart);
  w.walkStep = x.srcStep;
  if (x.frac != 0) {
    w.factor = static_cast<std::ptrdiff_t>(x.dcAbs / x.frac);
    w.firstRun = static_cast<std::ptrdiff_t>((x.dcAbs - x.acc) / x.frac);
  }
  w.inside = static_cast<std::ptrdiff_t>(x.inside);
  w.edge = static_cast<std::ptrdiff_t>(x.edge);
  w.lastColumn = lastColumn;
  w.nearOne = x.whole == 0 && 8 * static_cast<std::uint64_t>(x.dcAbs - x.frac) <= x.dcAbs;
  return w;
}

}  // namespace tesselox
