#pragma once

// The routine tables for pixels of type P (PixelBytes), reached through TableFor<P>(): the
// six-byte ones in row_routine.cpp, the other sizes' in row_routine_sizes.cpp.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "filter/gather_blocks.h"
#include "filter/plane_view.h"
#include "filter/processor.h"
#include "filter/row_copy.h"
#include "filter/row_copy_x86.h"
#include "filter/row_routine.h"

namespace tesselox::routine_table {

// Without a fraction the accumulator never moves and no pixel overshoots the edge.
inline bool ExactSteps(const AxisPlan& x) {
  return x.frac == 0 && x.inside == x.count;
}

// An enlargement by an integer factor whose phase lands on a run boundary: runs of equal length
// after a shorter first one.
inline bool EvenRuns(const AxisPlan& x) {
  return x.whole == 0 && x.dstStep > 0 && x.dcAbs % x.frac == 0 && x.acc % x.frac == 0;
}

inline bool FitsCopy(const AxisPlan& x) {
  return ExactSteps(x) && x.whole == 1 && x.srcStep == x.dstStep;
}

inline bool FitsReverse(const AxisPlan& x) {
  return ExactSteps(x) && x.whole == 1 && x.srcStep != x.dstStep;
}

inline bool FitsRepeatTwice(const AxisPlan& x) {
  return EvenRuns(x) && x.dcAbs / x.frac == 2;
}

// Close to 1:1 the source column steps by exactly one for runs of at least four pixels on
// average, between single skips (shrinking) or repeats (enlarging).
inline bool FitsRuns(const AxisPlan& x) {
  const std::uint64_t dc = x.dcAbs, frac = x.frac;
  return x.srcStep == x.dstStep && frac != 0 &&
         ((x.whole == 1 && 4 * frac <= dc) || (x.whole == 0 && 4 * (dc - frac) <= dc));
}

inline bool FitsAnything(const AxisPlan&) {
  return true;
}

template <class P>
P* Out(std::uint8_t* out) {
  return reinterpret_cast<P*>(out);
}

template <class P>
const P* In(const std::uint8_t* row) {
  return reinterpret_cast<const P*>(row);
}

template <class P>
void DrawCopy(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyPixels(Out<P>(out), In<P>(row) + w.leftmost, w.count);
}

template <class P>
void DrawReverse(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyPixelsReversed(Out<P>(out), In<P>(row) + w.leftmost, w.count);
}

template <class P>
void DrawStrided(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyPixelsStrided(Out<P>(out), In<P>(row) + w.leftmost, w.step, w.count);
}

// The 2x enlargement with any of its kernels (plain or vector), then the edge repeat.
template <class P, void (*Kernel)(P*, const P*, std::ptrdiff_t, std::ptrdiff_t, std::ptrdiff_t)>
void DrawRepeatTwiceWith(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  Kernel(Out<P>(out), In<P>(row) + w.walkFirst, w.walkStep, w.firstRun, w.inside);
  FillPixels(Out<P>(out) + w.inside, In<P>(row)[w.edge], w.count - w.inside);
}

template <class P>
constexpr RowKernel DrawRepeatTwice = DrawRepeatTwiceWith<P, RepeatPixelsTwice<P>>;

template <class P>
void DrawRepeat(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  RepeatPixels(Out<P>(out), In<P>(row) + w.walkFirst, w.walkStep, w.factor, w.firstRun, w.inside);
  FillPixels(Out<P>(out) + w.inside, In<P>(row)[w.edge], w.count - w.inside);
}

template <class P>
void DrawRuns(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyRuns(Out<P>(out), In<P>(row), w.map, w.runEnds, w.runs, w.lastColumn);
}

template <class P>
void DrawMap(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  GatherBlocks(Out<P>(out), In<P>(row), w.blocks, w.map, w.count, w.clear, w.linesPerBlock);
}

#ifdef TESSELOX_X86
template <class P>
void DrawReverseSsse3(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyPixelsReversedSsse3(Out<P>(out), In<P>(row) + w.leftmost, w.count, w.stream);
}

#ifdef TESSELOX_X86_64
template <class P>
void DrawReverseAvx512(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  CopyPixelsReversedAvx512(Out<P>(out), In<P>(row) + w.leftmost, w.count, w.stream);
}
#endif

// The block shuffles pay only where nearly every block is one of their shapes.
inline void DrawRunsSsse3(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  if (w.nearOne) {
    GatherNearOneSsse3(Out<Pixel>(out), In<Pixel>(row), w.map, w.shapes, w.lastColumn, w.count,
                       w.stream);
  } else {
    DrawRuns<Pixel>(out, row, w);
  }
}

inline void DrawMapAvx(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  GatherBlocksAvx(Out<Pixel>(out), In<Pixel>(row), w.blocks, w.map, w.count, w.ahead, w.clear,
                  w.linesPerBlock, w.stream);
}

template <int kBytes>
void DrawMapAvx2(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  GatherBlocksAvx2<kBytes>(out, row, w.blocks, w.map, w.count, w.ahead, w.clear, w.linesPerBlock);
}

using ShuffleGather = void (*)(std::uint8_t*, const std::uint8_t*, const ShuffleBlocks&,
                               const std::int32_t*, std::ptrdiff_t, std::ptrdiff_t, ClearStream*,
                               int);

// Any column map of pixels of 1 or 2 bytes whose blocks fit the shuffle registers (shrinks up
// to about 3, all enlargements, mirrored or not); `Otherwise` where none does.

template <ShuffleGather Gather, RowKernel Otherwise>
void DrawShuffled(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  if (w.shuffled->regs == 0) return Otherwise(out, row, w);
  Gather(out, row, *w.shuffled, w.map, w.count, w.ahead, w.clear, w.linesPerBlock);
}

#ifdef TESSELOX_X86_64
template <int kBytes, RowKernel Otherwise>
void DrawPermuted(std::uint8_t* out, const std::uint8_t* row, const RowWork& w) {
  if (w.permuted->regs == 0) return Otherwise(out, row, w);
  GatherPermuted<kBytes>(out, row, *w.permuted, w.map, w.count, w.ahead, w.lastColumn, w.clear,
                         w.linesPerBlock);
}
#endif
#endif

// The routines with their plain kernels, in RowRoutine's order (checked below); Map, which fits
// anything, last.
template <class P>
constexpr auto PlainTable() {
  constexpr unsigned kRuns = kReadsColumnMap | kReadsRunEnds | kReadsBlockShapes;
  constexpr unsigned kMap = kReadsColumnMap | kReadsGatherBlocks;
  return std::to_array<RowRoutineEntry>({
      // clang-format off
      {RowRoutine::Copy,        "Copy",        FitsCopy,        DrawCopy<P>,        DrawCopy<P>,        0,     false},
      {RowRoutine::Reverse,     "Reverse",     FitsReverse,     DrawReverse<P>,     DrawReverse<P>,     0,     false},
      {RowRoutine::Strided,     "Strided",     ExactSteps,      DrawStrided<P>,     DrawStrided<P>,     0,     false},
      {RowRoutine::RepeatTwice, "RepeatTwice", FitsRepeatTwice, DrawRepeatTwice<P>, DrawRepeatTwice<P>, 0,     false},
      {RowRoutine::Repeat,      "Repeat",      EvenRuns,        DrawRepeat<P>,      DrawRepeat<P>,      0,     false},
      {RowRoutine::Runs,        "Runs",        FitsRuns,        DrawRuns<P>,        DrawRuns<P>,        kRuns, false},
      {RowRoutine::Map,         "Map",         FitsAnything,    DrawMap<P>,         DrawMap<P>,         kMap,  true},
      // clang-format on
  });
}

constexpr std::size_t Position(RowRoutine id) {
  return static_cast<std::size_t>(id);
}

constexpr bool InEnumOrder() {
  constexpr auto table = PlainTable<Pixel>();
  for (std::size_t k = 0; k < table.size(); ++k) {
    if (Position(table[k].id) != k) return false;
  }
  return table.back().id == RowRoutine::Map;
}
static_assert(InEnumOrder(), "the table lists every routine in RowRoutine's order, Map last");

using Table = decltype(PlainTable<Pixel>());

// The kernels' features: a table for each combination of them.
inline constexpr unsigned kKernelFeatures =
    kFeatureSse2 | kFeatureSsse3 | kFeatureAvx | kFeatureAvx2 | kFeatureAvx512Vbmi;
using Tables = std::array<Table, kKernelFeatures + 1>;

// The table for P with each vector kernel in its place where `features` has the unit.
template <class P>
Table MakeTable(unsigned features) {
  Table table = PlainTable<P>();
#ifdef TESSELOX_X86
  auto has = [features](unsigned feature) { return (features & feature) != 0; };
  auto entry = [&table](RowRoutine id) -> RowRoutineEntry& { return table[Position(id)]; };
  constexpr int kBytes = sizeof(P);
  if (has(kFeatureSsse3)) entry(RowRoutine::Reverse).kernel = DrawReverseSsse3<P>;
#ifdef TESSELOX_X86_64
  // The SSSE3 shuffles reverse 3- and 6-byte pixels at a third of memcpy's speed on an AMD EPYC.
  if (has(kFeatureAvx512Vbmi) && has(kFeatureSsse3))
    entry(RowRoutine::Reverse).kernel = DrawReverseAvx512<P>;
#endif
  if constexpr (kBytes == 6) {
    if (has(kFeatureSsse3)) entry(RowRoutine::Runs).kernel = DrawRunsSsse3;
    if (has(kFeatureAvx)) entry(RowRoutine::Map).kernel = DrawMapAvx;
#ifdef TESSELOX_X86_64
    if (has(kFeatureAvx512Vbmi) && has(kFeatureAvx)) {
      entry(RowRoutine::Map).kernel = DrawPermuted<6, DrawMapAvx>;
      entry(RowRoutine::Map).reads |= kReadsPermuteBlocks;
      entry(RowRoutine::Runs).kernel = DrawPermuted<6, DrawRunsSsse3>;
      entry(RowRoutine::Runs).reads |= kReadsPermuteBlocks;
    }
#endif
  } else {
    if (has(kFeatureAvx2)) entry(RowRoutine::Map).kernel = DrawMapAvx2<kBytes>;
    // Shuffles beat the hardware gathers and the runs' 16-byte moves for one and two bytes only
    // (three and four measured the same or slower).
    if constexpr (kBytes <= 2) {
      if (has(kFeatureSsse3)) {
        RowRoutineEntry& map = entry(RowRoutine::Map);
        RowRoutineEntry& runs = entry(RowRoutine::Runs);
        if (has(kFeatureAvx2)) {
          map.kernel = DrawShuffled<GatherShuffledAvx2<kBytes>, DrawMapAvx2<kBytes>>;
          runs.kernel = DrawShuffled<GatherShuffledAvx2<kBytes>, DrawRuns<P>>;
        } else {
          map.kernel = DrawShuffled<GatherShuffled<kBytes>, DrawMap<P>>;
          runs.kernel = DrawShuffled<GatherShuffled<kBytes>, DrawRuns<P>>;
        }
        unsigned blocks = kReadsShuffleBlocks;
#ifdef TESSELOX_X86_64
        if (has(kFeatureAvx512Vbmi) && has(kFeatureAvx2)) {
          map.kernel = DrawPermuted<kBytes, DrawMapAvx2<kBytes>>;
          runs.kernel = DrawPermuted<kBytes, DrawRuns<P>>;
          blocks = kReadsPermuteBlocks;
        }
#endif
        map.reads |= blocks;
        runs.reads |= blocks;
      }
    }
    if constexpr (16 % kBytes == 0) {
      RowKernel& twice = entry(RowRoutine::RepeatTwice).kernel;
      if (has(kFeatureSse2)) twice = DrawRepeatTwiceWith<P, RepeatPixelsTwiceSse2<P>>;
      if (has(kFeatureAvx2)) twice = DrawRepeatTwiceWith<P, RepeatPixelsTwiceAvx2<P>>;
#ifdef TESSELOX_X86_64
      if (has(kFeatureAvx512Vbmi) && has(kFeatureAvx2))
        twice = DrawRepeatTwiceWith<P, RepeatPixelsTwiceAvx512<P>>;
#endif
    }
    if constexpr (kBytes == 3) {
      if (has(kFeatureSsse3))
        entry(RowRoutine::RepeatTwice).kernel = DrawRepeatTwiceWith<P, RepeatPixelsTwiceSsse3<P>>;
    }
#ifdef TESSELOX_X86_64
    // For three, four and eight bytes the permutes beat the hardware gathers, and near 1:1 the
    // runs' memcpy (a call for every ten or so pixels).
    if constexpr (kBytes == 3 || kBytes == 4 || kBytes == 8) {
      if (has(kFeatureAvx512Vbmi) && has(kFeatureAvx2)) {
        entry(RowRoutine::Map).kernel = DrawPermuted<kBytes, DrawMapAvx2<kBytes>>;
        entry(RowRoutine::Map).reads |= kReadsPermuteBlocks;
        entry(RowRoutine::Runs).kernel = DrawPermuted<kBytes, DrawRuns<P>>;
        entry(RowRoutine::Runs).reads |= kReadsPermuteBlocks;
      }
    }
#endif
  }
#else
  static_cast<void>(features);
#endif
  return table;
}

// P's table for every combination of the kernels' features, built once: the kernels follow
// ProcessorFeatures() as it stands at each copy, with no table built or changed on the way.
template <class P>
Tables MakeTables() {
  Tables tables{};
  for (unsigned features = 0; features < tables.size(); ++features)
    tables[features] = MakeTable<P>(features);
  return tables;
}

template <class P>
std::span<const RowRoutineEntry> TableFor() {
  static const Tables tables = MakeTables<P>();
  return tables[ProcessorFeatures() & kKernelFeatures];
}

}  // namespace tesselox::routine_table
