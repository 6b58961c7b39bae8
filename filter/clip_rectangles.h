#pragma once

#include <cstdint>

#include "filter/image_view.h"

namespace tesselox {

// Half-open ranges of destination indices: index i of the destination rectangle is column
// dx + sgn(dcx) * i, index j is row dy + sgn(dcy) * j. Indices are 64-bit because |INT32_MIN|
// does not fit 32 bits.
struct ClipResult {
  bool draw;
  std::int64_t i0;
  std::int64_t j0;
  std::int64_t i1;
  std::int64_t j1;
};

// Narrows the destination rectangle to the indices whose destination pixel lies inside dst and
// whose source pixel (sx + trunc(i * scx / |dcx|), rows likewise, phase ignored) lies inside src.
// draw is false when nothing is left; otherwise i0 < i1 and j0 < j1 are not guaranteed, and an
// empty range simply draws nothing. Extents must be non-zero. Exact for every int32 input.
ClipResult ClipRectangles(std::int32_t dcx, std::int32_t dx, std::int32_t dy, std::int32_t dcy,
                          const ImageView& dst, const ImageView& src, std::int32_t sx,
                          std::int32_t sy, std::int32_t scx, std::int32_t scy);

}  // namespace tesselox
