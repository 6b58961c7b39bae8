/**
 * SECTION:element-tesselox
 * @title: tesselox
 * @see_also: videocrop, videoflip, videoscale, videobox
 *
 * Copies a rectangle of each frame, nearest-neighbour, into a rectangle of an output frame of
 * any size, and clears the rest: a crop, a mirror (negative extents), an exact whole-pixel
 * scale, a phase that moves where source pixels repeat, and a canvas, in one pass. Cleared
 * pixels are black in the format's own terms and transparent where the format has alpha.
 *
 * Interleaved and mixed interlaced frames are copied field by field, alternate ones one field
 * per buffer: the vertical geometry applies within each field, and the output keeps the
 * stream's interlace mode. With #GstTesselox:keep-pixel-aspect (the default) the output's
 * pixel aspect ratio keeps the picture's display shape.
 *
 * #GstTesselox:fit places the source in the output frame by itself (stretched, letterboxed,
 * cropped to fill, or enlarged by the largest whole multiple), comparing shapes with the caps'
 * pixel aspect ratios; #GstTesselox:sampling center takes each output pixel's source under its
 * centre, as Pillow NEAREST and videoscale do.
 *
 * ## Example launch line
 * |[
 * gst-launch-1.0 videotestsrc ! video/x-raw,format=RGBx,width=640,height=360 ! \
 *   tesselox src-x=479 src-y=200 src-cx=-160 src-cy=90 dst-x=80 dst-y=45 dst-cx=480 dst-cy=270 ! \
 *   videoconvert ! autovideosink
 * ]| A mirrored 160 x 90 crop of the test pattern, enlarged 3 times onto a black canvas.
 * |[
 * gst-launch-1.0 videotestsrc ! video/x-raw,width=640,height=480 ! \
 *   tesselox fit=contain width=1920 height=1080 ! videoconvert ! autovideosink
 * ]| The whole frame, letterboxed into 1920 x 1080.
 */

#include "gst/tesselox_element.h"

#include <gst/video/video.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <memory>
#include <new>
#include <string>

#include "filter/band_pool.h"
#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "filter/fit_request.h"
#include "filter/render_packed_422.h"
#include "filter/render_plane.h"
#include "filter/subsampled_plan.h"
#include "gst/element_properties.h"
#include "gst/frame_layout.h"

using tesselox::CopyAxis;
using tesselox::CopyPlan;
using tesselox::CopyRequest;
using tesselox::Magnitude;
using tesselox::PlaneView;
using tesselox::gst::FrameLayout;
using tesselox::gst::FrameSize;
using tesselox::gst::Geometry;
using tesselox::gst::PlaneLayout;
using tesselox::gst::PropertyId;

GST_DEBUG_CATEGORY_STATIC(gst_tesselox_debug);
#define GST_CAT_DEFAULT gst_tesselox_debug

namespace {
// The plans of one picture (a frame, or a field): the full-size planes', and each plane's own
// (derived for a subsampled plane; for packed 4:2:2, its chroma pairs').
struct PlanePlans {
  CopyPlan full;
  std::array<CopyPlan, GST_VIDEO_MAX_PLANES> plane;
};
enum class CropMetaSupport { Unknown, Yes, No };
}  // namespace

struct _GstTesselox {
  GstVideoFilter parent;

  // Under the object lock: the properties as set, how many times any was set, and whether a
  // failure to negotiate or allocate has been reported since the last success.
  Geometry properties;
  gboolean keepPixelAspect;
  guint nThreads;
  tesselox::FitMode fit;
  tesselox::Sampling sampling;
  guint64 changes;
  gboolean reported;

  // The streaming thread's own, from the negotiated formats and the properties last applied.
  gboolean configured;
  guint64 applied;
  FrameSize in;
  FrameSize out;
  tesselox::gst::Fraction inAspect;
  tesselox::gst::Fraction outAspect;
  GstVideoInterlaceMode interlace;
  // The rows of each field (top, bottom) of interlaced frames, input and output.
  std::array<FrameSize, 2> inFields;
  std::array<FrameSize, 2> outFields;
  FrameLayout layout;
  // Per plane, the plan of progressive frames and of each field (top, bottom): the frame's own,
  // or one derived from it for a subsampled plane.
  PlanePlans framePlans;
  std::array<PlanePlans, 2> fieldPlans;
  // The copy as a crop that moves no pixel, when it is one; whether downstream takes crop
  // metadata (unknown until asked, after each negotiation); and whether frames go out so.
  std::optional<tesselox::gst::CropRect> pureCrop;
  CropMetaSupport cropMeta;
  gboolean croppingByMeta;
  // The threads that draw a frame's bands, from the first frame that wants them until stop.
  std::unique_ptr<tesselox::BandPool> pool;
  guint poolThreads;  // n-threads as the pool was made for it
};

G_DEFINE_TYPE(GstTesselox, gst_tesselox, GST_TYPE_VIDEO_FILTER)
GST_ELEMENT_REGISTER_DEFINE(tesselox, "tesselox", GST_RANK_NONE, GST_TYPE_TESSELOX)

static GstStaticPadTemplate sink_template = GST_STATIC_PAD_TEMPLATE(
    "sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS(TESSELOX_GST_CAPS));
static GstStaticPadTemplate src_template =
    GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS(TESSELOX_GST_CAPS));

static GstCaps* gst_tesselox_transform_caps(GstBaseTransform* trans, GstPadDirection direction,
                                            GstCaps* caps, GstCaps* filter);

