#include "gst/tesselox_element.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <cstdint>

#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "filter/field_table.h"
#include "filter/render_plane.h"
#include "gst/element_properties.h"
#include "gst/frame_layout.h"

namespace tesselox::gst {
namespace {

GST_DEBUG_CATEGORY_STATIC(category);
#define GST_CAT_DEFAULT category

struct TesseloxElement {
  GstVideoFilter parent;

  // Under the object lock: the properties as set, and how many times any was set.
  ParameterValues properties;
  std::uint64_t changes;

  // The streaming thread's own, from the negotiated formats and the properties last applied.
  bool configured;
  std::uint64_t applied;
  FrameSize in;
  FrameSize out;
  FrameLayout layout;
  CopyPlan plan;
};

struct TesseloxElementClass {
  GstVideoFilterClass parent;
};

GstElementClass* parentClass = nullptr;

TesseloxElement* Self(gpointer object) {
  return reinterpret_cast<TesseloxElement*>(object);
}

// GObject numbers properties from 1; property k + 1 is field k.
FieldId FieldOf(guint id) {
  return static_cast<FieldId>(id - 1);
}

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
  if (id < 1 || id > kFieldCount) {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    return;
  }
  TesseloxElement* self = Self(object);
  const FieldId field = FieldOf(id);
  const std::int32_t v = g_value_get_int(value);
  GST_OBJECT_LOCK(self);
  std::int32_t& slot = self->properties[Index(field)];
  const bool resized =
      (field == FieldId::Width || field == FieldId::Height) && Magnitude(slot) != Magnitude(v);
  slot = v;
  ++self->changes;
  GST_OBJECT_UNLOCK(self);
  // A new output size takes new caps: renegotiate before the next frame.
  if (resized) gst_base_transform_reconfigure_src(GST_BASE_TRANSFORM(self));
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
  if (id < 1 || id > kFieldCount) {
    G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    return;
  }
  TesseloxElement* self = Self(object);
  GST_OBJECT_LOCK(self);
  g_value_set_int(value, self->properties[Index(FieldOf(id))]);
  GST_OBJECT_UNLOCK(self);
}

PlaneView SizeOnly(FrameSize size) {
  return PlaneView{nullptr, size.width, size.height, 0, 1};
}

// Plans the copy from the present properties when they changed since the last plan (or always
// when `force`), and passes frames through when the copy would change nothing.
void Apply(TesseloxElement* self, bool force) {
  GST_OBJECT_LOCK(self);
  const bool stale = force || self->applied != self->changes;
  const ParameterValues properties = self->properties;
  self->applied = self->changes;
  GST_OBJECT_UNLOCK(self);
  if (!stale) return;
  const ParameterValues values = ResolveValues(properties, self->in, self->out);
  self->plan = PlanPlaneCopy(SizeOnly(self->out), SizeOnly(self->in), CopyRequestFrom(values));
  const bool unchanged = self->in.width == self->out.width && self->in.height == self->out.height &&
                         CopiesUnchanged(values, self->in);
  GST_DEBUG_OBJECT(self, "%dx%d -> %dx%d%s", self->in.width, self->in.height, self->out.width,
                   self->out.height, unchanged ? ", passing through" : "");
  gst_base_transform_set_passthrough(GST_BASE_TRANSFORM(self), unchanged);
}

void SetSize(GstStructure* s, const char* field, std::int32_t requested) {
  if (requested > 0) {
    gst_structure_set(s, field, G_TYPE_INT, requested, nullptr);
  } else {
    gst_structure_set(s, field, GST_TYPE_INT_RANGE, 1, G_MAXINT, nullptr);
  }
}

// Each structure of `caps` as the other pad may have it: the same but for the size. Towards
// the source pad the size is what width and height ask for, or any when they follow the input
// (fixation then prefers the input's); towards the sink pad any input size will do.
GstCaps* TransformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps,
                       GstCaps* filter) {
  TesseloxElement* self = Self(trans);
  GST_OBJECT_LOCK(self);
  const std::int32_t width = Magnitude(self->properties[Index(FieldId::Width)]);
  const std::int32_t height = Magnitude(self->properties[Index(FieldId::Height)]);
  GST_OBJECT_UNLOCK(self);
  const bool towardsSource = direction == GST_PAD_SINK;
  GstCaps* result = gst_caps_new_empty();
  for (guint k = 0; k < gst_caps_get_size(caps); ++k) {
    GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, k));
    SetSize(s, "width", towardsSource ? width : 0);
    SetSize(s, "height", towardsSource ? height : 0);
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

// An output size still open is the input's size where downstream allows it.
GstCaps* FixateCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps,
                    GstCaps* others) {
  others = gst_caps_make_writable(gst_caps_truncate(others));
  if (direction == GST_PAD_SINK) {
    const GstStructure* in = gst_caps_get_structure(caps, 0);
    GstStructure* out = gst_caps_get_structure(others, 0);
    gint width = 0, height = 0;
    if (gst_structure_get_int(in, "width", &width)) {
      gst_structure_fixate_field_nearest_int(out, "width", width);
    }
    if (gst_structure_get_int(in, "height", &height)) {
      gst_structure_fixate_field_nearest_int(out, "height", height);
    }
  }
  return GST_BASE_TRANSFORM_CLASS(parentClass)->fixate_caps(trans, direction, caps, others);
}

