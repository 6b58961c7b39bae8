#pragma once

// What a destination line must hold with any phase, straight from the geometry, one axis at a
// time (columns and rows are independent).
//
// The drawn lines are those the phase-0 geometry draws: the clipping ignores the phase. Along a
// run that starts at drawn index i0, index i takes source line
//   s + sgn(sc) * (floor(i0 * |sc| / |dc|) + floor((r + (i - i0) * |sc|) / |dc|)),
//   r = ((i0 + phase) * |sc|) mod |dc|,
// that is, the phase only shifts the fraction carried from the first drawn index. Where this
// lands one line past the source image the edge line is repeated.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "test_image.h"

namespace tesselox::test {

struct AxisModel {
  std::int64_t d, dc;             // destination corner and signed extent
  std::int64_t s, sc;             // source corner and signed extent
  std::int64_t phase;             // in destination lines, any value
  std::int64_t dstSize, srcSize;  // lines in each image
};

// The destination index of line `at`, if the rectangle covers it.
inline std::optional<std::int64_t> IndexOf(const AxisModel& a, std::int64_t at) {
  if (a.dc == 0) return std::nullopt;
  const std::int64_t index = a.dc > 0 ? at - a.d : a.d - at;
  if (index < 0 || index >= std::llabs(a.dc)) return std::nullopt;
  return index;
}

// The source line of `index` with phase 0, if it lies inside the source image.
inline std::optional<std::int64_t> UnphasedSource(const AxisModel& a, std::int64_t index) {
  if (a.sc == 0) return std::nullopt;
  const std::int64_t source = a.s + index * a.sc / std::llabs(a.dc);
  if (source < 0 || source >= a.srcSize) return std::nullopt;
  return source;
}

// The lowest index drawn along the axis, if any.
inline std::optional<std::int64_t> FirstDrawn(const AxisModel& a) {
  std::optional<std::int64_t> first;
  for (std::int64_t at = 0; at < a.dstSize; ++at) {
    const auto index = IndexOf(a, at);
    if (index && UnphasedSource(a, *index) && (!first || *index < *first)) first = index;
  }
  return first;
}

// The source line that destination line `at` takes, or nothing when it is not drawn. `first` is
// FirstDrawn(a), passed in so that callers compute it once per axis.
inline std::optional<std::int64_t> PhasedSource(const AxisModel& a, std::int64_t at,
                                                std::optional<std::int64_t> first) {
  const auto index = IndexOf(a, at);
  if (!index || !UnphasedSource(a, *index) || !first) return std::nullopt;
  const std::int64_t dc = std::llabs(a.dc), sc = std::llabs(a.sc);
  auto mod = [](std::int64_t v, std::int64_t m) { return ((v % m) + m) % m; };
  const std::int64_t r = mod(*first + mod(a.phase, dc), dc) * sc % dc;
  const std::int64_t steps = *first * sc / dc + (r + (*index - *first) * sc) / dc;
  const std::int64_t source = a.s + (a.sc < 0 ? -steps : steps);
  return source < 0 ? 0 : source >= a.srcSize ? a.srcSize - 1 : source;
}

// What every destination pixel of a dstW x dstH image must hold when a srcW x srcH image is
// copied as `request` asks: a source position, or nothing when the copy does not write it.
class SourceModel {
 public:
  SourceModel(const CopyRequest& request, std::int32_t dstW, std::int32_t dstH, std::int32_t srcW,
              std::int32_t srcH)
      : x_(Axis(request.x, dstW, srcW)),
        y_(Axis(request.y, dstH, srcH)),
        firstX_(FirstDrawn(x_)),
        firstY_(FirstDrawn(y_)) {}

  std::optional<Position> At(std::int32_t x, std::int32_t y) const {
    const auto sx = PhasedSource(x_, x, firstX_);
    const auto sy = PhasedSource(y_, y, firstY_);
    if (!sx || !sy) return std::nullopt;
    return Position{static_cast<std::int32_t>(*sx), static_cast<std::int32_t>(*sy)};
  }

 private:
  static AxisModel Axis(const CopyAxis& a, std::int32_t dstSize, std::int32_t srcSize) {
    return AxisModel{a.corner, a.extent, a.sourceCorner, a.sourceExtent, a.phase, dstSize, srcSize};
  }

  AxisModel x_, y_;
  std::optional<std::int64_t> firstX_, firstY_;
};

// The plane the copy must leave in a dstW x dstH destination: each pixel the copy writes holds
// its source pixel of `src`, every other pixel `fill` (src.pixelBytes bytes). Rows are packed:
// dstW * src.pixelBytes bytes each.
inline std::vector<std::uint8_t> ExpectedPlane(const PlaneView& src, const CopyRequest& request,
                                               std::int32_t dstW, std::int32_t dstH,
                                               const std::uint8_t* fill) {
  const std::size_t size = static_cast<std::size_t>(src.pixelBytes);
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(dstW) * dstH * size);
  const SourceModel model(request, dstW, dstH, src.width, src.height);
  std::uint8_t* out = plane.data();
  for (std::int32_t y = 0; y < dstH; ++y) {
    for (std::int32_t x = 0; x < dstW; ++x, out += size) {
      const auto at = model.At(x, y);
      std::memcpy(out, at ? src.bytes + at->y * src.stride + at->x * src.pixelBytes : fill, size);
    }
  }
  return plane;
}

}  // namespace tesselox::test
