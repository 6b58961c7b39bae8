#pragma once

#include <cstddef>
#include <cstdint>

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

// A plane's width and height, in pixels: all that planning a copy needs of it.
struct PlaneSize {
  std::int32_t width;
  std::int32_t height;
};

constexpr PlaneSize SizeOf(const PlaneView& plane) {
  return PlaneSize{plane.width, plane.height};
}

// Rows [first, last) of a plane as a plane of their own (0 <= first <= last <= height).
constexpr PlaneView RowsOf(const PlaneView& plane, std::int32_t first, std::int32_t last) {
  return PlaneView{plane.bytes + first * plane.stride, plane.width, last - first, plane.stride,
                   plane.pixelBytes};
}

// The pixel sizes the copy handles.
constexpr bool IsPixelSize(int pixelBytes) {
  return pixelBytes == 1 || pixelBytes == 2 || pixelBytes == 3 || pixelBytes == 4 ||
         pixelBytes == 6 || pixelBytes == 8;
}

// The largest pixel: a fill value is at most this long.
inline constexpr int kMaxPixelBytes = 8;

// A pixel of kBytes bytes as the kernels move it: whole, by value.
template <int kBytes>
struct PixelBytes {
  std::uint8_t bytes[kBytes];
};

// A six-byte pixel, which some kernels have their own forms for.
using Pixel = PixelBytes<6>;
static_assert(sizeof(Pixel) == 6);

}  // namespace tesselox
