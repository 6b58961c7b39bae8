#include "gst/frame_layout.h"

namespace tesselox::gst {
namespace {

// The first component stored in `plane`: all of a plane's components share its pixel stride.
int FirstComponent(const GstVideoFormatInfo& format, guint plane) {
  gint components[GST_VIDEO_MAX_COMPONENTS];
  gst_video_format_info_component(&format, plane, components);
  return components[0];
}

}  // namespace

FrameLayout LayoutOf(const GstVideoInfo& info) {
  const GstVideoFormatInfo& format = *info.finfo;
  FrameLayout layout{};
  layout.planes = static_cast<int>(format.n_planes);
  for (int p = 0; p < layout.planes; ++p) {
    layout.pixelBytes[p] = format.pixel_stride[FirstComponent(format, static_cast<guint>(p))];
  }

  // One black pixel in the format's unpacked form (A, then Y U V or R G B), packed into every
  // plane by the format's own routine, so that depth, shifts and byte order come out right.
  const GstVideoFormatInfo& unpacked = *gst_video_format_get_info(format.unpack_format);
  const bool yuv = GST_VIDEO_FORMAT_INFO_IS_YUV(&unpacked);
  const bool limited = info.colorimetry.range == GST_VIDEO_COLOR_RANGE_16_235;
  const guint level = limited ? 16 : 0;
  // Alpha 0 where the format has alpha; elsewhere it lands in padding bytes (RGBx), which
  // converters read as alpha: opaque there.
  const guint alpha = GST_VIDEO_FORMAT_INFO_HAS_ALPHA(&format) ? 0 : 255;
  const guint values[4] = {alpha, level, yuv ? 128u : level, yuv ? 128u : level};
  guint8 narrow[4];
  guint16 wide[4];
  for (int c = 0; c < 4; ++c) {
    narrow[c] = static_cast<guint8>(values[c]);
    wide[c] = static_cast<guint16>(c == 0 ? values[c] * 257 : values[c] << 8);  // 255: 0xffff
  }
  const bool isWide = GST_VIDEO_FORMAT_INFO_DEPTH(&unpacked, 0) > 8;
  gpointer planes[GST_VIDEO_MAX_PLANES] = {};
  gint strides[GST_VIDEO_MAX_PLANES] = {};
  for (int p = 0; p < layout.planes; ++p) {
    planes[p] = layout.fill[p].data();
    strides[p] = kMaxPixelBytes;
  }
  format.pack_func(&format, GST_VIDEO_PACK_FLAG_NONE, isWide ? static_cast<gpointer>(wide) : narrow,
                   0, planes, strides, GST_VIDEO_CHROMA_SITE_UNKNOWN, 0, 1);
  return layout;
}

}  // namespace tesselox::gst
