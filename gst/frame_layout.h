#pragma once

#include <gst/video/video.h>

#include <array>
#include <cstdint>

#include "filter/plane_view.h"

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

// True for the formats the element offers: every plane shares the frame's geometry (no
// subsampling, no tiles, no palette, no pixels packed across byte boundaries), every component
// has 8 to 16 bits, and every plane's pixel is a size the copy handles.
bool IsOffered(const GstVideoFormatInfo& format);

// Raw video caps of every offered format, any size and rate.
GstCaps* OfferedCaps();

// The layout of frames described by `info` (an offered format).
FrameLayout LayoutOf(const GstVideoInfo& info);

}  // namespace tesselox::gst
