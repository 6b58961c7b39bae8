#pragma once

#include <cstdint>

#include "filter/copy_request.h"
#include "frei0r/parameter_table.h"

namespace tesselox::frei0r {

// The copy the parameters ask for on a width x height frame, drawn on a canvas of the same size.
//
// Each fraction becomes pixels by rounding fraction * size to the nearest (halves away from
// zero): a left edge and a width in frame widths, a top edge and a height in frame heights, the
// phase in destination extents. Values outside [0, 1] are used as they come, so a rectangle may
// reach past the frame or run backwards (a negative width or height mirrors, as in the core);
// only results beyond +-2^30 pixels are held there, and a NaN counts as 0. A mirror switch keeps
// the destination rectangle's pixels and runs the copy from its far edge. The phase is held
// within 0..|destination extent|, as the module's frame callback holds its phase fields. A fit
// mode other than none replaces the destination rectangle (a mirror switch still walks it from
// its far edge, and the phases are fractions of it); center sampling then sets the phases.
CopyRequest RequestFor(const ParamValues& values, std::int32_t width, std::int32_t height);

}  // namespace tesselox::frei0r