namespace {

constexpr gboolean kKeepPixelAspectDefault = TRUE;
constexpr guint kNThreadsDefault = 1;
// Output frames smaller than this are drawn on one thread: handing out bands and waking the
// threads costs more than the split saves there (measured on a 2-core AMD EPYC virtual machine,
// where waking an idle core cost some 40 us: two threads lost up to 2 MiB, broke even at 3.5 MiB).
constexpr gsize kBandedFrameBytes = 4 * 1024 * 1024;

tesselox::PlaneSize SizeOf(FrameSize size) {
  return tesselox::PlaneSize{size.width, size.height};
}

// Each plane's plan from `full`, the plan of the full-size planes, derived once per distinct
// subsampling (a packed 4:2:2 plane's pairs are subsampled 2:1 across).
void PlansOfPlanes(const CopyPlan& full, const FrameLayout& layout, PlanePlans& plans) {
  plans.full = full;
  auto shiftsOf = [&](int p) {
    const PlaneLayout& plane = layout.plane[p];
    return std::array<int, 2>{plane.packed422 ? 1 : plane.shiftX, plane.shiftY};
  };
  for (int p = 0; p < layout.planes; ++p) {
    const auto [shiftX, shiftY] = shiftsOf(p);
    int same = 0;
    while (same < p && shiftsOf(same) != shiftsOf(p)) ++same;
    plans.plane[p] = same < p                     ? plans.plane[same]
                     : shiftX == 0 && shiftY == 0 ? full
                                                  : tesselox::SubsamplePlan(full, shiftX, shiftY);
  }
}

// The rows of each field of a frame `height` rows high: in one buffer, the even rows and the odd
// rows; in alternate mode, one buffer per field, each as high as GStreamer makes it.
std::array<FrameSize, 2> FieldSizes(const GstVideoInfo& info) {
  const gint width = GST_VIDEO_INFO_WIDTH(&info), height = GST_VIDEO_INFO_HEIGHT(&info);
  if (GST_VIDEO_INFO_INTERLACE_MODE(&info) == GST_VIDEO_INTERLACE_MODE_ALTERNATE) {
    const gint rows = GST_VIDEO_INFO_FIELD_HEIGHT(&info);
    return {{{width, rows}, {width, rows}}};
  }
  return {{{width, (height + 1) / 2}, {width, height / 2}}};
}

// Plans the copy from the present properties when they changed since the last plan (or always
// when `force`), and passes frames through when the copy would change nothing.
void Apply(GstTesselox* self, bool force) {
  GST_OBJECT_LOCK(self);
  const bool stale = force || self->applied != self->changes;
  const Geometry properties = self->properties;
  const tesselox::gst::Fitting fitting{self->fit, self->inAspect, self->outAspect};
  const bool center = self->sampling == tesselox::Sampling::Center;
  self->applied = self->changes;
  GST_OBJECT_UNLOCK(self);
  if (!stale) return;
  const CopyRequest fitted =
      tesselox::gst::ResolveRequest(properties, self->in, self->out, fitting);
  auto sample = [center](const CopyAxis& axis) {
    return center ? tesselox::CenterSampled(axis) : axis;
  };
  const CopyRequest request{sample(fitted.x), sample(fitted.y)};
  PlansOfPlanes(tesselox::PlanCopy(SizeOf(self->out), SizeOf(self->in), request), self->layout,
                self->framePlans);
  if (self->interlace != GST_VIDEO_INTERLACE_MODE_PROGRESSIVE) {
    for (int field = 0; field < 2; ++field) {
      // Each field's rows are sampled at their own centres.
      const CopyRequest inField{request.x, sample(tesselox::gst::FieldRows(fitted.y, field))};
      PlansOfPlanes(tesselox::PlanCopy(SizeOf(self->outFields[field]),
                                       SizeOf(self->inFields[field]), inField),
                    self->layout, self->fieldPlans[field]);
    }
  }
  const bool unchanged = tesselox::gst::CopiesUnchanged(request, self->in, self->out);
  // A crop is left to metadata in progressive streams only (a field's rows would change parity)
  // and only where every plane's samples start at the crop's corner, whatever way a consumer
  // rounds a subsampled corner.
  int alignX = 1, alignY = 1;
  for (int p = 0; p < self->layout.planes; ++p) {
    const PlaneLayout& plane = self->layout.plane[p];
    alignX = std::max(alignX, plane.packed422 ? 2 : 1 << plane.shiftX);
    alignY = std::max(alignY, 1 << plane.shiftY);
  }
  self->pureCrop = self->interlace == GST_VIDEO_INTERLACE_MODE_PROGRESSIVE && !unchanged
                       ? tesselox::gst::PureCrop(request, self->in, self->out, alignX, alignY)
                       : std::nullopt;
  GST_DEBUG_OBJECT(self, "%dx%d -> %dx%d, %s%s", self->in.width, self->in.height, self->out.width,
                   self->out.height, gst_video_interlace_mode_to_string(self->interlace),
                   unchanged        ? ", passing through"
                   : self->pureCrop ? ", a pure crop"
                                    : "");
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), unchanged);
}

// True when downstream takes video and crop metadata for buffers of the output caps.
bool TakesCropMeta(GstQuery* allocation) {
  return gst_query_find_allocation_meta(allocation, GST_VIDEO_CROP_META_API_TYPE, nullptr) &&
         gst_query_find_allocation_meta(allocation, GST_VIDEO_META_API_TYPE, nullptr);
}

