#pragma once

#include <vector>

#include "host/io/frame_size.h"
#include "host/io/options.h"

namespace tesselox::io {

// What --scale types, in field order: the whole input frame (corner 0,0, extent `input`) into
// a destination of corner 0,0 and extent `output`, in an output frame of that size.
std::vector<FieldEdit> ScaleEdits(Size output, Size input);

}  // namespace tesselox::io
