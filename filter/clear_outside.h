#pragma once

#include <cstddef>

#include "filter/image_view.h"

namespace tesselox {

// A rectangle of pixels: columns [left, left + width), rows [top, top + height).
struct PixelRect {
  std::ptrdiff_t left;
  std::ptrdiff_t top;
  std::ptrdiff_t width;
  std::ptrdiff_t height;
};

// Sets to zero bytes every pixel of a buffer of `lines` lines of `stride` pixels except those
// of `keep`, which must lie inside the buffer's columns and lines. An empty `keep` clears the
// whole buffer. Each gap between kept spans is one memset.
void ClearOutside(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep);

}  // namespace tesselox