// Frames of a pure crop go out as the input buffer with crop metadata when downstream takes it
// (asked once per negotiation, when base transform has not asked already); others are copied.
void ChooseCropByMeta(GstTesselox* self) {
  GstBaseTransform* trans = GST_BASE_TRANSFORM(self);
  if (self->pureCrop && self->cropMeta == CropMetaSupport::Unknown) {
    self->cropMeta = CropMetaSupport::No;
    if (GstCaps* caps = gst_pad_get_current_caps(trans->srcpad)) {
      GstQuery* query = gst_query_new_allocation(caps, FALSE);
      if (gst_pad_peer_query(trans->srcpad, query) && TakesCropMeta(query)) {
        self->cropMeta = CropMetaSupport::Yes;
      }
      gst_query_unref(query);
      gst_caps_unref(caps);
    }
  }
  self->croppingByMeta = self->pureCrop && self->cropMeta == CropMetaSupport::Yes;
  gst_base_transform_set_in_place(trans, self->croppingByMeta);
}

void SetSize(GstStructure* s, const char* field, std::int32_t requested) {
  if (requested > 0) {
    gst_structure_set(s, field, G_TYPE_INT, requested, nullptr);
  } else {
    gst_structure_set(s, field, GST_TYPE_INT_RANGE, 1, G_MAXINT, nullptr);
  }
}

// True when a frame of width x height can be described in the format named by `format` (a
// string or a list of them): GStreamer refuses frames whose size in bytes overflows.
bool SomeFormatFits(const GValue* format, gint width, gint height) {
  if (format == nullptr) return true;
  if (GST_VALUE_HOLDS_LIST(format)) {
    for (guint k = 0; k < gst_value_list_get_size(format); ++k) {
      if (SomeFormatFits(gst_value_list_get_value(format, k), width, height)) return true;
    }
    return false;
  }
  if (!G_VALUE_HOLDS_STRING(format)) return true;
  GstVideoInfo info;
  gst_video_info_init(&info);
  const GstVideoFormat id = gst_video_format_from_string(g_value_get_string(format));
  return id == GST_VIDEO_FORMAT_UNKNOWN || gst_video_info_set_format(&info, id, width, height);
}

// True the first time since the last successful negotiation: a failure is reported once.
bool FirstReport(GstTesselox* self) {
  GST_OBJECT_LOCK(self);
  const bool first = !self->reported;
  self->reported = TRUE;
  GST_OBJECT_UNLOCK(self);
  return first;
}

// The output size the properties ask for with this input.
FrameSize RequestedSize(GstTesselox* self, const GstStructure* in) {
  FrameSize size{0, 0};
  gst_structure_get_int(in, "width", &size.width);
  gst_structure_get_int(in, "height", &size.height);
  GST_OBJECT_LOCK(self);
  if (self->properties.width != 0) size.width = Magnitude(self->properties.width);
  if (self->properties.height != 0) size.height = Magnitude(self->properties.height);
  GST_OBJECT_UNLOCK(self);
  return size;
}

// A caps field as GStreamer writes it ("320", "[ 1, 2147483647 ]"), or "any" when absent.
std::string FieldText(const GstStructure* s, const char* field) {
  const GValue* value = gst_structure_get_value(s, field);
  if (value == nullptr) return "any";
  gchar* text = gst_value_serialize(value);
  std::string result = text != nullptr ? text : "?";
  g_free(text);
  return result;
}

// Posts, once, an element error that names the output size the element could not negotiate for
// input `incaps` (fixed) and the reason.
void ReportNegotiationFailure(GstTesselox* self, GstCaps* incaps) {
  if (incaps == nullptr || gst_caps_is_empty(incaps)) return;
  GstBaseTransform* trans = GST_BASE_TRANSFORM(self);
  GstCaps* wanted = gst_tesselox_transform_caps(trans, GST_PAD_SINK, incaps, nullptr);
  GstCaps* peer = gst_pad_peer_query_caps(trans->srcpad, nullptr);
  if (FirstReport(self)) {
    const GstStructure* in = gst_caps_get_structure(incaps, 0);
    const FrameSize size = RequestedSize(self, in);
    std::string reason;
    if (!SomeFormatFits(gst_structure_get_value(in, "format"), size.width, size.height)) {
      reason = std::string("a ") + FieldText(in, "format") +
               " frame of that size is too large for GStreamer to describe";
    } else if (peer != nullptr && !gst_caps_is_empty(wanted) &&
               !gst_caps_can_intersect(wanted, peer) && !gst_caps_is_empty(peer)) {
      const GstStructure* accepted = gst_caps_get_structure(peer, 0);
      reason = "downstream accepts width " + FieldText(accepted, "width") + ", height " +
               FieldText(accepted, "height");
      if (gst_structure_has_field(accepted, "pixel-aspect-ratio")) {
        reason += ", pixel aspect ratio " + FieldText(accepted, "pixel-aspect-ratio");
      }
    } else if (peer != nullptr && gst_caps_is_empty(peer)) {
      reason = "downstream accepts no raw video";
    } else {
      reason = "the output caps were refused";
    }
    GST_ELEMENT_ERROR(
        self, CORE, NEGOTIATION,
        ("tesselox cannot output %dx%d frames: %s.", size.width, size.height, reason.c_str()),
        ("input %" GST_PTR_FORMAT "; output wanted %" GST_PTR_FORMAT
         "; downstream accepts %" GST_PTR_FORMAT,
         static_cast<gpointer>(incaps), static_cast<gpointer>(wanted),
         static_cast<gpointer>(peer)));
  }
  if (peer != nullptr) gst_caps_unref(peer);
  gst_caps_unref(wanted);
}

