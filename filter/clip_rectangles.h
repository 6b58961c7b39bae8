#pragma once

#include <cstdint>

#include "filter/copy_request.h"
#include "filter/image_view.h"

namespace tesselox {

// Half-open ranges of destination indices: index i of the destination rectangle is column
// x.corner + sgn(x.extent) * i, index j is row y.corner + sgn(y.extent) * j. Indices are 64-bit
// because |INT32_MIN| does not fit 32 bits.
struct ClipResult {
  bool draw;
  std::int64_t i0;
  std::int64_t j0;
  std::int64_t i1;
  std::int64_t j1;
};

// Narrows the destination rectangle to the indices whose destination pixel lies inside dst and
// whose source pixel (x.sourceCorner + trunc(i * x.sourceExtent / |x.extent|), rows likewise,
// phase ignored) lies inside src. draw is false when nothing is left; otherwise i0 < i1 and
// j0 < j1 are not guaranteed, and an empty range simply draws nothing. Extents must be non-zero.
// Exact for every int32 input.
ClipResult ClipRectangles(const ImageView& dst, const ImageView& src, const CopyRequest& request);

}  // namespace tesselox
