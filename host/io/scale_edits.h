#pragma once

#include <vector>

#include "host/io/frame_size.h"
#include "host/io/options.h"

namespace tesselox::io {

// What --scale types, in field order: the whole input frame (corner 0,0, extent `input`) into
// an output frame of `output`, placed as `fit` says (none and stretch: the whole frame), and
// with center sampling the phases (and source corner) that sample at pixel centres.
std::vector<FieldEdit> ScaleEdits(Size output, Size input, FitMode fit = FitMode::None,
                                  Sampling sampling = Sampling::Edge);

}  // namespace tesselox::io
