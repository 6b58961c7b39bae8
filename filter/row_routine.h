#pragma once

#include "filter/copy_plan.h"

namespace tesselox {

// The ways one destination row can be produced. All give the same pixels as the plain walk;
// each but Map only fits certain column plans.
enum class RowRoutine {
  Copy,         // 1:1, same direction: one memcpy
  Reverse,      // 1:1, mirrored
  Strided,      // integer shrink, either direction
  RepeatTwice,  // 2x enlargement, destination running rightwards
  Repeat,       // integer enlargement, destination running rightwards
  Runs,         // within a factor 2 of 1:1, unmirrored: long runs of consecutive columns
  Map,          // anything: a column map built once per frame (in bounded chunks)
};

inline constexpr RowRoutine kAllRowRoutines[] = {
    RowRoutine::Copy,   RowRoutine::Reverse, RowRoutine::Strided, RowRoutine::RepeatTwice,
    RowRoutine::Repeat, RowRoutine::Runs,    RowRoutine::Map};

// True when `routine` produces the plan's columns exactly.
bool RowRoutineFits(RowRoutine routine, const AxisPlan& cols);

// The one place that picks a routine for a frame: the most specialised one that fits.
RowRoutine ChooseRowRoutine(const AxisPlan& cols);

const char* RowRoutineName(RowRoutine routine);

}  // namespace tesselox
