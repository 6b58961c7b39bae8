#pragma once

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/image_view.h"
#include "filter/row_routine.h"

namespace tesselox {

// Columns of the column map held at once; wider rows are drawn in chunks of this many.
inline constexpr int kColumnMapChunk = 2048;

// Draws a planned copy with the given row routine (Map when the routine does not fit the
// plan). Rows whose source row equals the previous one are copied from the previous destination
// row. With `simd`, routines that have a twin for the processor's vector unit use it. Source and
// destination must not overlap. No allocation.
//
// With a clear (which must not cover the pixels the plan writes), the copy also carries it out:
// spread over the rows where the routine can share their time with it (ClearsAlongRows), else
// before the first row.
void ExecuteCopy(const ImageView& dst, const ImageView& src, const CopyPlan& plan,
                 RowRoutine routine, bool simd = true, ClearStream* clear = nullptr);

// Whether ExecuteCopy spreads a clear over the rows of `routine`.
bool ClearsAlongRows(RowRoutine routine);

}  // namespace tesselox
