#pragma once

// What a frame with subsampled planes must hold, from the full-size model alone: every chroma
// sample stands for the top-left pixel of its block, and takes the source sample of that pixel's
// source (or the fill where that pixel is not drawn). Packed 4:2:2 rows likewise: each luma
// sample by the full-size model, each macropixel's chroma pair by its first pixel.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "reference_model.h"
#include "source_model.h"

namespace tesselox::test {

// A random copy between images of minSize to maxW x maxH: corners and extents reaching past
// both, either way, phases small or now and then INT32_MIN.
inline Geometry RandomGeometry(std::mt19937& rng, int minSize, int maxW, int maxH) {
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  Geometry g{
      pick(minSize, maxW), pick(minSize, maxH), pick(minSize, maxW), pick(minSize, maxH), {}};
  for (CopyAxis* a : {&g.request.x, &g.request.y}) {
    const int d = a == &g.request.x ? g.dstW : g.dstH, s = a == &g.request.x ? g.srcW : g.srcH;
    *a = CopyAxis{pick(-d / 2, d), pick(-2 * d, 2 * d), pick(-s / 2, s), pick(-2 * s, 2 * s),
                  pick(0, 15) == 0 ? INT32_MIN : pick(-9, 9)};
  }
  return g;
}

// The plane a copy must leave in the subsampled plane of a lumaW x lumaH destination, src being
// the subsampled plane of a srcLumaW x srcLumaH source. Rows packed, src.pixelBytes a sample.
inline std::vector<std::uint8_t> ExpectedSubsampled(const PlaneView& src, std::int32_t srcLumaW,
                                                    std::int32_t srcLumaH,
                                                    const CopyRequest& request, std::int32_t lumaW,
                                                    std::int32_t lumaH, int shiftX, int shiftY,
                                                    const std::uint8_t* fill) {
  const SourceModel model(request, lumaW, lumaH, srcLumaW, srcLumaH);
  const std::int32_t w = (lumaW + (1 << shiftX) - 1) >> shiftX;
  const std::int32_t h = (lumaH + (1 << shiftY) - 1) >> shiftY;
  const auto size = static_cast<std::size_t>(src.pixelBytes);
  std::vector<std::uint8_t> plane(static_cast<std::size_t>(w) * h * size);
  std::uint8_t* out = plane.data();
  for (std::int32_t cy = 0; cy < h; ++cy) {
    for (std::int32_t cx = 0; cx < w; ++cx, out += size) {
      const auto at = model.At(cx << shiftX, cy << shiftY);
      std::memcpy(
          out,
          at ? src.bytes + (at->y >> shiftY) * src.stride + (at->x >> shiftX) * src.pixelBytes
             : fill,
          size);
    }
  }
  return plane;
}

// The packed 4:2:2 rows a copy must leave in a lumaW x lumaH destination (rows packed): luma
// samples by the full-size model, each macropixel's chroma pair by its first pixel's source
// pixel's macropixel, the fill elsewhere. src is seen as a plane of luma pixels (pixelBytes two
// samples, width srcLumaW); macropixels have luma at samples lumaAt and lumaAt + 2 (lumaAt 0 or
// 1), chroma at the other two; `fill` is one macropixel. An odd width's last macropixel has the
// fill's second luma sample for its own. Without a fill, what is not drawn keeps `kept`.
inline std::vector<std::uint8_t> ExpectedPacked422(const PlaneView& src, std::int32_t srcLumaW,
                                                   const CopyRequest& request, std::int32_t lumaW,
                                                   std::int32_t lumaH, int lumaAt,
                                                   const std::uint8_t* fill,
                                                   std::uint8_t kept = 0) {
  const SourceModel model(request, lumaW, lumaH, srcLumaW, src.height);
  const std::size_t pixel = static_cast<std::size_t>(src.pixelBytes), sb = pixel / 2;
  const std::size_t rowBytes = static_cast<std::size_t>((lumaW + 1) / 2) * 2 * pixel;
  std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(lumaH), kept);
  const std::vector<std::uint8_t> keep(2 * pixel, kept);
  if (fill == nullptr) fill = keep.data();
  for (std::size_t at = 0; lumaW % 2 != 0 && at < rows.size(); at += rowBytes)
    std::memcpy(rows.data() + at + rowBytes - 2 * pixel + (lumaAt + 2) * sb,
                fill + (lumaAt + 2) * sb, sb);
  // Sample `s` (0 to 3) of the macropixel holding pixel x of a row.
  auto sampleOf = [&](std::uint8_t* row, std::int32_t x, std::size_t s) {
    return row + static_cast<std::size_t>(x / 2) * 2 * pixel + s * sb;
  };
  for (std::int32_t y = 0; y < lumaH; ++y) {
    std::uint8_t* row = rows.data() + y * rowBytes;
    for (std::int32_t x = 0; x < lumaW; ++x) {
      const auto at = model.At(x, y);
      std::uint8_t* from = at ? src.bytes + at->y * src.stride : nullptr;
      const std::size_t lumaSample = static_cast<std::size_t>(lumaAt + 2 * (x & 1));
      std::memcpy(sampleOf(row, x, lumaSample),
                  at ? sampleOf(from, at->x, static_cast<std::size_t>(lumaAt + 2 * (at->x & 1)))
                     : fill + lumaSample * sb,
                  sb);
      for (std::size_t c = 1 - lumaAt; (x & 1) == 0 && c < 4; c += 2)
        std::memcpy(sampleOf(row, x, c), at ? sampleOf(from, at->x, c) : fill + c * sb, sb);
    }
  }
  return rows;
}

}  // namespace tesselox::test