// Renders the band `rows` of the picture rows (of a frame, or a field of one) in plane `p`, with
// the picture's plans.
void RenderBandOf(const FrameLayout& layout, int p, const PlaneView& dst, const PlaneView& src,
                  const PlanePlans& plans, tesselox::RowBand rows) {
  const PlaneLayout& plane = layout.plane[p];
  const std::int32_t first = tesselox::SubsampledRow(rows.first, plane.shiftY);
  const std::int32_t last = tesselox::SubsampledRow(rows.last, plane.shiftY);
  if (plane.packed422) {
    tesselox::RenderPacked422Rows(dst, src, plans.full, plans.plane[p], *plane.packed422,
                                  plane.fill.data(), first, last);
  } else {
    tesselox::RenderRows(dst, src, plans.plane[p], plane.fill.data(), first, last);
  }
}

// A GEnum of the core's names, registered once: nicks as users type them.
template <typename Enum, std::size_t kCount>
GType RegisterEnum(const char* typeName, const std::array<const char*, kCount>& descriptions) {
  static GType type = 0;
  static std::array<GEnumValue, kCount + 1> values{};
  if (g_once_init_enter(&type)) {
    for (std::size_t k = 0; k < kCount; ++k) {
      values[k] = {static_cast<gint>(k), descriptions[k],
                   tesselox::NameOf(static_cast<Enum>(k)).data()};
    }
    g_once_init_leave(&type, g_enum_register_static(typeName, values.data()));
  }
  return type;
}

GType FitType() {
  return RegisterEnum<tesselox::FitMode, 5>(
      "GstTesseloxFit", {"As the dst-* properties set", "The whole output frame",
                         "The largest rectangle of the source's shape, centred",
                         "The whole output frame, the source cropped to its shape",
                         "The largest whole multiple of the source, centred"});
}

GType SamplingType() {
  return RegisterEnum<tesselox::Sampling, 2>(
      "GstTesseloxSampling",
      {"At each output pixel's left or top edge", "At each output pixel's centre"});
}

bool PropertyResizes(PropertyId id, bool keepPixelAspect) {
  switch (id) {
    case PropertyId::Width:
    case PropertyId::Height:
      return true;
    case PropertyId::SrcCx:
    case PropertyId::SrcCy:
    case PropertyId::DstCx:
    case PropertyId::DstCy:
      return keepPixelAspect;  // the extents set the pixel aspect ratio
    default:
      return false;
  }
}

// Plane `p` of `frame`, or of one field of it: every other row from row `field`, or in
// alternate mode the buffer's one field. `picture` is the frame's or the field's full size; a
// subsampled plane has its blocks' count, rounded up as GStreamer rounds (so in an interleaved
// 4:2:0 frame each field has the chroma rows of a picture of its own, as GStreamer lays it out).
PlaneView Plane(GstVideoFrame* frame, int p, const PlaneLayout& plane, int field,
                FrameSize picture) {
  auto* bytes = static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, p));
  const gint stride = GST_VIDEO_FRAME_PLANE_STRIDE(frame, p);
  const std::int32_t width = GST_VIDEO_SUB_SCALE(plane.shiftX, picture.width);
  const std::int32_t height = GST_VIDEO_SUB_SCALE(plane.shiftY, picture.height);
  if (field < 0) return PlaneView{bytes, width, height, stride, plane.pixelBytes};
  return PlaneView{bytes + field * stride, width, height, std::ptrdiff_t{stride} * 2,
                   plane.pixelBytes};
}

}  // namespace

static void gst_tesselox_set_property(GObject* object, guint id, const GValue* value,
                                      GParamSpec* pspec) {
  GstTesselox* self = GST_TESSELOX(object);
  bool resized = false;
  GST_OBJECT_LOCK(self);
  if (const auto* property = tesselox::gst::IntProperty(id)) {
    std::int32_t& slot = self->properties.*property->value;
    const std::int32_t v = g_value_get_int(value);
    resized =
        PropertyResizes(property->id, self->keepPixelAspect) && Magnitude(slot) != Magnitude(v);
    slot = v;
  } else if (id == static_cast<guint>(PropertyId::KeepPixelAspect)) {
    const gboolean keep = g_value_get_boolean(value);
    resized = keep != self->keepPixelAspect;
    self->keepPixelAspect = keep;
  } else if (id == static_cast<guint>(PropertyId::NThreads)) {
    // Taken up at the next frame; no new plan needed.
    self->nThreads = g_value_get_uint(value);
    GST_OBJECT_UNLOCK(self);
    return;
  } else if (id == static_cast<guint>(PropertyId::Fit)) {
    const auto fit = static_cast<tesselox::FitMode>(g_value_get_enum(value));
    resized = self->keepPixelAspect && fit != self->fit;  // the fit sets the pixel aspect ratio
    self->fit = fit;
  } else if (id == static_cast<guint>(PropertyId::Sampling)) {
    self->sampling = static_cast<tesselox::Sampling>(g_value_get_enum(value));
  } else {
    GST_OBJECT_UNLOCK(self);
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    return;
  }
  ++self->changes;
  GST_OBJECT_UNLOCK(self);
  // New output caps (size or pixel aspect ratio): renegotiate before the next frame.
  if (resized) gst_base_transform_reconfigure_src(GST_BASE_TRANSFORM(self));
}

