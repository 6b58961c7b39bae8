#pragma once

#include <cstdint>

#include "filter/plane_view.h"
#include "filter/parameters.h"

namespace tesselox {

// The host's per-frame record, as far as the filter uses it. The host's fields from byte 28 on
// are not ours and are neither read nor written.
struct FrameRecord {
  std::int32_t hostField0;
  Pixel* current;  // the frame; on return, the result
  Pixel* scratch;  // a second buffer of the same capacity; on return, the old frame
  std::int32_t width;
  std::int32_t height;
  std::int32_t capacityWidth;  // line stride of both buffers, in pixels
  std::int32_t capacityHeight;
};

// Renders one output frame: sets the record's size to |width| x |height| (each capped at the
// buffers' capacity), clears the whole scratch buffer, copies the source rectangle of the frame
// into the destination rectangle and exchanges the two buffers. A record whose width or height
// exceeds its capacity is read as if it were the capacity; negative sizes and capacities count
// as 0. Nothing outside capacityWidth x capacityHeight pixels of either buffer is touched.
void RenderFrame(FrameRecord& record, const ParameterValues& values);

}  // namespace tesselox
