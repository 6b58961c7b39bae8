#pragma once

// What a rendered frame must hold, straight from the geometry: its size and every pixel of the
// output buffer, for a frame whose pixels are Tagged with their positions.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "field_values.h"
#include "module/parameters.h"
#include "filter/plane_view.h"
#include "source_model.h"
#include "test_image.h"

namespace tesselox::test {

// An output width or height: the value's magnitude, at most the capacity (a negative capacity
// counts as 0).
inline std::int32_t OutputSize(std::int32_t value, std::int32_t capacity) {
  return static_cast<std::int32_t>(
      std::min<std::int64_t>(std::llabs(value), std::max(capacity, 0)));
}

// The buffers and the frame as a record states them; any values.
struct FrameShape {
  std::int32_t capW, capH;     // the buffers
  std::int32_t width, height;  // the incoming frame
  constexpr std::int32_t Stride() const { return std::max(capW, 0); }
  constexpr std::int32_t Lines() const { return std::max(capH, 0); }
  constexpr std::int32_t FrameWidth() const { return std::clamp(width, 0, Stride()); }
  constexpr std::int32_t FrameHeight() const { return std::clamp(height, 0, Lines()); }
};

// The incoming frame: Tagged(x, y) inside the frame, tagged kBeyondTag in the rest of the
// capacity.
inline std::vector<Pixel> TaggedFrame(const FrameShape& shape) {
  std::vector<Pixel> frame(static_cast<std::size_t>(shape.Stride()) * shape.Lines());
  for (std::int32_t y = 0; y < shape.Lines(); ++y) {
    for (std::int32_t x = 0; x < shape.Stride(); ++x) {
      const bool inside = x < shape.FrameWidth() && y < shape.FrameHeight();
      frame[static_cast<std::size_t>(y) * shape.Stride() + x] =
          Tagged(x, y, inside ? kImageTag : kBeyondTag);
    }
  }
  return frame;
}

// The whole output buffer as it must be after rendering TaggedFrame(shape) with these values:
// zero, except the pixels of the output frame that the copy writes.
inline std::vector<Pixel> ExpectedFrame(const FrameShape& shape, const ParameterValues& values) {
  const std::int32_t outW = OutputSize(values[Index(FieldId::Width)], shape.Stride());
  const std::int32_t outH = OutputSize(values[Index(FieldId::Height)], shape.Lines());
  const SourceModel model(RequestOf(values), outW, outH, shape.FrameWidth(), shape.FrameHeight());
  std::vector<Pixel> out(static_cast<std::size_t>(shape.Stride()) * shape.Lines());
  for (std::int32_t y = 0; y < outH; ++y) {
    for (std::int32_t x = 0; x < outW; ++x) {
      if (const auto at = model.At(x, y))
        out[static_cast<std::size_t>(y) * shape.Stride() + x] = Tagged(at->x, at->y);
    }
  }
  return out;
}

}  // namespace tesselox::test