static void gst_tesselox_get_property(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  GstTesselox* self = GST_TESSELOX(object);
  GST_OBJECT_LOCK(self);
  if (const auto* property = tesselox::gst::IntProperty(id)) {
    g_value_set_int(value, self->properties.*property->value);
  } else if (id == static_cast<guint>(PropertyId::KeepPixelAspect)) {
    g_value_set_boolean(value, self->keepPixelAspect);
  } else if (id == static_cast<guint>(PropertyId::NThreads)) {
    g_value_set_uint(value, self->nThreads);
  } else if (id == static_cast<guint>(PropertyId::Fit)) {
    g_value_set_enum(value, static_cast<gint>(self->fit));
  } else if (id == static_cast<guint>(PropertyId::Sampling)) {
    g_value_set_enum(value, static_cast<gint>(self->sampling));
  } else {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
  }
  GST_OBJECT_UNLOCK(self);
}

// Each structure of `caps` as the other pad may have it: the same but for the size and, when
// the pixel aspect is kept, the pixel aspect ratio (fixation sets it). Towards the source pad
// the size is what width and height ask for, or any when they follow the input (fixation then
// prefers the input's); towards the sink pad any input size will do.
static GstCaps* gst_tesselox_transform_caps(GstBaseTransform* trans, GstPadDirection direction,
                                            GstCaps* caps, GstCaps* filter) {
  GstTesselox* self = GST_TESSELOX(trans);
  GST_OBJECT_LOCK(self);
  const std::int32_t width = Magnitude(self->properties.width);
  const std::int32_t height = Magnitude(self->properties.height);
  const bool keepPixelAspect = self->keepPixelAspect;
  GST_OBJECT_UNLOCK(self);
  const bool towardsSource = direction == GST_PAD_SINK;
  GstCaps* result = gst_caps_new_empty();
  for (guint k = 0; k < gst_caps_get_size(caps); ++k) {
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, k));
    SetSize(s, "width", towardsSource ? width : 0);
    SetSize(s, "height", towardsSource ? height : 0);
    if (keepPixelAspect && gst_structure_has_field(s, "pixel-aspect-ratio")) {
      gst_structure_set(s, "pixel-aspect-ratio", GST_TYPE_FRACTION_RANGE, 1, G_MAXINT, G_MAXINT, 1,
                        nullptr);
    }
    result = gst_caps_merge_structure_full(result, s,
                                           gst_caps_features_copy(gst_caps_get_features(caps, k)));
  }
  if (filter != nullptr) {
    GstCaps* both = gst_caps_intersect_full(filter, result, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(result);
    result = both;
  }
  return result;
}

// An output size still open is the input's size where downstream allows it; the pixel aspect
// ratio, when kept, is the one that keeps the picture's display shape where downstream allows.
static GstCaps* gst_tesselox_fixate_caps(GstBaseTransform* trans, GstPadDirection direction,
                                         GstCaps* caps, GstCaps* others) {
  GstTesselox* self = GST_TESSELOX(trans);
  others = gst_caps_make_writable(gst_caps_truncate(others));
  if (direction == GST_PAD_SINK) {
    const GstStructure* in = gst_caps_get_structure(caps, 0);
    GstStructure* out = gst_caps_get_structure(others, 0);
    gint inWidth = 0, inHeight = 0, outWidth = 0, outHeight = 0;
    if (gst_structure_get_int(in, "width", &inWidth)) {
      gst_structure_fixate_field_nearest_int(out, "width", inWidth);
    }
    if (gst_structure_get_int(in, "height", &inHeight)) {
      gst_structure_fixate_field_nearest_int(out, "height", inHeight);
    }
    GST_OBJECT_LOCK(self);
    const Geometry properties = self->properties;
    const bool keepPixelAspect = self->keepPixelAspect;
    const tesselox::FitMode fit = self->fit;
    GST_OBJECT_UNLOCK(self);
    if (keepPixelAspect && inWidth > 0 && inHeight > 0 &&
        gst_structure_get_int(out, "width", &outWidth) &&
        gst_structure_get_int(out, "height", &outHeight)) {
      tesselox::gst::Fraction par{1, 1};
      if (!gst_structure_get_fraction(in, "pixel-aspect-ratio", &par.numerator, &par.denominator) ||
          par.numerator <= 0 || par.denominator <= 0) {
        par = {1, 1};
      }
      // A fit that keeps the source's shape keeps it with the input's pixels; otherwise the
      // rectangles' stretch sets the ratio.
      const bool shaped = fit != tesselox::FitMode::None && fit != tesselox::FitMode::Stretch;
      if (!shaped) {
        par = tesselox::gst::OutputPixelAspect(
            par, tesselox::gst::ResolveRequest(properties, {inWidth, inHeight},
                                               {outWidth, outHeight}, {fit, par, par}));
      }
      if (gst_structure_has_field(out, "pixel-aspect-ratio")) {
        gst_structure_fixate_field_nearest_fraction(out, "pixel-aspect-ratio", par.numerator,
                                                    par.denominator);
      } else {
        gst_structure_set(out, "pixel-aspect-ratio", GST_TYPE_FRACTION, par.numerator,
                          par.denominator, nullptr);
      }
    }
  }
  return GST_BASE_TRANSFORM_CLASS(gst_tesselox_parent_class)
      ->fixate_caps(trans, direction, caps, others);
}

