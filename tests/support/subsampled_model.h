#pragma once

// What a frame with subsampled planes must hold, from the full-size model alone: every chroma
// sample stands for the top-left pixel of its block, and takes the source sample of that pixel's
// source (or the fill where that pixel is not drawn). Packed 4:2:2 rows likewise: each luma
// sample by the full-size model, each macropixel's chroma pair by its first pixel.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "source_model.h"

namespace tesselox::test {

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

// The packed 4:2:2 rows a copy must leave in a lumaW x lumaH destination: macropixels of
// 4 * sampleBytes bytes, luma at samples `lumaAt` and lumaAt + 2 (lumaAt 0 or 1), chroma at the
// other two; `fill` one macropixel. An odd width's last macropixel has no second luma sample, and
// the model gives that sample the source's so that only real samples decide.
inline std::vector<std::uint8_t> ExpectedPacked422(const PlaneView& src, std::int32_t srcLumaW,
                                                   const CopyRequest& request, std::int32_t lumaW,
                                                   std::int32_t lumaH, int sampleBytes, int lumaAt,
                                                   const std::uint8_t* fill,
                                                   const std::vector<std::uint8_t>& phantom) {
  const SourceModel model(request, lumaW, lumaH, srcLumaW, src.height);
  const std::size_t sb = static_cast<std::size_t>(sampleBytes);
  const std::int32_t pairs = (lumaW + 1) / 2;
  const std::size_t rowBytes = static_cast<std::size_t>(pairs) * 4 * sb;
  std::vector<std::uint8_t> rows(phantom);
  rows.resize(rowBytes * static_cast<std::size_t>(lumaH));
  const int chromaAt = 1 - lumaAt;
  for (std::int32_t y = 0; y < lumaH; ++y) {
    std::uint8_t* row = rows.data() + y * rowBytes;
    for (std::int32_t x = 0; x < lumaW; ++x) {
      // Luma of pixel x: sample lumaAt + 2 * (x & 1) of macropixel x / 2.
      const std::size_t lumaByte = ((x & 1) * 2 + lumaAt) * sb;
      const auto at = model.At(x, y);
      const std::uint8_t* from = at ? src.bytes + at->y * src.stride + (at->x / 2) * 4 * sb +
                                          ((at->x & 1) * 2 + lumaAt) * sb
                                    : fill + lumaAt * sb;
      std::memcpy(row + (x / 2) * 4 * sb + lumaByte, from, sb);
      if (x & 1) continue;
      for (int c = 0; c < 2; ++c) {
        const std::size_t chromaByte = (c * 2 + chromaAt) * sb;
        const std::uint8_t* pair =
            at ? src.bytes + at->y * src.stride + (at->x / 2) * 4 * sb + chromaByte
               : fill + chromaByte;
        std::memcpy(row + (x / 2) * 4 * sb + chromaByte, pair, sb);
      }
    }
  }
  return rows;
}

}  // namespace tesselox::test
