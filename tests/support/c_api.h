#pragma once

// The tests' images and requests in the C API's forms.

#include <cstddef>
#include <cstdint>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "tesselox/tesselox.h"

namespace tesselox::test {

inline tesselox_plane CPlaneOf(const PlaneView& plane) {
  return tesselox_plane{plane.bytes, plane.width, plane.height, plane.stride, plane.pixelBytes};
}

// In the struct's order: source x, y, cx, cy; destination x, y, cx, cy; the phases.
inline tesselox_request CRequestOf(const CopyRequest& r) {
  return tesselox_request{r.x.sourceCorner, r.y.sourceCorner, r.x.sourceExtent, r.y.sourceExtent,
                          r.x.corner,       r.y.corner,       r.x.extent,       r.y.extent,
                          r.x.phase,        r.y.phase};
}

// Copies src into dst through the C API without a fill, so that only drawn pixels change.
inline int CopyImage(const PlaneView& dst, const PlaneView& src, const CopyRequest& request) {
  const tesselox_plane d = CPlaneOf(dst), s = CPlaneOf(src);
  const tesselox_request r = CRequestOf(request);
  return tesselox_copy_plane(&d, &s, &r, nullptr);
}

}  // namespace tesselox::test