static gboolean gst_tesselox_set_info(GstVideoFilter* filter, GstCaps* /*incaps*/, GstVideoInfo* in,
                                      GstCaps* /*outcaps*/, GstVideoInfo* out) {
  GstTesselox* self = GST_TESSELOX(filter);
  if (GST_VIDEO_INFO_FORMAT(in) != GST_VIDEO_INFO_FORMAT(out) ||
      GST_VIDEO_INFO_INTERLACE_MODE(in) != GST_VIDEO_INFO_INTERLACE_MODE(out)) {
    return FALSE;
  }
  self->in = FrameSize{GST_VIDEO_INFO_WIDTH(in), GST_VIDEO_INFO_HEIGHT(in)};
  self->out = FrameSize{GST_VIDEO_INFO_WIDTH(out), GST_VIDEO_INFO_HEIGHT(out)};
  self->inAspect = {GST_VIDEO_INFO_PAR_N(in), GST_VIDEO_INFO_PAR_D(in)};
  self->outAspect = {GST_VIDEO_INFO_PAR_N(out), GST_VIDEO_INFO_PAR_D(out)};
  self->interlace = GST_VIDEO_INFO_INTERLACE_MODE(in);
  self->inFields = FieldSizes(*in);
  self->outFields = FieldSizes(*out);
  self->layout = tesselox::gst::LayoutOf(*out);
  self->configured = TRUE;
  // Downstream may have changed: ask again, and let base transform find a pool for copies.
  self->cropMeta = CropMetaSupport::Unknown;
  self->croppingByMeta = FALSE;
  gst_base_transform_set_in_place(GST_BASE_TRANSFORM(self), FALSE);
  GST_OBJECT_LOCK(self);
  self->reported = FALSE;
  GST_OBJECT_UNLOCK(self);
  Apply(self, true);
  return TRUE;
}

// A caps event the element cannot take is reported with the reason.
static gboolean gst_tesselox_sink_event(GstBaseTransform* trans, GstEvent* event) {
  GstCaps* caps = nullptr;
  if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
    gst_event_parse_caps(event, &caps);
    gst_caps_ref(caps);
  }
  const gboolean handled =
      GST_BASE_TRANSFORM_CLASS(gst_tesselox_parent_class)->sink_event(trans, event);
  if (caps != nullptr) {
    if (!handled) ReportNegotiationFailure(GST_TESSELOX(trans), caps);
    gst_caps_unref(caps);
  }
  return handled;
}

// A renegotiation that fails mid-stream (an output size downstream does not take) is reported
// with the reason.
static GstFlowReturn gst_tesselox_submit_input_buffer(GstBaseTransform* trans, gboolean discont,
                                                      GstBuffer* input) {
  const GstFlowReturn flow = GST_BASE_TRANSFORM_CLASS(gst_tesselox_parent_class)
                                 ->submit_input_buffer(trans, discont, input);
  if (flow == GST_FLOW_NOT_NEGOTIATED) {
    GstCaps* caps = gst_pad_get_current_caps(trans->sinkpad);
    ReportNegotiationFailure(GST_TESSELOX(trans), caps);
    if (caps != nullptr) gst_caps_unref(caps);
  }
  return flow;
}

// An output frame that cannot be allocated is reported with its size.
static GstFlowReturn gst_tesselox_prepare_output_buffer(GstBaseTransform* trans, GstBuffer* input,
                                                        GstBuffer** output) {
  if (GST_TESSELOX(trans)->croppingByMeta) {
    // The input itself (its memory shared when others hold it), even when a pool was chosen
    // for copies earlier in the stream.
    *output = gst_buffer_is_writable(input) ? input : gst_buffer_copy(input);
    return GST_FLOW_OK;
  }
  const GstFlowReturn flow = GST_BASE_TRANSFORM_CLASS(gst_tesselox_parent_class)
                                 ->prepare_output_buffer(trans, input, output);
  GstTesselox* self = GST_TESSELOX(trans);
  if (flow == GST_FLOW_NOT_NEGOTIATED) {
    GstCaps* caps = gst_pad_get_current_caps(trans->sinkpad);
    ReportNegotiationFailure(self, caps);
    if (caps != nullptr) gst_caps_unref(caps);
  } else if (flow == GST_FLOW_ERROR && FirstReport(self)) {
    const GstVideoInfo& info = GST_VIDEO_FILTER(trans)->out_info;
    GST_ELEMENT_ERROR(
        self, RESOURCE, NO_SPACE_LEFT,
        ("tesselox cannot allocate an output frame of %dx%d (%" G_GSIZE_FORMAT " bytes).",
         GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info), info.size),
        (nullptr));
  }
  return flow;
}

// Runs for every frame, passed through or not: controlled properties take their values for
// the frame's time, and property changes take effect from this frame on.
static void gst_tesselox_before_transform(GstBaseTransform* trans, GstBuffer* buffer) {
  GstTesselox* self = GST_TESSELOX(trans);
  const GstClockTime time =
      gst_segment_to_stream_time(&trans->segment, GST_FORMAT_TIME, GST_BUFFER_TIMESTAMP(buffer));
  if (GST_CLOCK_TIME_IS_VALID(time)) gst_object_sync_values(GST_OBJECT(trans), time);
  if (!self->configured) return;
  Apply(self, false);
  ChooseCropByMeta(self);
}

// Base transform asks downstream about a pool for copies: the answer about crop metadata too.
static gboolean gst_tesselox_decide_allocation(GstBaseTransform* trans, GstQuery* query) {
  GstTesselox* self = GST_TESSELOX(trans);
  self->cropMeta = TakesCropMeta(query) ? CropMetaSupport::Yes : CropMetaSupport::No;
  return GST_BASE_TRANSFORM_CLASS(gst_tesselox_parent_class)->decide_allocation(trans, query);
}

