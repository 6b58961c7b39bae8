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

// The subsampled plane (rows packed) a copy leaves in a lumaW x lumaH destination; src is the
// plane of a srcLumaW x srcLumaH source, src.pixelBytes a sample.
inline std::vector<std::uint8_t> ExpectedSubsampled(const PlaneView& src, std::int32_t srcLumaW,
                                                    std::int32_t srcLumaH,
                                                    const CopyRequest& request, std::int32_t lumaW,
                                                    std::int32_t lumaH, int shiftX, int shiftY,
                                                    const std::uint8_t* fill) {
  const auto n = static_cast<std::size_t>(src.pixelBytes);
  std::vector<std::uint8_t> full(static_cast<std::size_t>(srcLumaW) * srcLumaH * n), plane;
  for (std::int32_t y = 0; y < srcLumaH; ++y)
    for (std::int32_t x = 0; x < srcLumaW; ++x)
      std::memcpy(&full[(static_cast<std::size_t>(y) * srcLumaW + x) * n],
                  src.bytes + (y >> shiftY) * src.stride + (x >> shiftX) * n, n);
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
// is one macropixel, or none: what is not drawn keeps `kept`. Each pixel carries its own luma
// twice (for an even and an odd destination pixel) and its macropixel's chroma pair; an odd
// width's last macropixel takes its second luma sample as a pixel not drawn would.
inline std::vector<std::uint8_t> ExpectedPacked422(const PlaneView& src, std::int32_t srcLumaW,
                                                   const CopyRequest& request, std::int32_t lumaW,
                                                   std::int32_t lumaH, int lumaAt,
                                                   const std::uint8_t* fill,
                                                   std::uint8_t kept = 0) {
  const std::size_t sb = static_cast<std::size_t>(src.pixelBytes) / 2, px = 4 * sb;
  const int order[4] = {lumaAt, lumaAt + 2, 1 - lumaAt, 3 - lumaAt};
  std::vector<std::uint8_t> full(static_cast<std::size_t>(srcLumaW) * src.height * px),
      blank(px, kept), pixelFill(px);
  for (int s = 0; s < 4; ++s)
    std::memcpy(&pixelFill[s * sb], (fill ? fill : blank.data()) + order[s] * sb, sb);
  std::uint8_t* out = full.data();
  for (std::int32_t y = 0; y < src.height; ++y)
    for (std::int32_t x = 0; x < srcLumaW; ++x, out += px)
      for (int s = 0; s < 4; ++s)
        std::memcpy(
            out + s * sb,
            src.bytes + y * src.stride + (x / 2) * px + (s < 2 ? order[x & 1] : order[s]) * sb, sb);
  const PlaneView view{full.data(), srcLumaW, src.height, srcLumaW * static_cast<std::int32_t>(px),
                       static_cast<std::int32_t>(px)};
  const std::vector<std::uint8_t> copied =
      ExpectedPlane(view, request, lumaW, lumaH, pixelFill.data());
  const std::int32_t pairs = (lumaW + 1) / 2;
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(pairs) * lumaH * px);
  for (std::int32_t y = 0; y < lumaH; ++y)
    for (std::int32_t x = 0; x < 2 * pairs; ++x) {
      const std::uint8_t* p =
          x < lumaW ? &copied[(static_cast<std::size_t>(y) * lumaW + x) * px] : pixelFill.data();
      std::uint8_t* macro = &rows[(static_cast<std::size_t>(y) * pairs + x / 2) * px];
      std::memcpy(macro + order[x & 1] * sb, p + (x & 1) * sb, sb);
      for (int s = 2; (x & 1) == 0 && s < 4; ++s)
        std::memcpy(macro + order[s] * sb, p + s * sb, sb);
    }
  return rows;
}

}  // namespace tesselox::test
