#pragma once

#include <cstdint>

namespace tesselox {

// One sample of a frame. The filter never looks inside one: it copies it whole, and six zero
// bytes are the fill value.
struct Pixel {
  std::uint8_t bytes[6];
};
static_assert(sizeof(Pixel) == 6);

// A rectangular grid of pixels. Pixel (x, y) lies at pixels[y * stride + x]; stride is in pixels.
struct ImageView {
  Pixel* pixels;
  std::int32_t width;
  std::int32_t height;
  std::int32_t stride;
};

}  // namespace tesselox