// A pure crop for a downstream that takes crop metadata: the input buffer itself, described as
// a frame of the input's size with the crop on top of any crop it carries already.
static GstFlowReturn gst_tesselox_transform_ip(GstBaseTransform* trans, GstBuffer* buffer) {
  GstTesselox* self = GST_TESSELOX(trans);
  if (!self->croppingByMeta || !self->pureCrop) return GST_FLOW_OK;
  if (gst_buffer_get_video_meta(buffer) == nullptr) {
    GstVideoInfo& in = GST_VIDEO_FILTER(trans)->in_info;
    gst_buffer_add_video_meta_full(buffer, GST_VIDEO_FRAME_FLAG_NONE, GST_VIDEO_INFO_FORMAT(&in),
                                   GST_VIDEO_INFO_WIDTH(&in), GST_VIDEO_INFO_HEIGHT(&in),
                                   GST_VIDEO_INFO_N_PLANES(&in), in.offset, in.stride);
  }
  GstVideoCropMeta* crop = gst_buffer_get_video_crop_meta(buffer);
  if (crop == nullptr) crop = gst_buffer_add_video_crop_meta(buffer);
  crop->x += static_cast<guint>(self->pureCrop->x);
  crop->y += static_cast<guint>(self->pureCrop->y);
  crop->width = static_cast<guint>(self->pureCrop->width);
  crop->height = static_cast<guint>(self->pureCrop->height);
  return GST_FLOW_OK;
}

// The pool to draw an output frame of `bytes` bytes with, made or remade for n-threads as it
// stands; nullptr where one thread draws it.
static tesselox::BandPool* BandPoolFor(GstTesselox* self, gsize bytes) {
  GST_OBJECT_LOCK(self);
  const guint threads = self->nThreads;
  GST_OBJECT_UNLOCK(self);
  if (threads == 1 || bytes < kBandedFrameBytes) return nullptr;
  if (self->pool == nullptr || self->poolThreads != threads) {
    self->pool.reset();
    self->pool = std::make_unique<tesselox::BandPool>(threads);
    self->poolThreads = threads;
  }
  return self->pool->Threads() > 1 ? self->pool.get() : nullptr;
}

// Progressive frames in one pass; interlaced ones field by field, each field a picture of its
// own rows with the rows axis mapped into it.
static GstFlowReturn gst_tesselox_transform_frame(GstVideoFilter* filter, GstVideoFrame* in,
                                                  GstVideoFrame* out) {
  GstTesselox* self = GST_TESSELOX(filter);
  const FrameLayout& layout = self->layout;
  tesselox::BandPool* pool = BandPoolFor(self, GST_VIDEO_INFO_SIZE(&out->info));
  // No band smaller than half the one-thread limit: on many cores a smaller frame takes fewer.
  const gsize most = GST_VIDEO_INFO_SIZE(&out->info) / (kBandedFrameBytes / 2);
  const int bands = pool == nullptr ? 1 : static_cast<int>(std::min<gsize>(pool->Threads(), most));
  auto render = [&](const PlanePlans& plans, int field, FrameSize inRows, FrameSize outRows) {
    auto drawBand = [&](int band) {
      const tesselox::RowBand rows = tesselox::BandOf(outRows.height, bands, band);
      for (int p = 0; p < layout.planes; ++p) {
        RenderBandOf(layout, p, Plane(out, p, layout.plane[p], field, outRows),
                     Plane(in, p, layout.plane[p], field, inRows), plans, rows);
      }
    };
    if (pool == nullptr) {
      drawBand(0);
    } else {
      pool->Run(bands, drawBand);
    }
  };
  if (self->interlace == GST_VIDEO_INTERLACE_MODE_ALTERNATE) {
    // The buffer holds one field.
    const int field = GST_VIDEO_FRAME_IS_BOTTOM_FIELD(in) ? 1 : 0;
    render(self->fieldPlans[field], -1, self->inFields[field], self->outFields[field]);
  } else if (GST_VIDEO_FRAME_IS_INTERLACED(in)) {
    for (int field = 0; field < 2; ++field) {
      render(self->fieldPlans[field], field, self->inFields[field], self->outFields[field]);
    }
  } else {
    render(self->framePlans, -1, self->in, self->out);
  }
  return GST_FLOW_OK;
}

// An output size that no frame of any offered format can have is refused before streaming:
// otherwise upstream, preferring to pass frames through, may pick that size too and fail on
// its own with no reason given.
static gboolean gst_tesselox_start(GstBaseTransform* trans) {
  GstTesselox* self = GST_TESSELOX(trans);
  GST_OBJECT_LOCK(self);
  const std::int32_t width = Magnitude(self->properties.width);
  const std::int32_t height = Magnitude(self->properties.height);
  self->reported = FALSE;
  GST_OBJECT_UNLOCK(self);
  if (width == 0 || height == 0) return TRUE;
  GstCaps* offered = gst_static_pad_template_get_caps(&src_template);
  const bool fits = SomeFormatFits(
      gst_structure_get_value(gst_caps_get_structure(offered, 0), "format"), width, height);
  gst_caps_unref(offered);
  if (!fits && FirstReport(self)) {
    GST_ELEMENT_ERROR(self, CORE, NEGOTIATION,
                      ("tesselox cannot output %dx%d frames: a frame of that size is too large "
                       "for GStreamer to describe in any format.",
                       width, height),
                      (nullptr));
  }
  return fits;
}

static gboolean gst_tesselox_stop(GstBaseTransform* trans) {
  GstTesselox* self = GST_TESSELOX(trans);
  self->configured = FALSE;
  self->cropMeta = CropMetaSupport::Unknown;
  self->croppingByMeta = FALSE;
  self->pool.reset();
  GST_OBJECT_LOCK(self);
  self->reported = FALSE;
  GST_OBJECT_UNLOCK(self);
  return TRUE;
}

