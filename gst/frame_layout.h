#pragma once

#include <gst/video/video.h>

#include <array>
#include <cstdint>
#include <optional>

#include "filter/plane_view.h"
#include "filter/render_packed_422.h"

// The offered formats, best first (GStreamer's own order), written out once for the element's
// static pad templates: every raw format with 8 to 16 bits per component (no tiles, palette or
// samples packed across bytes) whose planes are each either at the frame's size, or subsampled
// by powers of two with whole pixels of 1, 2 or 4 bytes (planar and semi-planar 4:2:0, 4:2:2
// and 4:1:1), or packed 4:2:2 in pairs of pixels sharing their chroma (YUY2 and kin, Y210).
#define TESSELOX_GST_FORMATS                                                               \
  "{ ABGR64_LE, BGRA64_LE, AYUV64, ARGB64_LE, ARGB64, RGBA64_LE, ABGR64_BE, BGRA64_BE, "   \
  "ARGB64_BE, RGBA64_BE, GBRA_12LE, GBRA_12BE, Y412_LE, Y412_BE, A444_10LE, GBRA_10LE, "   \
  "A444_10BE, GBRA_10BE, GBRA, ABGR, VUYA, BGRA, AYUV, ARGB, RGBA, A420, Y444_16LE, "      \
  "Y444_16BE, P016_LE, Y444_12LE, GBR_12LE, Y444_12BE, GBR_12BE, I422_12LE, Y212_LE, "     \
  "I420_12LE, P012_LE, Y444_10LE, GBR_10LE, Y444_10BE, GBR_10BE, r210, I422_10LE, Y210, "  \
  "I420_10LE, P010_10LE, Y444, RGBP, GBR, BGRP, NV24, xBGR, BGRx, xRGB, RGBx, BGR, IYU2, " \
  "v308, RGB, Y42B, NV61, NV16, VYUY, UYVY, YVYU, YUY2, I420, YV12, NV21, NV12, Y41B, "    \
  "GRAY16_LE, GRAY16_BE, GRAY8 }"

// The caps of both pads: every offered format at any size and rate, in system memory with any
// interlace mode but alternate, and in alternate mode (one field per buffer), which GStreamer
// marks with the caps feature "format:Interlaced".
#define TESSELOX_GST_CAPS                                                    \
  GST_VIDEO_CAPS_MAKE(TESSELOX_GST_FORMATS)                                  \
  "; " GST_VIDEO_CAPS_MAKE_WITH_FEATURES(GST_CAPS_FEATURE_FORMAT_INTERLACED, \
                                         TESSELOX_GST_FORMATS) ", interlace-mode=alternate"

namespace tesselox::gst {

// How one plane of a format is copied.
struct PlaneLayout {
  // The bytes of one pixel: in a subsampled plane one sample of each component it holds (a
  // semi-planar chroma plane's UV pair); in packed 4:2:2, two samples, a macropixel's half.
  int pixelBytes;
  // The plane holds ceil(width / 2^shiftX) x ceil(height / 2^shiftY) pixels of a frame
  // width x height (shifts 0 in packed 4:2:2, whose rows are seen as luma pixels).
  int shiftX;
  int shiftY;
  // In packed 4:2:2, where a macropixel's luma samples sit.
  std::optional<LumaSamples> packed422;
  // Black in the format's own terms (limited or full range as the colorimetry says), with
  // alpha 0 where the format has alpha, so that a compositor shows through the cleared area:
  // one pixel, in packed 4:2:2 one macropixel.
  std::array<std::uint8_t, kMaxPixelBytes> fill;
};

// What the copy needs to know of a raw video format: its planes.
struct FrameLayout {
  int planes;
  std::array<PlaneLayout, GST_VIDEO_MAX_PLANES> plane;
};

// The layout of frames described by `info` (an offered format).
FrameLayout LayoutOf(const GstVideoInfo& info);

}  // namespace tesselox::gst
