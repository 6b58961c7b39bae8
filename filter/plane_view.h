#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "filter/image_view.h"

namespace tesselox {

// One plane of a frame whose pixels are `pixelBytes` bytes each (1, 2, 3, 4, 6 or 8): pixel
// (x, y) starts at bytes + y * stride + x * pixelBytes. The stride is in bytes and need not be a
// multiple of the pixel size (rows of 3-byte pixels are often padded to 4-byte multiples). The
// copy never looks inside a pixel: it moves it whole.
struct PlaneView {
  std::uint8_t* bytes;
  std::int32_t width;
  std::int32_t height;
  std::ptrdiff_t stride;
  int pixelBytes;
};

// The pixel sizes the copy handles.
constexpr bool IsPixelSize(int pixelBytes) {
  return pixelBytes == 1 || pixelBytes == 2 || pixelBytes == 3 || pixelBytes == 4 ||
         pixelBytes == 6 || pixelBytes == 8;
}

// The largest pixel: a fill value is at most this long.
inline constexpr int kMaxPixelBytes = 8;

// A pixel of kBytes bytes as the kernels move it: whole, by value. Six-byte pixels are the
// module's Pixel, so that its copy and a plane's share their code.
template <int kBytes>
struct PixelBytes {
  std::uint8_t bytes[kBytes];
};

template <int kBytes>
using PixelOfSize = std::conditional_t<kBytes == 6, Pixel, PixelBytes<kBytes>>;

// An image of six-byte pixels as a plane.
inline PlaneView PlaneOf(const ImageView& image) {
  return PlaneView{
      reinterpret_cast<std::uint8_t*>(image.pixels), image.width, image.height,
      static_cast<std::ptrdiff_t>(image.stride) * static_cast<std::ptrdiff_t>(sizeof(Pixel)),
      sizeof(Pixel)};
}

}  // namespace tesselox
