#pragma once

#include <gst/video/video.h>

#include <array>
#include <cstdint>

#include "filter/plane_view.h"

// The offered formats, best first (GStreamer's own order), written out once for the element's
// static pad templates: every raw format whose planes all share the frame's geometry (no
// subsampling, tiles, palette or pixels packed across bytes), with 8 to 16 bits per component
// and a pixel of 1, 2, 3, 4, 6 or 8 bytes in every plane.
#define TESSELOX_GST_FORMATS                                                                   \
  "{ ABGR64_LE, BGRA64_LE, AYUV64, ARGB64_LE, ARGB64, RGBA64_LE, ABGR64_BE, BGRA64_BE, "       \
  "ARGB64_BE, RGBA64_BE, GBRA_12LE, GBRA_12BE, Y412_LE, Y412_BE, A444_10LE, GBRA_10LE, "       \
  "A444_10BE, GBRA_10BE, GBRA, ABGR, VUYA, BGRA, AYUV, ARGB, RGBA, Y444_16LE, Y444_16BE, "     \
  "Y444_12LE, GBR_12LE, Y444_12BE, GBR_12BE, Y444_10LE, GBR_10LE, Y444_10BE, GBR_10BE, r210, " \
  "Y444, RGBP, GBR, BGRP, NV24, xBGR, BGRx, xRGB, RGBx, BGR, IYU2, v308, RGB, GRAY16_LE, "     \
  "GRAY16_BE, GRAY8 }"

// The caps of both pads: every offered format at any size and rate, in system memory with any
// interlace mode but alternate, and in alternate mode (one field per buffer), which GStreamer
// marks with the caps feature "format:Interlaced".
#define TESSELOX_GST_CAPS                                                    \
  GST_VIDEO_CAPS_MAKE(TESSELOX_GST_FORMATS)                                  \
  "; " GST_VIDEO_CAPS_MAKE_WITH_FEATURES(GST_CAPS_FEATURE_FORMAT_INTERLACED, \
                                         TESSELOX_GST_FORMATS) ", interlace-mode=alternate"

namespace tesselox::gst {

// What the copy needs to know of a raw video format: its planes, the size of a pixel in each,
// and the pixel each plane is cleared to.
struct FrameLayout {
  int planes;
  std::array<int, GST_VIDEO_MAX_PLANES> pixelBytes;
  // Black in the format's own terms (limited or full range as the colorimetry says), with
  // alpha 0 where the format has alpha, so that a compositor shows through the cleared area.
  std::array<std::array<std::uint8_t, kMaxPixelBytes>, GST_VIDEO_MAX_PLANES> fill;
};

// The layout of frames described by `info` (an offered format).
FrameLayout LayoutOf(const GstVideoInfo& info);

}  // namespace tesselox::gst
