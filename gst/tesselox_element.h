#pragma once

#include <gst/gst.h>

namespace tesselox::gst {

// The GType of the element "tesselox", a GstVideoFilter that copies a rectangle of each frame,
// nearest-neighbour, into a rectangle of an output frame and clears the rest.
GType TesseloxElementType();

}  // namespace tesselox::gst
