#include "filter/row_routine.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "filter/row_copy.h"

namespace tesselox {
namespace {

// Without a fraction the accumulator never moves and no pixel overshoots the edge.
bool ExactSteps(const AxisPlan& x) {
  return x.frac == 0 && x.inside == x.count;
}

// An enlargement by an integer factor whose phase lands on a run boundary: runs of equal length
// after a shorter first one.
bool EvenRuns(const AxisPlan& x) {
  return x.whole == 0 && x.dstStep > 0 && x.dcAbs % x.frac == 0 && x.acc % x.frac == 0;
}

bool FitsCopy(const AxisPlan& x) {
  return ExactSteps(x) && x.whole == 1 && x.srcStep == x.dstStep;
}

bool FitsReverse(const AxisPlan& x) {
  return ExactSteps(x) && x.whole == 1 && x.srcStep != x.dstStep;
}

bool FitsRepeatTwice(const AxisPlan& x) {
  return EvenRuns(x) && x.dcAbs / x.frac == 2;
}

// Close to 1:1 the source column steps by exactly one for runs of at least four pixels on
// average, between single skips (shrinking) or repeats (enlarging).
bool FitsRuns(const AxisPlan& x) {
  const std::uint64_t dc = x.dcAbs, frac = x.frac;
  return x.srcStep == x.dstStep && frac != 0 &&
         ((x.whole == 1 && 4 * frac <= dc) || (x.whole == 0 && 4 * (dc - frac) <= dc));
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

// The routines with their plain kernels, in RowRoutine's order (checked below); Map, which fits
// anything, last.
constexpr RowRoutineEntry kPlainTable[] = {
    // clang-format off
    {RowRoutine::Copy,        "Copy",        FitsCopy,        DrawCopy,        DrawCopy,        0, false},
    {RowRoutine::Reverse,     "Reverse",     FitsReverse,     DrawReverse,     DrawReverse,     0, false},
    {RowRoutine::Strided,     "Strided",     ExactSteps,      DrawStrided,     DrawStrided,     0, false},
    {RowRoutine::RepeatTwice, "RepeatTwice", FitsRepeatTwice, DrawRepeatTwice, DrawRepeatTwice, 0, false},
    {RowRoutine::Repeat,      "Repeat",      EvenRuns,        DrawRepeat,      DrawRepeat,      0, false},
    {RowRoutine::Runs,        "Runs",        FitsRuns,        DrawRuns,        DrawRuns,
     kReadsColumnMap | kReadsRunEnds | kReadsBlockShapes, false},
    {RowRoutine::Map,         "Map",         FitsAnything,    DrawMap,         DrawMap,
     kReadsColumnMap | kReadsGatherBlocks, true},
    // clang-format on
};

constexpr std::size_t Position(RowRoutine id) {
  return static_cast<std::size_t>(id);
}

constexpr bool InEnumOrder() {
  for (std::size_t k = 0; k < std::size(kPlainTable); ++k) {
    if (Position(kPlainTable[k].id) != k) return false;
  }
  return kPlainTable[std::size(kPlainTable) - 1].id == RowRoutine::Map;
}
static_assert(InEnumOrder(), "the table lists every routine in RowRoutine's order, Map last");

using Table = std::array<RowRoutineEntry, std::size(kPlainTable)>;

// The table with each vector kernel in its place where the processor has the unit.
Table MakeTable() {
  Table table = std::to_array(kPlainTable);
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
  static const Table table = MakeTable();
  return table;
}

const RowRoutineEntry& PickRowRoutine(const AxisPlan& x) {
  for (const RowRoutineEntry& r : RowRoutines()) {
    if (r.fits(x)) return r;
  }
  return RowRoutines().back();
}

const RowRoutineEntry& ForceRowRoutine(RowRoutine id, const AxisPlan& x) {
  const RowRoutineEntry& r = RowRoutines()[Position(id)];
  return r.fits(x) ? r : RowRoutines().back();
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
