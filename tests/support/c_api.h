#pragma once

// The tests' images and requests in the C API's forms, and back: each value by its name.

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

inline tesselox_request CRequestOf(const CopyRequest& r) {
  return tesselox_request{.src_x = r.x.sourceCorner,
                          .src_y = r.y.sourceCorner,
                          .src_cx = r.x.sourceExtent,
                          .src_cy = r.y.sourceExtent,
                          .dst_x = r.x.corner,
                          .dst_y = r.y.corner,
                          .dst_cx = r.x.extent,
                          .dst_cy = r.y.extent,
                          .phase_x = r.x.phase,
                          .phase_y = r.y.phase};
}

inline CopyRequest ModelRequest(const tesselox_request& c) {
  return CopyRequest{.x = {.corner = c.dst_x,
                           .extent = c.dst_cx,
                           .sourceCorner = c.src_x,
                           .sourceExtent = c.src_cx,
                           .phase = c.phase_x},
                     .y = {.corner = c.dst_y,
                           .extent = c.dst_cy,
                           .sourceCorner = c.src_y,
                           .sourceExtent = c.src_cy,
                           .phase = c.phase_y}};
}

// Copies src into dst through the C API without a fill, so that only drawn pixels change.
inline int CopyImage(const ImageView& dst, const ImageView& src, const CopyRequest& request) {
  const tesselox_plane d = CPlaneOf(dst), s = CPlaneOf(src);
  const tesselox_request r = CRequestOf(request);
  return tesselox_copy_plane(&d, &s, &r, nullptr);
}

}  // namespace tesselox::test
