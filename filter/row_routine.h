#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/gather_blocks.h"
#include "filter/plane_view.h"

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

// What a row kernel reads. The copy fills it once per frame from the column plan, once per
// chunk of the column map (for the kernels that read the map) and once per row.
struct RowWork {
  // Once per frame.
  std::ptrdiff_t leftmost;   // source column of the leftmost pixel
  std::ptrdiff_t step;       // source step per pixel, read left to right (1:1 and shrinks)
  std::ptrdiff_t walkFirst;  // source column of the walk's first pixel
  std::ptrdiff_t walkStep;   // +1 or -1: the source's direction along the walk
  std::ptrdiff_t factor;     // enlargements: pixels per source pixel (0 for others)
  std::ptrdiff_t firstRun;   // enlargements: pixels taking the first source pixel
  std::ptrdiff_t inside;     // pixels before the edge repeat
  std::ptrdiff_t edge;       // the repeated edge column
  std::int32_t lastColumn;   // the source row's last pixel
  bool nearOne;              // an enlargement by less than 8/7
  bool stream;               // the vector kernels stream their stores past the caches
  // Once per chunk: pixels to draw, and the column map's forms the routine asked for.
  std::ptrdiff_t count;
  const std::int32_t* map;
  const std::int32_t* runEnds;
  std::ptrdiff_t runs;
  const GatherBlock* blocks;
  const std::int8_t* shapes;
  const ShuffleBlocks* shuffled;
  const PermuteBlocks* permuted;
  // Once per row: how far away the row drawn two rows later lies, in bytes, and the clear that
  // shares the row's time (only for a routine that clears along rows).
  std::ptrdiff_t ahead;
  ClearStream* clear;
  int linesPerBlock;
};

// Draws one row (or one chunk of a mapped row) at `out` from the source row `row`, both the
// bytes of the pixels of the table's size.
using RowKernel = void (*)(std::uint8_t* out, const std::uint8_t* row, const RowWork& work);

// What a routine reads of the column map, built per chunk: bits of RowRoutineEntry::reads.
inline constexpr unsigned kReadsColumnMap = 1;
inline constexpr unsigned kReadsRunEnds = 2;
inline constexpr unsigned kReadsGatherBlocks = 4;
inline constexpr unsigned kReadsBlockShapes = 8;
inline constexpr unsigned kReadsShuffleBlocks = 16;  // pixels of 1 or 2 bytes only
inline constexpr unsigned kReadsPermuteBlocks = 32;

struct RowRoutineEntry {
  RowRoutine id;
  const char* name;
  bool (*fits)(const AxisPlan& x);  // true when the routine produces the plan's columns exactly
  RowKernel kernel;                 // the fastest this processor has (a vector kernel, if any)
  RowKernel plainKernel;            // the plain kernel, which any vector kernel must match
  unsigned reads;                   // kReads... bits; 0 for a routine that reads no map
  bool clearsAlongRows;             // carries out a clear while it draws, sharing the rows' time
};

// The table of routines for six-byte pixels, most specialised first; Map, which fits anything,
// last, each with the fastest kernel ProcessorFeatures() allows.
std::span<const RowRoutineEntry> RowRoutines();

// The one place that picks a routine: the first in the table that fits the columns.
const RowRoutineEntry& PickRowRoutine(const AxisPlan& x);

// The same for pixels of any size the copy handles (IsPixelSize): the same routines in the same
// order, each with the kernels of that size. These live apart from the six-byte ones, so that a
// program that copies only six-byte pixels carries no other size's kernels.
std::span<const RowRoutineEntry> RowRoutines(int pixelBytes);
const RowRoutineEntry& PickRowRoutine(const AxisPlan& x, int pixelBytes);

// The per-frame part of the work for these columns.
RowWork RowWorkFor(const AxisPlan& x, std::int32_t lastColumn);

}  // namespace tesselox
