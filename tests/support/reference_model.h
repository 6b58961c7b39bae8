#pragma once

// The model's answers in the forms the tests compare with: a copy between two images of given
// sizes, what the copy makes of an image, and the source pixel of a destination pixel at phase 0.
// Everything comes from SourceModel, never from the clip or the plan under test.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "source_model.h"
#include "test_image.h"

namespace tesselox::test {

// A copy request between a dstW x dstH and a srcW x srcH image.
struct Geometry {
  std::int32_t dstW, dstH, srcW, srcH;
  CopyRequest request;
};

// "dst WxH src WxH x(corner, extent, source corner, source extent, phase) y(...)", for traces.
inline std::string Describe(const Geometry& g) {
  std::ostringstream out;
  out << "dst " << g.dstW << "x" << g.dstH << " src " << g.srcW << "x" << g.srcH;
  for (const CopyAxis* a : {&g.request.x, &g.request.y}) {
    out << (a == &g.request.x ? " x(" : " y(") << a->corner << ", " << a->extent << ", "
        << a->sourceCorner << ", " << a->sourceExtent << ", " << a->phase << ")";
  }
  return out.str();
}

// Writes each pixel of dst that the copy writes with its source pixel of src; leaves the rest.
inline void ReferenceCopy(const PlaneView& dst, const PlaneView& src, const CopyRequest& request) {
  const SourceModel model(request, dst.width, dst.height, src.width, src.height);
  const auto size = static_cast<std::size_t>(dst.pixelBytes);
  for (std::int32_t y = 0; y < dst.height; ++y) {
    for (std::int32_t x = 0; x < dst.width; ++x) {
      if (const auto at = model.At(x, y))
        std::memcpy(dst.bytes + y * dst.stride + x * dst.pixelBytes,
                    src.bytes + at->y * src.stride + at->x * src.pixelBytes, size);
    }
  }
}

// With phase 0 a pixel's source does not depend on the destination's size: the source pixel of
// (x, y), or nothing when the copy does not write it.
inline std::optional<Position> ModelSource(const CopyRequest& request, std::int32_t srcW,
                                           std::int32_t srcH, std::int32_t x, std::int32_t y) {
  auto axis = [](const CopyAxis& a, std::int32_t srcSize, std::int32_t at) {
    const AxisModel m{a.corner, a.extent, a.sourceCorner, a.sourceExtent, 0, 0, srcSize};
    const auto index = IndexOf(m, at);
    return index ? UnphasedSource(m, *index) : std::nullopt;
  };
  const auto sx = axis(request.x, srcW, x), sy = axis(request.y, srcH, y);
  if (!sx || !sy) return std::nullopt;
  return Position{static_cast<std::int32_t>(*sx), static_cast<std::int32_t>(*sy)};
}

}  // namespace tesselox::test
