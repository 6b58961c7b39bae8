#include "filter/clear_outside.h"

#include <cstddef>
#include <cstring>

namespace tesselox {
namespace {

void Zero(Pixel* from, std::ptrdiff_t pixels) {
  if (pixels > 0) {
    std::memset(static_cast<void*>(from), 0, static_cast<std::size_t>(pixels) * sizeof(Pixel));
  }
}

}  // namespace

void ClearOutside(Pixel* buffer, std::ptrdiff_t stride, std::ptrdiff_t lines, PixelRect keep) {
  const std::ptrdiff_t total = stride * lines;
  if (keep.width <= 0 || keep.height <= 0) {
    Zero(buffer, total);
    return;
  }
  // Up to the first kept pixel; then from the end of each kept span to the start of the next
  // one, which runs across the line break; then from the last kept pixel to the buffer's end.
  std::ptrdiff_t from = 0;
  for (std::ptrdiff_t y = keep.top; y < keep.top + keep.height; ++y) {
    const std::ptrdiff_t spanStart = y * stride + keep.left;
    Zero(buffer + from, spanStart - from);
    from = spanStart + keep.width;
  }
  Zero(buffer + from, total - from);
}

}  // namespace tesselox
