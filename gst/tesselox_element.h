#pragma once

#include <gst/video/gstvideofilter.h>

G_BEGIN_DECLS

// The element "tesselox", a GstVideoFilter that copies a rectangle of each frame,
// nearest-neighbour, into a rectangle of an output frame and clears the rest.
#define GST_TYPE_TESSELOX (gst_tesselox_get_type())
G_DECLARE_FINAL_TYPE(GstTesselox, gst_tesselox, GST, TESSELOX, GstVideoFilter)

GST_ELEMENT_REGISTER_DECLARE(tesselox);

G_END_DECLS
