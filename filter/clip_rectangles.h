#pragma once

#include <cstdint>

#include "filter/copy_request.h"
#include "filter/plane_view.h"

namespace tesselox {

// A half-open range [begin, end) of destination indices along one axis: index i of the
// destination rectangle is column x.corner + sgn(x.extent) * i (rows likewise). Indices are
// 64-bit because |INT32_MIN| does not fit 32 bits.
struct IndexRange {
  std::int64_t begin;
  std::int64_t end;
};

struct ClipResult {
  bool draw;
  IndexRange x;
  IndexRange y;
};

// Narrows the destination rectangle to the indices whose destination pixel lies inside dst and
// whose source pixel (x.sourceCorner + trunc(i * x.sourceExtent / |x.extent|), rows likewise,
// phase ignored) lies inside src. draw is false when nothing is left; otherwise non-empty
// ranges are not guaranteed, and an empty range simply draws nothing. Extents must be non-zero.
// Exact for every int32 input.
ClipResult ClipRectangles(PlaneSize dst, PlaneSize src, const CopyRequest& request);

}  // namespace tesselox
