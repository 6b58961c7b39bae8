#pragma once

// What the copy must produce, straight from the geometry, and the plain accumulator walk that
// every fast path is measured against.

#include <cstdint>
#include <cstdlib>
#include <optional>

#include "filter/clip_rectangles.h"
#include "filter/image_view.h"
#include "test_image.h"

namespace tesselox::test {

struct CopyArgs {
  std::int32_t dx, dy, dcx, dcy, sx, sy, scx, scy, px, py;
};

// With phase 0: the source pixel that destination pixel (x, y) must hold, or nothing when no
// index of the destination rectangle lands there or its source lies outside a srcW x srcH image.
inline std::optional<Position> ModelSource(const CopyArgs& a, std::int32_t srcW, std::int32_t srcH,
                                           std::int32_t x, std::int32_t y) {
  auto axis = [](std::int64_t d, std::int64_t dc, std::int64_t s, std::int64_t sc,
                 std::int64_t size, std::int64_t at) -> std::optional<std::int64_t> {
    if (dc == 0 || sc == 0) return std::nullopt;
    const std::int64_t index = dc > 0 ? at - d : d - at;
    if (index < 0 || index >= std::llabs(dc)) return std::nullopt;
    const std::int64_t source = s + index * sc / std::llabs(dc);
    if (source < 0 || source >= size) return std::nullopt;
    return source;
  };
  const auto sxPos = axis(a.dx, a.dcx, a.sx, a.scx, srcW, x);
  const auto syPos = axis(a.dy, a.dcy, a.sy, a.scy, srcH, y);
  if (!sxPos || !syPos) return std::nullopt;
  return Position{static_cast<std::int32_t>(*sxPos), static_cast<std::int32_t>(*syPos)};
}

// The straightforward walk: clip, then one accumulator per axis stepping the source index
// whenever it reaches the destination extent. Reads beyond the far edge (which a phase can
// cause) take the edge pixel. Small extents only: the stepping loops are per pixel.
inline void ReferenceCopy(const ImageView& dst, const ImageView& src, const CopyArgs& a) {
  if (a.dcx == 0 || a.dcy == 0 || a.scx == 0 || a.scy == 0) return;
  if (dst.width <= 0 || dst.height <= 0 || src.width <= 0 || src.height <= 0) return;
  const ClipResult c = ClipRectangles(a.dcx, a.dx, a.dy, a.dcy, dst, src, a.sx, a.sy, a.scx, a.scy);
  if (!c.draw) return;
  const std::int64_t adcx = std::llabs(a.dcx), adcy = std::llabs(a.dcy);
  const std::int64_t ascx = std::llabs(a.scx), ascy = std::llabs(a.scy);
  auto mod = [](std::int64_t v, std::int64_t m) { return ((v % m) + m) % m; };
  auto clamp = [](std::int64_t v, std::int64_t size) {
    return v < 0 ? 0 : v >= size ? size - 1 : v;
  };
  std::int64_t dstRow = a.dy + (a.dcy < 0 ? -1 : 1) * c.j0;
  std::int64_t srcRow = a.sy + c.j0 * a.scy / adcy;
  std::int64_t accY = mod((c.j0 + mod(a.py, adcy)) * ascy, adcy);
  for (std::int64_t j = c.j0; j < c.j1; ++j) {
    std::int64_t dstCol = a.dx + (a.dcx < 0 ? -1 : 1) * c.i0;
    std::int64_t srcCol = a.sx + c.i0 * a.scx / adcx;
    std::int64_t accX = mod((c.i0 + mod(a.px, adcx)) * ascx, adcx);
    for (std::int64_t i = c.i0; i < c.i1; ++i) {
      dst.pixels[dstRow * dst.stride + dstCol] =
          src.pixels[clamp(srcRow, src.height) * src.stride + clamp(srcCol, src.width)];
      accX += ascx;
      while (accX >= adcx) {
        accX -= adcx;
        srcCol += a.scx < 0 ? -1 : 1;
      }
      dstCol += a.dcx < 0 ? -1 : 1;
    }
    accY += ascy;
    while (accY >= adcy) {
      accY -= adcy;
      srcRow += a.scy < 0 ? -1 : 1;
    }
    dstRow += a.dcy < 0 ? -1 : 1;
  }
}

}  // namespace tesselox::test
