#pragma once

// What a subsampled or packed 4:2:2 plane must hold, from the full-size model alone: repeat each
// chroma sample over its block, copy at full size, keep each block's top-left sample.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "source_model.h"

namespace tesselox::test {

// The subsampled plane (rows packed) a copy leaves in a lumaW x lumaH destination, from the
// plane of a srcLumaW x srcLumaH source (of src, only its bytes, stride and sample size count).
inline std::vector<std::uint8_t> ExpectedSubsampled(const PlaneView& src, std::int32_t srcLumaW,
                                                    std::int32_t srcLumaH,
                                                    const CopyRequest& request, std::int32_t lumaW,
                                                    std::int32_t lumaH, int shiftX, int shiftY,
                                                    const std::uint8_t* fill) {
  const auto n = static_cast<std::size_t>(src.pixelBytes);
  std::vector<std::uint8_t> full, plane;
  for (std::int32_t y = 0; y < srcLumaH; ++y)
    for (std::int32_t x = 0; x < srcLumaW; ++x) {
      const std::uint8_t* sample = src.bytes + (y >> shiftY) * src.stride + (x >> shiftX) * n;
      full.insert(full.end(), sample, sample + n);
    }
  const PlaneView view{full.data(), srcLumaW, srcLumaH, srcLumaW * src.pixelBytes, src.pixelBytes};
  const std::vector<std::uint8_t> copied = ExpectedPlane(view, request, lumaW, lumaH, fill);
  for (std::int32_t y = 0; y < lumaH; y += 1 << shiftY)
    for (std::int32_t x = 0; x < lumaW; x += 1 << shiftX) {
      const auto at = copied.begin() + (static_cast<std::ptrdiff_t>(y) * lumaW + x) * n;
      plane.insert(plane.end(), at, at + n);
    }
  return plane;
}

// The packed 4:2:2 rows a copy leaves in a lumaW x lumaH destination: src is seen as luma pixels
// of two samples (srcLumaW wide), luma at samples lumaAt and lumaAt + 2 of each macropixel; `fill`
// is one macropixel, or none: what is not drawn keeps `kept`. Whole macropixels follow their
// first pixel, as a plane subsampled across; then each pixel takes its own luma, an odd width's
// last macropixel its second luma sample as a pixel not drawn would.
inline std::vector<std::uint8_t> ExpectedPacked422(const PlaneView& src, std::int32_t srcLumaW,
                                                   const CopyRequest& request, std::int32_t lumaW,
                                                   std::int32_t lumaH, int lumaAt,
                                                   const std::uint8_t* fill,
                                                   std::uint8_t kept = 0) {
  const auto sb = static_cast<std::size_t>(src.pixelBytes / 2);
  const std::vector<std::uint8_t> blank(4 * sb, kept);
  if (fill == nullptr) fill = blank.data();
  const PlaneView macropixels{src.bytes, 0, 0, src.stride, 2 * src.pixelBytes};
  std::vector<std::uint8_t> rows =
      ExpectedSubsampled(macropixels, srcLumaW, src.height, request, lumaW, lumaH, 1, 0, fill);
  // Each pixel's luma twice over, so that an even and an odd pixel not drawn take their own.
  const int luma[2] = {lumaAt, lumaAt + 2};
  std::vector<std::uint8_t> full, lumaFill;
  for (std::int32_t y = 0; y < src.height; ++y)
    for (std::int32_t x = 0; x < 2 * srcLumaW; ++x) {
      const std::uint8_t* at = src.bytes + y * src.stride + (x / 4 * 4 + luma[x / 2 & 1]) * sb;
      full.insert(full.end(), at, at + sb);
    }
  for (int t : luma) lumaFill.insert(lumaFill.end(), fill + t * sb, fill + (t + 1) * sb);
  const PlaneView view{full.data(), srcLumaW, src.height, srcLumaW * src.pixelBytes,
                       src.pixelBytes};
  const std::vector<std::uint8_t> copied =
      ExpectedPlane(view, request, lumaW, lumaH, lumaFill.data());
  const std::int32_t pairs = (lumaW + 1) / 2;
  for (std::int32_t y = 0; y < lumaH; ++y)
    for (std::int32_t x = 0; x < 2 * pairs; ++x)
      std::memcpy(&rows[((static_cast<std::size_t>(y) * pairs + x / 2) * 4 + luma[x & 1]) * sb],
                  x < lumaW
                      ? &copied[(static_cast<std::size_t>(y) * lumaW + x) * 2 * sb + (x & 1) * sb]
                      : fill + luma[1] * sb,
                  sb);
  return rows;
}

}  // namespace tesselox::test