gboolean SetInfo(GstVideoFilter* filter, GstCaps* /*incaps*/, GstVideoInfo* in,
                 GstCaps* /*outcaps*/, GstVideoInfo* out) {
  TesseloxElement* self = Self(filter);
  if (GST_VIDEO_INFO_FORMAT(in) != GST_VIDEO_INFO_FORMAT(out)) return FALSE;
  self->in = FrameSize{GST_VIDEO_INFO_WIDTH(in), GST_VIDEO_INFO_HEIGHT(in)};
  self->out = FrameSize{GST_VIDEO_INFO_WIDTH(out), GST_VIDEO_INFO_HEIGHT(out)};
  self->layout = LayoutOf(*out);
  self->configured = true;
  Apply(self, true);
  return TRUE;
}

// Runs for every frame, passed through or not: controlled properties take their values for
// the frame's time, and property changes take effect from this frame on.
void BeforeTransform(GstBaseTransform* trans, GstBuffer* buffer) {
  TesseloxElement* self = Self(trans);
  const GstClockTime time =
      gst_segment_to_stream_time(&trans->segment, GST_FORMAT_TIME, GST_BUFFER_TIMESTAMP(buffer));
  if (GST_CLOCK_TIME_IS_VALID(time)) gst_object_sync_values(GST_OBJECT(trans), time);
  if (self->configured) Apply(self, false);
}

PlaneView Plane(GstVideoFrame* frame, int plane, int pixelBytes) {
  return PlaneView{static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(frame, plane)),
                   GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame),
                   GST_VIDEO_FRAME_PLANE_STRIDE(frame, plane), pixelBytes};
}

GstFlowReturn TransformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out) {
  TesseloxElement* self = Self(filter);
  const FrameLayout& layout = self->layout;
  for (int p = 0; p < layout.planes; ++p) {
    RenderPlane(Plane(out, p, layout.pixelBytes[p]), Plane(in, p, layout.pixelBytes[p]), self->plan,
                layout.fill[p].data());
  }
  return GST_FLOW_OK;
}

gboolean Stop(GstBaseTransform* trans) {
  Self(trans)->configured = false;
  return TRUE;
}

void InitInstance(GTypeInstance* instance, gpointer /*klass*/) {
  TesseloxElement* self = Self(instance);
  self->properties = DefaultProperties();
  self->changes = 0;
  self->configured = false;
}

void InitClass(gpointer klass, gpointer /*data*/) {
  parentClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
  GObjectClass* object = G_OBJECT_CLASS(klass);
  object->set_property = SetProperty;
  object->get_property = GetProperty;
  const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS |
                                              GST_PARAM_CONTROLLABLE | GST_PARAM_MUTABLE_PLAYING);
  for (guint k = 0; k < kFieldCount; ++k) {
    const PropertySpec& property = kPropertySpecs[k];
    g_object_class_install_property(
        object, k + 1,
        g_param_spec_int(property.name, property.name, property.blurb, property.minimum,
                         property.maximum, property.initial, flags));
  }

  GstElementClass* element = GST_ELEMENT_CLASS(klass);
  gst_element_class_set_static_metadata(
      element, "Tesselox crop and scale", "Filter/Effect/Video",
      "Copies a rectangle of each frame, nearest-neighbour and optionally mirrored, into a "
      "rectangle of an output frame of any size, and clears the rest",
      "Tesselox developers");
  for (GstPadDirection direction : {GST_PAD_SINK, GST_PAD_SRC}) {
    GstCaps* caps = OfferedCaps();
    gst_element_class_add_pad_template(
        element, gst_pad_template_new(direction == GST_PAD_SINK ? "sink" : "src", direction,
                                      GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);
  }

  GstBaseTransformClass* transform = GST_BASE_TRANSFORM_CLASS(klass);
  transform->transform_caps = TransformCaps;
  transform->fixate_caps = FixateCaps;
  transform->before_transform = BeforeTransform;
  transform->stop = Stop;
  GstVideoFilterClass* video = GST_VIDEO_FILTER_CLASS(klass);
  video->set_info = SetInfo;
  video->transform_frame = TransformFrame;
}

}  // namespace

GType TesseloxElementType() {
  static gsize type = 0;
  if (g_once_init_enter(&type)) {
    GST_DEBUG_CATEGORY_INIT(category, "tesselox", 0, "Tesselox crop and scale");
    const GType registered = g_type_register_static_simple(
        GST_TYPE_VIDEO_FILTER, "GstTesselox", sizeof(TesseloxElementClass), InitClass,
        sizeof(TesseloxElement), InitInstance, static_cast<GTypeFlags>(0));
    g_once_init_leave(&type, registered);
  }
  return type;
}

}  // namespace tesselox::gst
