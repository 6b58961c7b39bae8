#pragma once

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
void ExecuteCopy(const ImageView& dst, const ImageView& src, const CopyPlan& plan,
                 RowRoutine routine, bool simd = true);

}  // namespace tesselox
