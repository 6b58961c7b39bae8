#include "filter/row_routine.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "filter/row_copy.h"

namespace tesselox {
namespace {

// Without a fraction the accumulator never moves and no pixel overshoots the edge.
bool ExactSteps(const AxisPlan& cols) {
  return cols.frac == 0 && cols.inside == cols.count;
}

// An enlargement by an integer factor whose phase lands on a run boundary: runs of equal length
// after a shorter first one.
bool EvenRuns(const AxisPlan& cols) {
  return cols.whole == 0 && cols.dstStep > 0 && cols.dcAbs % cols.frac == 0 &&
         cols.acc % cols.frac == 0;
}

bool FitsCopy(const AxisPlan& cols) {
  return ExactSteps(cols) && cols.whole == 1 && cols.srcStep == cols.dstStep;
}

bool FitsReverse(const AxisPlan& cols) {
  return ExactSteps(cols) && cols.whole == 1 && cols.srcStep != cols.dstStep;
}

bool FitsRepeatTwice(const AxisPlan& cols) {
  return EvenRuns(cols) && cols.dcAbs / cols.frac == 2;
}

// Close to 1:1 the source column steps by exactly one for runs of at least four pixels on
// average, between single skips (shrinking) or repeats (enlarging).
bool FitsRuns(const AxisPlan& cols) {
  const std::uint64_t dc = cols.dcAbs, frac = cols.frac;
  return cols.srcStep == cols.dstStep && frac != 0 &&
         ((cols.whole == 1 && 4 * frac <= dc) || (cols.whole == 0 && 4 * (dc - frac) <= dc));
}

bool FitsAnything(const AxisPlan&) {
  return true;
}

void DrawCopy(Pixel* out, const Pixel* row, const RowWork& w) {
  CopyPixels(out, row + w.leftmost, w.count);
}

void DrawReverse(Pixel* out, const Pixel* row, const RowWork& w) {
  CopyPixelsReversed(out, row + w.leftmost, w.count);
}

void DrawStrided(Pixel* out, const Pixel* row, const RowWork& w) {
  CopyPixelsStrided(out, row + w.leftmost, w.step, w.count);
}

void DrawRepeatTwice(Pixel* out, const Pixel* row, const RowWork& w) {
  RepeatPixelsTwice(out, row + w.walkFirst, w.walkStep, w.firstRun, w.inside);
  FillPixels(out + w.inside, row[w.edge], w.count - w.inside);
}

void DrawRepeat(Pixel* out, const Pixel* row, const RowWork& w) {
  RepeatPixels(out, row + w.walkFirst, w.walkStep, w.factor, w.firstRun, w.inside);
  FillPixels(out + w.inside, row[w.edge], w.count - w.inside);
}

void DrawRuns(Pixel* out, const Pixel* row, const RowWork& w) {
  CopyRuns(out, row, w.map, w.runEnds, w.runs, w.lastColumn);
}

void DrawMap(Pixel* out, const Pixel* row, const RowWork& w) {
  GatherBlocks(out, row, w.blocks, w.map, w.count, w.clear, w.linesPerBlock);
}

#ifdef TESSELOX_X86
void DrawReverseSsse3(Pixel* out, const Pixel* row, const RowWork& w) {
  CopyPixelsReversedSsse3(out, row + w.leftmost, w.count);
}

// The block shuffles pay only where nearly every block is one of their shapes.
void DrawRunsSsse3(Pixel* out, const Pixel* row, const RowWork& w) {
  if (w.nearOne) {
    GatherNearOneSsse3(out, row, w.map, w.shapes, w.lastColumn, w.count);
  } else {
    DrawRuns(out, row, w);
  }
}

void DrawMapAvx(Pixel* out, const Pixel* row, const RowWork& w) {
  GatherBlocksAvx(out, row, w.blocks, w.map, w.count, w.ahead, w.clear, w.linesPerBlock);
}
#endif

// The table lists the routines in RowRoutine's order.
constexpr std::size_t Position(RowRoutine id) {
  return static_cast<std::size_t>(id);
}

// The table with each kernel's vector twin in its place where the processor has the unit.
std::array<RowRoutineEntry, 7> MakeTable() {
  std::array<RowRoutineEntry, 7> table = {{
      {RowRoutine::Copy, "Copy", FitsCopy, DrawCopy, DrawCopy, 0, false},
      {RowRoutine::Reverse, "Reverse", FitsReverse, DrawReverse, DrawReverse, 0, false},
      {RowRoutine::Strided, "Strided", ExactSteps, DrawStrided, DrawStrided, 0, false},
      {RowRoutine::RepeatTwice, "RepeatTwice", FitsRepeatTwice, DrawRepeatTwice, DrawRepeatTwice, 0,
       false},
      {RowRoutine::Repeat, "Repeat", EvenRuns, DrawRepeat, DrawRepeat, 0, false},
      {RowRoutine::Runs, "Runs", FitsRuns, DrawRuns, DrawRuns,
       kReadsColumnMap | kReadsRunEnds | kReadsBlockShapes, false},
      {RowRoutine::Map, "Map", FitsAnything, DrawMap, DrawMap, kReadsColumnMap | kReadsGatherBlocks,
       true},
  }};
#ifdef TESSELOX_X86
  auto entry = [&table](RowRoutine id) -> RowRoutineEntry& { return table[Position(id)]; };
  if (HaveSsse3()) {
    entry(RowRoutine::Reverse).kernel = DrawReverseSsse3;
    entry(RowRoutine::Runs).kernel = DrawRunsSsse3;
  }
  if (HaveAvx()) entry(RowRoutine::Map).kernel = DrawMapAvx;
#endif
  return table;
}

}  // namespace

std::span<const RowRoutineEntry> RowRoutines() {
  static const std::array<RowRoutineEntry, 7> table = MakeTable();
  return table;
}

const RowRoutineEntry& PickRowRoutine(const AxisPlan& cols) {
  for (const RowRoutineEntry& r : RowRoutines()) {
    if (r.fits(cols)) return r;
  }
  return RowRoutines().back();
}

const RowRoutineEntry& ForceRowRoutine(RowRoutine id, const AxisPlan& cols) {
  const RowRoutineEntry& r = RowRoutines()[Position(id)];
  return r.fits(cols) ? r : RowRoutines().back();
}

RowWork RowWorkFor(const AxisPlan& cols, std::int32_t lastColumn) {
  RowWork w{};
  const std::int64_t leftmost = cols.dstStep > 0 ? 0 : cols.count - 1;
  w.leftmost = static_cast<std::ptrdiff_t>(SourceIndexAt(cols, leftmost));
  // Read left to right along the destination, the source moves against the walk when the
  // destination runs leftwards.
  w.step = static_cast<std::ptrdiff_t>(cols.whole) * cols.srcStep * cols.dstStep;
  w.walkFirst = static_cast<std::ptrdiff_t>(cols.srcStart);
  w.walkStep = cols.srcStep;
  if (cols.frac != 0) {
    w.factor = static_cast<std::ptrdiff_t>(cols.dcAbs / cols.frac);
    w.firstRun = static_cast<std::ptrdiff_t>((cols.dcAbs - cols.acc) / cols.frac);
  }
  w.inside = static_cast<std::ptrdiff_t>(cols.inside);
  w.edge = static_cast<std::ptrdiff_t>(cols.edge);
  w.lastColumn = lastColumn;
  w.nearOne =
      cols.whole == 0 && 8 * static_cast<std::uint64_t>(cols.dcAbs - cols.frac) <= cols.dcAbs;
  return w;
}

}  // namespace tesselox
