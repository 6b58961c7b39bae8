#include "filter/row_routine.h"

#include <cstdint>

namespace tesselox {

bool RowRoutineFits(RowRoutine routine, const AxisPlan& cols) {
  // Without a fraction the accumulator never moves and no pixel overshoots the edge.
  const bool exactSteps = cols.frac == 0 && cols.inside == cols.count;
  // An enlargement by an integer factor whose phase lands on a run boundary: runs of equal
  // length after a shorter first one.
  const bool evenRuns = cols.whole == 0 && cols.dstStep > 0 && cols.dcAbs % cols.frac == 0 &&
                        cols.acc % cols.frac == 0;
  // Close to 1:1 the source column steps by exactly one for runs of at least four pixels on
  // average, between single skips (shrinking) or repeats (enlarging).
  const std::uint64_t dc = cols.dcAbs, frac = cols.frac;
  const bool longRuns =
      cols.srcStep == cols.dstStep && frac != 0 &&
      ((cols.whole == 1 && 4 * frac <= dc) || (cols.whole == 0 && 4 * (dc - frac) <= dc));
  switch (routine) {
    case RowRoutine::Copy:
      return exactSteps && cols.whole == 1 && cols.srcStep == cols.dstStep;
    case RowRoutine::Reverse:
      return exactSteps && cols.whole == 1 && cols.srcStep != cols.dstStep;
    case RowRoutine::Strided:
      return exactSteps;
    case RowRoutine::RepeatTwice:
      return evenRuns && cols.dcAbs / cols.frac == 2;
    case RowRoutine::Repeat:
      return evenRuns;
    case RowRoutine::Runs:
      return longRuns;
    case RowRoutine::Map:
      return true;
  }
  return false;
}

RowRoutine ChooseRowRoutine(const AxisPlan& cols) {
  for (RowRoutine r : kAllRowRoutines) {
    if (RowRoutineFits(r, cols)) return r;
  }
  return RowRoutine::Map;
}

const char* RowRoutineName(RowRoutine routine) {
  switch (routine) {
    case RowRoutine::Copy:
      return "Copy";
    case RowRoutine::Reverse:
      return "Reverse";
    case RowRoutine::Strided:
      return "Strided";
    case RowRoutine::RepeatTwice:
      return "RepeatTwice";
    case RowRoutine::Repeat:
      return "Repeat";
    case RowRoutine::Runs:
      return "Runs";
    case RowRoutine::Map:
      return "Map";
  }
  return "?";
}

}  // namespace tesselox
