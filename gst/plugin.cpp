// The plug-in library libgsttesselox.so: registers the element "tesselox".

// GST_PLUGIN_DEFINE names the package it belongs to by this macro.
#define PACKAGE "tesselox"

#include <gst/gst.h>

#include "gst/tesselox_element.h"

namespace {

gboolean InitPlugin(GstPlugin* plugin) {
  return gst_element_register(plugin, "tesselox", GST_RANK_NONE,
                              tesselox::gst::TesseloxElementType());
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, tesselox,
                  "Tesselox: exact crop, mirror, phase and canvas in one element", InitPlugin,
                  TESSELOX_VERSION, "MIT/X11", "Tesselox", "https://tesselox.invalid")
