#pragma once

// The tests' images and requests in the C API's forms.

#include <cstddef>
#include <cstdint>

#include "filter/copy_request.h"
#include "filter/image_view.h"
#include "tesselox/tesselox.h"

namespace tesselox::test {

// An image of six-byte pixels as a plane.
inline tesselox_plane CPlaneOf(const ImageView& image) {
  return tesselox_plane{image.pixels, image.width, image.height,
                        static_cast<std::ptrdiff_t>(image.stride) * 6, 6};
}

// In the struct's order: source x, y, cx, cy; destination x, y, cx, cy; the phases.
inline tesselox_request CRequestOf(const CopyRequest& r) {
  return tesselox_request{r.x.sourceCorner, r.y.sourceCorner, r.x.sourceExtent, r.y.sourceExtent,
                          r.x.corner,       r.y.corner,       r.x.extent,       r.y.extent,
                          r.x.phase,        r.y.phase};
}

// Copies src into dst through the C API without a fill, so that only drawn pixels change.
inline int CopyImage(const ImageView& dst, const ImageView& src, const CopyRequest& request) {
  const tesselox_plane d = CPlaneOf(dst), s = CPlaneOf(src);
  const tesselox_request r = CRequestOf(request);
  return tesselox_copy_plane(&d, &s, &r, nullptr);
}

}  // namespace tesselox::test