static void gst_tesselox_finalize(GObject* object) {
  GstTesselox* self = GST_TESSELOX(object);
  self->pool.~unique_ptr();
  G_OBJECT_CLASS(gst_tesselox_parent_class)->finalize(object);
}

static void gst_tesselox_init(GstTesselox* self) {
  self->properties = tesselox::gst::DefaultGeometry();
  self->keepPixelAspect = kKeepPixelAspectDefault;
  self->nThreads = kNThreadsDefault;
  new (&self->pool) std::unique_ptr<tesselox::BandPool>();
  self->poolThreads = 0;
  self->fit = tesselox::FitMode::None;
  self->sampling = tesselox::Sampling::Edge;
  self->changes = 0;
  self->reported = FALSE;
  self->configured = FALSE;
  self->pureCrop = std::nullopt;
  self->cropMeta = CropMetaSupport::Unknown;
  self->croppingByMeta = FALSE;
}

static void gst_tesselox_class_init(GstTesseloxClass* klass) {
  GST_DEBUG_CATEGORY_INIT(gst_tesselox_debug, "tesselox", 0, "Tesselox crop and scale");

  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->set_property = gst_tesselox_set_property;
  object->get_property = gst_tesselox_get_property;
  object->finalize = gst_tesselox_finalize;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_CONTROLLABLE | GST_PARAM_MUTABLE_PLAYING);
  for (const tesselox::gst::IntPropertySpec& property : tesselox::gst::kIntProperties) {
    g_object_class_install_property(
        object, static_cast<guint>(property.id),
        g_param_spec_int(property.name, property.name, property.blurb, property.minimum,
                         property.maximum, property.initial, flags));
  }
  g_object_class_install_property(
      object, static_cast<guint>(PropertyId::KeepPixelAspect),
      g_param_spec_boolean(
          "keep-pixel-aspect", "keep-pixel-aspect",
          "Gives the output the pixel aspect ratio that keeps the copied picture's display "
          "shape: the input's times (|src-cx| / |dst-cx|) / (|src-cy| / |dst-cy|), or the "
          "input's with fit contain, cover or integer; false passes the input's through",
          kKeepPixelAspectDefault, flags));
  g_object_class_install_property(
      object, static_cast<guint>(PropertyId::Fit),
      g_param_spec_enum("fit", "fit",
                        "Places the source rectangle in the output frame itself, comparing shapes "
                        "with the pixel aspect ratios: none (the dst-* properties), stretch (the "
                        "whole frame), contain (the largest rectangle of the source's shape, "
                        "centred, the rest cleared), cover (the whole frame, the source cropped "
                        "about its centre), integer (the largest whole multiple, centred)",
                        FitType(), static_cast<gint>(tesselox::FitMode::None), flags));
  g_object_class_install_property(
      object, static_cast<guint>(PropertyId::Sampling),
      g_param_spec_enum("sampling", "sampling",
                        "Which source pixel each output pixel takes: edge (the one under its "
                        "left/top edge, moved by the phases; OpenCV INTER_NEAREST) or center (the "
                        "one under its centre; Pillow NEAREST, videoscale)",
                        SamplingType(), static_cast<gint>(tesselox::Sampling::Edge), flags));

  g_object_class_install_property(
      object, static_cast<guint>(PropertyId::NThreads),
      g_param_spec_uint("n-threads", "n-threads",
                        "Maximum number of threads to draw each frame with, in bands of rows; 0: "
                        "one per processor core. Small frames are drawn on one thread",
                        0, G_MAXINT, kNThreadsDefault,
                        static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                                 GST_PARAM_MUTABLE_PLAYING)));

  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(
      element, "Tesselox crop and scale", "Filter/Effect/Video",
      "Copies a rectangle of each frame, nearest-neighbour and optionally mirrored, into a "
      "rectangle of an output frame of any size, and clears the rest",
      "Tesselox developers");
  gst_element_class_add_static_pad_template(element, &sink_template);
  gst_element_class_add_static_pad_template(element, &src_template);

  GstBaseTransformClass* transform = GST_BASE_TRANSFORM_CLASS(klass);
  transform->transform_caps = GST_DEBUG_FUNCPTR(gst_tesselox_transform_caps);
  transform->fixate_caps = GST_DEBUG_FUNCPTR(gst_tesselox_fixate_caps);
  transform->sink_event = GST_DEBUG_FUNCPTR(gst_tesselox_sink_event);
  transform->submit_input_buffer = GST_DEBUG_FUNCPTR(gst_tesselox_submit_input_buffer);
  transform->prepare_output_buffer = GST_DEBUG_FUNCPTR(gst_tesselox_prepare_output_buffer);
  transform->before_transform = GST_DEBUG_FUNCPTR(gst_tesselox_before_transform);
  transform->decide_allocation = GST_DEBUG_FUNCPTR(gst_tesselox_decide_allocation);
  // In place only for a crop by metadata; passed-through frames need nothing.
  transform->transform_ip = GST_DEBUG_FUNCPTR(gst_tesselox_transform_ip);
  transform->transform_ip_on_passthrough = FALSE;
  transform->start = GST_DEBUG_FUNCPTR(gst_tesselox_start);
  transform->stop = GST_DEBUG_FUNCPTR(gst_tesselox_stop);
  GstVideoFilterClass* video = GST_VIDEO_FILTER_CLASS(klass);
  video->set_info = GST_DEBUG_FUNCPTR(gst_tesselox_set_info);
  video->transform_frame = GST_DEBUG_FUNCPTR(gst_tesselox_transform_frame);
}
