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

// The pixel sizes the copy handles.
constexpr bool IsPixelSize(int pixelBytes) {
  return pixelBytes == 1 || pixelBytes == 2 || pixelBytes == 3 || pixelBytes == 4 ||
         pixelBytes == 6 || pixelBytes == 8;
}

// The largest pixel: a fill value is at most this long.
inline constexpr int kMaxPixelBytes = 8;

}  // namespace tesselox
