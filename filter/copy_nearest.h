#pragma once

#include <cstdint>

#include "filter/copy_request.h"
#include "filter/image_view.h"

namespace tesselox {

// Copies a rectangle of src into a rectangle of dst by nearest-neighbour sampling.
//
// Destination index i (0 <= i < |dcx|) is column dx + sgn(dcx) * i; j likewise for rows. With
// phase 0, index i takes source column sx + trunc(i * scx / |dcx|), rows likewise, so opposite
// signs of dcx and scx mirror the copy. The phase (px, py, in destination pixels) moves the
// places where the source index steps, never the first pixel of a run; phases that differ by a
// multiple of the destination extent are the same, and a negative phase counts as its positive
// equivalent in that sense.
//
// Only destination pixels inside dst whose source pixel lies inside src are written; every
// other destination pixel is left as it was. A zero extent or an empty image draws nothing.
// A phase can push the last source column or row of a run one past the image: those
// destination pixels repeat the source edge instead. No pixel outside either image is touched,
// whatever the values.
void CopyNearest(const ImageView& dst, std::int32_t dx, std::int32_t dy, std::int32_t dcx,
                 std::int32_t dcy, const ImageView& src, std::int32_t sx, std::int32_t sy,
                 std::int32_t scx, std::int32_t scy, std::int32_t px, std::int32_t py);

// The same copy with its values as a request: x.corner = dx, x.extent = dcx,
// x.sourceCorner = sx, x.sourceExtent = scx, x.phase = px; y likewise.
void CopyNearest(const ImageView& dst, const ImageView& src, const CopyRequest& request);

}  // namespace tesselox
