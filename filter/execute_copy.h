#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/gather_blocks.h"
#include "filter/plane_view.h"
#include "filter/row_routine.h"

namespace tesselox {

// Columns of the column map held at once; wider rows are drawn in chunks of this many.
inline constexpr int kColumnMapChunk = 2048;

// What a row kernel reads of one chunk of a column map besides the plan, built once for every row
// that chunk draws: the map itself (filled by the caller) and the forms made from it.
struct ColumnForms {
  std::int32_t map[kColumnMapChunk];
  GatherBlock blocks[kColumnMapChunk / 8];
  std::int32_t runEnds[kColumnMapChunk];
  std::int8_t shapes[kColumnMapChunk / 8];
  // The shuffle and the permute blocks share their room: a routine reads one form or neither.
  std::int32_t blockBases[std::max(ShuffleBlockCapacity(kColumnMapChunk),
                                   PermuteBlockCapacity(kColumnMapChunk))];
  alignas(64) std::int8_t blockBytes[std::max(ShuffleMaskCapacity(kColumnMapChunk),
                                              PermuteIndexCapacity(kColumnMapChunk))];
  ShuffleBlocks shuffled{blockBases, blockBytes, 0, 0};
  PermuteBlocks permuted{blockBases, reinterpret_cast<std::uint8_t*>(blockBytes), 0, 0};
};

// Builds from map[0, n) the forms `routine` reads (RowRoutineEntry::reads) for a source row of
// pixelBytes-byte pixels whose last is lastColumn, and points `work` at them and at n.
void BuildColumnForms(const RowRoutineEntry& routine, std::ptrdiff_t n, std::int32_t lastColumn,
                      int pixelBytes, ColumnForms& forms, RowWork& work);

// Draws a planned copy with `routine`'s kernel, which must fit the plan's columns (PickRowRoutine
// picks one); a vector kernel stores past the caches where StreamingStoresPay says so. Rows whose
// source row equals the previous one are copied from the previous destination row. Source and
// destination must not overlap. No allocation.
//
// With a clear (which must not cover the pixels the plan writes), the copy also carries it out:
// spread over the rows where the routine clears along rows, else before the first row. This is
// the only place that decides how a clear is shared out.
//
// The routine must come from the table of the planes' pixel size (RowRoutines(pixelBytes)).
void ExecuteCopy(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const RowRoutineEntry& routine, ClearStream* clear = nullptr);

// The same with the choice of streaming stores made by the caller: a band of a frame (RowsOf)
// takes the whole frame's StreamsStores, so that every band stores as the frame would.
void ExecuteCopy(const PlaneView& dst, const PlaneView& src, const CopyPlan& plan,
                 const RowRoutineEntry& routine, ClearStream* clear, bool stream);

// Whether a copy from src into dst stores past the caches (StreamingStoresPay for both planes).
bool StreamsStores(const PlaneView& dst, const PlaneView& src);

// The pixels a plan writes: every one of this rectangle (empty when it draws nothing).
PixelRect DrawnRect(const CopyPlan& plan);

}  // namespace tesselox
