// The plug-in library libgsttesselox.so: registers the element "tesselox". Its only exported
// symbols are the two entry points GST_PLUGIN_DEFINE makes (exports.map).

// GST_PLUGIN_DEFINE names the package it belongs to by this macro.
#define PACKAGE "tesselox"

#include <gst/gst.h>

#include "gst/tesselox_element.h"

static gboolean plugin_init(GstPlugin* plugin) {
  return GST_ELEMENT_REGISTER(tesselox, plugin);
}

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, tesselox,
                  "Tesselox: exact crop, mirror, phase and canvas in one element", plugin_init,
                  TESSELOX_VERSION, "MIT/X11", "Tesselox", "https://tesselox.invalid")
