#pragma once

#include <cstdint>

#include "filter/plane_view.h"

namespace tesselox {

// The host's per-frame record, as far as the module uses it: two buffers of six-byte pixels
// (the host's fields from byte 28 on are not ours and are neither read nor written).
struct FrameRecord {
  std::int32_t hostField0;
  Pixel* current;  // the frame; on return, the result
  Pixel* scratch;  // a second buffer of the same capacity; on return, the old frame
  std::int32_t width;
  std::int32_t height;
  std::int32_t capacityWidth;  // line stride of both buffers, in pixels
  std::int32_t capacityHeight;
};

}  // namespace tesselox
