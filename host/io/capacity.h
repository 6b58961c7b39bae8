#pragma once

// How large the frame buffers are: the policy, and the one check of their area.

#include <string>

#include "host/io/frame_size.h"
#include "host/io/options.h"

namespace tesselox::io {

// --capacity if given, else per side the larger of --max and the input.
Size EffectiveCapacity(const Options& options, Size input);

// Which option set the buffers' capacity, for messages: "--capacity WxH", "--max WxH" or the
// input.
std::string CapacityOrigin(const Options& options, Size input);

// Throws IoError, naming the option responsible, when the buffers' capacity has more than
// kMaxFramePixels pixels.
void CheckCapacityArea(const Options& options, Size input);

}  // namespace tesselox::io
