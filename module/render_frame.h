#pragma once

#include <cstdint>

#include "module/parameters.h"
#include "module/frame_record.h"

namespace tesselox {

// Renders one output frame: sets the record's size to |width| x |height| (each capped at the
// buffers' capacity), clears the whole scratch buffer, copies the source rectangle of the frame
// into the destination rectangle and exchanges the two buffers. A record whose width or height
// exceeds its capacity is read as if it were the capacity; negative sizes and capacities count
// as 0. Nothing outside capacityWidth x capacityHeight pixels of either buffer is touched.
void RenderFrame(FrameRecord& record, const ParameterValues& values);

}  // namespace tesselox
