#pragma once

// What the copy must produce, straight from the geometry, and the plain accumulator walk that
// every fast path is measured against.

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>

#include "filter/clip_rectangles.h"
#include "filter/copy_request.h"
#include "filter/image_view.h"
#include "test_image.h"

namespace tesselox::test {

// "x(corner, extent, source corner, source extent, phase) y(...)", for traces.
inline std::string Describe(const CopyRequest& r) {
  std::ostringstream out;
  for (const CopyAxis* a : {&r.x, &r.y}) {
    out << (a == &r.x ? "x(" : " y(") << a->corner << ", " << a->extent << ", " << a->sourceCorner
        << ", " << a->sourceExtent << ", " << a->phase << ")";
  }
  return out.str();
}

// With phase 0: the source pixel that destination pixel (x, y) must hold, or nothing when no
// index of the destination rectangle lands there or its source lies outside a srcW x srcH image.
inline std::optional<Position> ModelSource(const CopyRequest& r, std::int32_t srcW,
                                           std::int32_t srcH, std::int32_t x, std::int32_t y) {
  auto axis = [](const CopyAxis& a, std::int64_t size,
                 std::int64_t at) -> std::optional<std::int64_t> {
    const std::int64_t dc = a.extent, sc = a.sourceExtent;
    if (dc == 0 || sc == 0) return std::nullopt;
    const std::int64_t index = dc > 0 ? at - a.corner : a.corner - at;
    if (index < 0 || index >= std::llabs(dc)) return std::nullopt;
    const std::int64_t source = a.sourceCorner + index * sc / std::llabs(dc);
    if (source < 0 || source >= size) return std::nullopt;
    return source;
  };
  const auto sxPos = axis(r.x, srcW, x);
  const auto syPos = axis(r.y, srcH, y);
  if (!sxPos || !syPos) return std::nullopt;
  return Position{static_cast<std::int32_t>(*sxPos), static_cast<std::int32_t>(*syPos)};
}

// The straightforward walk: clip, then one accumulator per axis stepping the source index
// whenever it reaches the destination extent. Reads beyond the far edge (which a phase can
// cause) take the edge pixel. Small extents only: the stepping loops are per pixel.
inline void ReferenceCopy(const ImageView& dst, const ImageView& src, const CopyRequest& r) {
  const CopyAxis& x = r.x;
  const CopyAxis& y = r.y;
  if (x.extent == 0 || y.extent == 0 || x.sourceExtent == 0 || y.sourceExtent == 0) return;
  if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0) return;
  const ClipResult c = ClipRectangles(dst, src, r);
  if (!c.draw) return;
  const std::int64_t adcx = std::llabs(x.extent), adcy = std::llabs(y.extent);
  const std::int64_t ascx = std::llabs(x.sourceExtent), ascy = std::llabs(y.sourceExtent);
  auto mod = [](std::int64_t v, std::int64_t m) { return ((v % m) + m) % m; };
  auto clamp = [](std::int64_t v, std::int64_t size) {
    return v < 0 ? 0 : v >= size ? size - 1 : v;
  };
  std::int64_t dstRow = y.corner + (y.extent < 0 ? -1 : 1) * c.y.begin;
  std::int64_t srcRow = y.sourceCorner + c.y.begin * y.sourceExtent / adcy;
  std::int64_t accY = mod((c.y.begin + mod(y.phase, adcy)) * ascy, adcy);
  for (std::int64_t j = c.y.begin; j < c.y.end; ++j) {
    std::int64_t dstCol = x.corner + (x.extent < 0 ? -1 : 1) * c.x.begin;
    std::int64_t srcCol = x.sourceCorner + c.x.begin * x.sourceExtent / adcx;
    std::int64_t accX = mod((c.x.begin + mod(x.phase, adcx)) * ascx, adcx);
    for (std::int64_t i = c.x.begin; i < c.x.end; ++i) {
      dst.pixels[dstRow * dst.stride + dstCol] =
          src.pixels[clamp(srcRow, src.height) * src.stride + clamp(srcCol, src.width)];
      accX += ascx;
      while (accX >= adcx) {
        accX -= adcx;
        srcCol += x.sourceExtent < 0 ? -1 : 1;
      }
      dstCol += x.extent < 0 ? -1 : 1;
    }
    accY += ascy;
    while (accY >= adcy) {
      accY -= adcy;
      srcRow += y.sourceExtent < 0 ? -1 : 1;
    }
    dstRow += y.extent < 0 ? -1 : 1;
  }
}

}  // namespace tesselox::test
