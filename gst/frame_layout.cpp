#include "gst/frame_layout.h"

#include <algorithm>

namespace tesselox::gst {
namespace {

// The pixels packed to find each plane's fill: two, so that a packed 4:2:2 pair is whole.
constexpr int kFillPixels = 2;

}  // namespace

FrameLayout LayoutOf(const GstVideoInfo& info) {
  const GstVideoFormatInfo& format = *info.finfo;
  FrameLayout layout{};
  layout.planes = static_cast<int>(format.n_planes);
  for (int p = 0; p < layout.planes; ++p) {
    gint components[GST_VIDEO_MAX_COMPONENTS];
    gst_video_format_info_component(&format, static_cast<guint>(p), components);
    // The plane's first component sets its subsampling and pixel; a later one subsampled
    // across where the first is not makes it packed 4:2:2 (the first is then luma: Y0 U Y1 V).
    PlaneLayout& plane = layout.plane[p];
    const int first = components[0];
    plane.pixelBytes = format.pixel_stride[first];
    plane.shiftX = static_cast<int>(format.w_sub[first]);
    plane.shiftY = static_cast<int>(format.h_sub[first]);
    for (int k = 1; k < GST_VIDEO_MAX_COMPONENTS && components[k] >= 0; ++k) {
      if (static_cast<int>(format.w_sub[components[k]]) > plane.shiftX) {
        plane.packed422 = format.poffset[first] == 0 ? LumaSamples::First : LumaSamples::Second;
      }
    }
  }

  // Black in the format's unpacked form (A, then Y U V or R G B), packed into every plane by
  // the format's own routine, so that depth, shifts, order and subsampling come out right.
  const GstVideoFormatInfo& unpacked = *gst_video_format_get_info(format.unpack_format);
  const bool yuv = GST_VIDEO_FORMAT_INFO_IS_YUV(&unpacked);
  const bool limited = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_16_235;
  const guint level = limited ? 16 : 0;
  // Alpha 0 where the format has alpha; elsewhere it lands in padding bytes (RGBx), which
  // converters read as alpha: opaque there.
  const guint alpha = GST_VIDEO_FORMAT_INFO_HAS_ALPHA(&format) ? 0 : 255;
  const guint values[4] = {alpha, level, yuv ? 128u : level, yuv ? 128u : level};
  guint8 narrow[kFillPixels * 4];
  guint16 wide[kFillPixels * 4];
  for (int c = 0; c < kFillPixels * 4; ++c) {
    const guint v = values[c % 4];
    narrow[c] = static_cast<guint8>(v);
    wide[c] = static_cast<guint16>(c % 4 == 0 ? v * 257 : v << 8);  // alpha 255: 0xffff
  }
  const bool isWide = GST_VIDEO_FORMAT_INFO_DEPTH(&unpacked, 0) > 8;
  std::array<std::array<std::uint8_t, kFillPixels * kMaxPixelBytes>, GST_VIDEO_MAX_PLANES> packed{};
  gpointer planes[GST_VIDEO_MAX_PLANES] = {};
  gint strides[GST_VIDEO_MAX_PLANES] = {};
  for (int p = 0; p < layout.planes; ++p) {
    planes[p] = packed[p].data();
    strides[p] = static_cast<gint>(packed[p].size());
  }
  format.pack_func(&format, GST_VIDEO_PACK_FLAG_NONE, isWide ? static_cast<gpointer>(wide) : narrow,
                   0, planes, strides, GST_VIDEO_CHROMA_SITE_UNKNOWN, 0, kFillPixels);
  for (int p = 0; p < layout.planes; ++p) {
    const PlaneLayout& plane = layout.plane[p];
    std::copy_n(packed[p].begin(), plane.packed422 ? 2 * plane.pixelBytes : plane.pixelBytes,
                layout.plane[p].fill.begin());
  }
  return layout;
}

}  // namespace tesselox::gst
