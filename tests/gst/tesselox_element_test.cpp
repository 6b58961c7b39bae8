// The element in GStreamer's test harness: each case of the first table streams frames through
// it, one step at a time, and checks the negotiated size, passthrough, and every output byte
// against the reference model with the copy and the fill the case states. Then interlaced
// frames (against videoscale, and field by field against the model), the pixel aspect ratio,
// and the error a size it cannot negotiate posts.

#include <gst/check/gstharness.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "fit_model.h"
#include "gst/element_properties.h"
#include "source_model.h"
#include "subsampled_model.h"

namespace tesselox {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Step {
  int inW, inH;
  std::vector<std::pair<const char*, int>> set;  // before this step's frame
  int outW, outH;                                // 0 x 0: the frame is refused (not negotiated)
  bool passthrough;
  CopyRequest copy;  // what the frame must get unless it passes through
};

struct Case {
  const char* name;
  const char* caps;         // the input's format and colorimetry
  const char* sinkCaps;     // what downstream accepts, or nullptr for anything
  std::vector<Bytes> fill;  // per plane: its pixel's size and the cleared pixel
  std::vector<Step> steps;
};

// clang-format off
const Case kCases[] = {
    {"rgba: nothing set passes through; a mirror copies; identity passes through again",
     "format=RGBA", nullptr, {{0, 0, 0, 0}}, {{7, 5, {}, 7, 5, true, {}},
      {7, 5, {{"src-x", 6}, {"src-cx", -7}}, 7, 5, false, {{0, 7, 6, -7, 0}, {0, 5, 0, 5, 0}}},
      {7, 5, {{"src-x", 0}, {"src-cx", 7}, {"dst-cx", 7}}, 7, 5, true, {}}}},
    {"rgb: padded rows, width alone scales the whole frame", "format=RGB", nullptr, {{0, 0, 0}},
     {{5, 3, {{"width", -11}}, 11, 3, false, {{0, 11, 0, 5, 0}, {0, 3, 0, 3, 0}}}}},
    {"y444 10-bit limited: canvas, clipped source, phase", "format=Y444_10LE", nullptr,
     {{0x40, 0}, {0, 2}, {0, 2}}, {{6, 4, {{"src-x", 1}, {"src-y", 1}, {"src-cx", 6}, {"src-cy", 4},
      {"dst-x", 2}, {"dst-y", 1}, {"dst-cx", 9}, {"dst-cy", 5}, {"width", 12}, {"height", 7},
      {"phase-x", 1}, {"phase-y", 2}}, 12, 7, false, {{2, 9, 1, 6, 1}, {1, 5, 1, 4, 2}}}}},
    {"y444 full range: mirrored destination shrinks", "format=Y444,colorimetry=1:4:0:0", nullptr,
     {{0}, {128}, {128}}, {{10, 6, {{"dst-x", 4}, {"dst-cx", -5}, {"width", 8}}, 8, 6, false,
      {{4, -5, 0, 10, 0}, {0, 6, 0, 6, 0}}}}},
    {"gray8: a zero extent draws nothing", "format=GRAY8", nullptr, {{0}},
     {{4, 3, {{"src-cx", 0}}, 4, 3, false, {{0, 4, 0, 0, 0}, {0, 3, 0, 3, 0}}}}},
    {"ayuv64: phases held within 0..|dst extent|", "format=AYUV64", nullptr,
     {{0, 0, 0, 0x10, 0, 0x80, 0, 0x80}}, {{5, 4, {{"src-cx", 3}, {"dst-cx", 4}, {"dst-cy", 7},
      {"width", 6}, {"phase-x", 99}, {"phase-y", -3}}, 6, 4, false,
      {{0, 4, 0, 3, 4}, {0, 7, 0, 4, 0}}}}},
    {"nv24: downstream fixes the size", "format=NV24", "video/x-raw,width=9,height=4",
     {{16}, {128, 128}}, {{6, 4, {}, 9, 4, false, {{0, 9, 0, 6, 0}, {0, 4, 0, 4, 0}}}}},
    {"xrgb: output and input sizes change mid-stream", "format=xRGB", nullptr, {{255, 0, 0, 0}},
     {{8, 6, {{"width", 4}, {"height", 3}, {"dst-x", 1}}, 4, 3, false,
       {{1, 4, 0, 8, 0}, {0, 3, 0, 6, 0}}},
      {8, 6, {{"width", 12}}, 12, 3, false, {{1, 12, 0, 8, 0}, {0, 3, 0, 6, 0}}},
      {10, 4, {}, 12, 3, false, {{1, 12, 0, 10, 0}, {0, 3, 0, 4, 0}}}}},
    {"argb64: a size too large is refused, and the stream recovers", "format=ARGB64_LE", nullptr,
     {{0, 0, 0, 0, 0, 0, 0, 0}}, {{4, 4, {{"width", G_MAXINT}}, 0, 0, false, {}},
      {4, 4, {{"width", 0}}, 4, 4, true, {}}}},
    {"gray8: fit contain letterboxes", "format=GRAY8", nullptr, {{0}}, {{9, 4, {{"fit", 2},
     {"width", 6}, {"height", 6}}, 6, 6, false, {{0, 6, 0, 9, 0}, {1, 3, 0, 4, 0}}}}},
};
// clang-format on

PlaneView View(GstVideoFrame& frame, int plane, int pixelBytes) {
  return PlaneView{static_cast<std::uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(&frame, plane)),
                   GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                   GST_VIDEO_FRAME_PLANE_STRIDE(&frame, plane), pixelBytes};
}

GstVideoInfo InfoOf(GstPad* pad) {
  GstVideoInfo info;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  EXPECT_TRUE(caps != nullptr && gst_video_info_from_caps(&info, caps));
  gst_caps_unref(caps);
  return info;
}

// A buffer for the harness's input caps of bytes scrambled by their offset: neighbouring
// samples, rows and planes differ, whatever the format.
GstBuffer* ScrambledBuffer(GstHarness* h) {
  const GstVideoInfo info = InfoOf(h->srcpad);
  GstBuffer* buffer = gst_harness_create_buffer(h, GST_VIDEO_INFO_SIZE(&info));
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  for (gsize k = 0; k < map.size; ++k)
    map.data[k] = static_cast<std::uint8_t>(k * 2654435761u >> 24);
  gst_buffer_unmap(buffer, &map);
  return buffer;
}

class TesseloxElement : public ::testing::Test {
 protected:
  // This plug-in alone, scanned in-process (a sanitized plug-in cannot load into the scanner
  // program), with a registry of its own.
  static void SetUpTestSuite() {
    g_setenv("GST_PLUGIN_PATH", TESSELOX_GST_PLUGIN_DIR, TRUE);
    g_setenv("GST_PLUGIN_SYSTEM_PATH_1_0", "", TRUE);
    g_setenv("GST_REGISTRY", TESSELOX_GST_REGISTRY, TRUE);
    g_setenv("GST_REGISTRY_FORK", "no", TRUE);
    gst_init(nullptr, nullptr);
  }
};

TEST_F(TesseloxElement, StreamsEveryCaseExactly) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    GstHarness* h = gst_harness_new("tesselox");
    ASSERT_NE(h, nullptr) << "the element is not registered";
    if (c.sinkCaps != nullptr) gst_harness_set_sink_caps_str(h, c.sinkCaps);
    for (const Step& step : c.steps) {
      SCOPED_TRACE("input " + std::to_string(step.inW) + "x" + std::to_string(step.inH));
      for (const auto& [name, value] : step.set) g_object_set(h->element, name, value, nullptr);
      gst_harness_set_src_caps_str(h, ("video/x-raw," + std::string(c.caps) +
                                       ",framerate=25/1,width=" + std::to_string(step.inW) +
                                       ",height=" + std::to_string(step.inH))
                                          .c_str());
      GstVideoInfo inInfo = InfoOf(h->srcpad);
      GstBuffer* in = ScrambledBuffer(h);
      gst_buffer_ref(in);  // kept to read the source and to recognise a passed-through buffer
      const GstFlowReturn flow = gst_harness_push(h, in);
      EXPECT_EQ(flow == GST_FLOW_OK, step.outW != 0);
      if (GstBuffer* out = flow == GST_FLOW_OK ? gst_harness_pull(h) : nullptr) {
        GstVideoInfo outInfo = InfoOf(h->sinkpad);
        EXPECT_EQ(GST_VIDEO_INFO_FORMAT(&outInfo), GST_VIDEO_INFO_FORMAT(&inInfo));
        EXPECT_EQ(GST_VIDEO_INFO_WIDTH(&outInfo), step.outW);
        EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&outInfo), step.outH);
        EXPECT_EQ(out == in, step.passthrough);
        GstVideoFrame inFrame, outFrame;
        gst_video_frame_map(&inFrame, &inInfo, in, GST_MAP_READ);
        gst_video_frame_map(&outFrame, &outInfo, out, GST_MAP_READ);
        for (int p = 0; p < static_cast<int>(c.fill.size()) && !step.passthrough; ++p) {
          const int size = static_cast<int>(c.fill[p].size());
          const PlaneView got = View(outFrame, p, size);
          Bytes rows;
          for (int y = 0; y < got.height; ++y) {
            rows.insert(rows.end(), got.bytes + y * got.stride,
                        got.bytes + y * got.stride + got.width * size);
          }
          EXPECT_EQ(rows, test::ExpectedPlane(View(inFrame, p, size), step.copy, step.outW,
                                              step.outH, c.fill[p].data()))
              << "plane " << p;
        }
        gst_video_frame_unmap(&inFrame);
        gst_video_frame_unmap(&outFrame);
        gst_buffer_unref(out);
      }
      gst_buffer_unref(in);
    }
    gst_harness_teardown(h);
  }
}

// The fit table through the request the element resolves from its properties and caps.
TEST(TesseloxElementFit, ResolvesEachFitCaseAsTheFormulasSay) {
  for (const test::FitCase& c : test::FitCases()) {
    SCOPED_TRACE(c.name);
    gst::Geometry set = gst::DefaultGeometry();
    std::tie(set.srcX, set.srcY, set.srcCx, set.srcCy, set.dstCx, set.dstCy) =
        std::tuple(c.x, c.y, c.cx, c.cy, c.dstCx, c.dstCy);
    const gst::Fitting fitting{c.mode, {c.inN, c.inD}, {c.outN, c.outD}};
    EXPECT_EQ(test::Numbers(gst::ResolveRequest(set, {4000, 3000}, {c.frameW, c.frameH}, fitting)),
              test::Numbers(test::ModelFit(c)));
  }
}

// ---------------------------------------------------------------------------------------------
// Shared by the cases below.

// A harness around `factory` with caps "video/x-raw,<caps>" on its input and a bus of its own.
struct Harnessed {
  GstHarness* h;
  GstBus* bus;
  explicit Harnessed(const char* factory) : h(gst_harness_new(factory)), bus(gst_bus_new()) {
    if (h != nullptr) gst_element_set_bus(h->element, bus);
  }
  ~Harnessed() {
    if (h != nullptr) gst_harness_teardown(h);
    gst_object_unref(bus);
  }
};

// A buffer for the harness's input caps whose pixel (x, y) of each plane holds x, y and the
// plane: every row of every plane differs from every other.
GstBuffer* RowTaggedBuffer(GstHarness* h, GstVideoBufferFlags flags = GST_VIDEO_BUFFER_FLAG_LAST) {
  GstVideoInfo info = InfoOf(h->srcpad);
  GstBuffer* buffer = gst_harness_create_buffer(h, GST_VIDEO_INFO_SIZE(&info));
  if (flags != GST_VIDEO_BUFFER_FLAG_LAST) GST_BUFFER_FLAG_SET(buffer, flags);
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_WRITE);
  const int rows = GST_VIDEO_INFO_FIELD_HEIGHT(&info);
  for (guint p = 0; p < GST_VIDEO_INFO_N_PLANES(&info); ++p) {
    const gsize stride = static_cast<gsize>(GST_VIDEO_INFO_PLANE_STRIDE(&info, p));
    for (int y = 0; y < rows; ++y) {
      std::uint8_t* row = map.data + GST_VIDEO_INFO_PLANE_OFFSET(&info, p) + y * stride;
      for (gsize k = 0; k < stride; ++k) {
        const std::uint8_t tags[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(y),
                                      static_cast<std::uint8_t>(y >> 8),
                                      static_cast<std::uint8_t>(p)};
        row[k] = tags[k % 4];
      }
    }
  }
  gst_buffer_unmap(buffer, &map);
  return buffer;
}

// The rows of a plane, `first` and every `step`-th after it, packed.
Bytes Rows(GstBuffer* buffer, const GstVideoInfo& info, int plane, int rowBytes, int first,
           int step, int count) {
  GstMapInfo map;
  gst_buffer_map(buffer, &map, GST_MAP_READ);
  Bytes rows;
  for (int k = 0; k < count; ++k) {
    const std::uint8_t* row = map.data + GST_VIDEO_INFO_PLANE_OFFSET(&info, plane) +
                              static_cast<gsize>(first + k * step) *
                                  static_cast<gsize>(GST_VIDEO_INFO_PLANE_STRIDE(&info, plane));
    rows.insert(rows.end(), row, row + rowBytes);
  }
  gst_buffer_unmap(buffer, &map);
  return rows;
}

std::string StringOf(const GstStructure* s, const char* field) {
  const char* value = gst_structure_get_string(s, field);
  return value != nullptr ? value : "";
}

// Frames above the size the element draws on one thread, in bands on 3, 2 and one per core
// (n-threads 0) threads, against the same frames on one thread: every plane's rows, subsampled
// ones split at odd rows too. Each frame reads a source row of its own, so that no recycled
// buffer already holds the answer.
TEST_F(TesseloxElement, BandsOfAnyThreadCountGiveTheSameFrame) {
  for (const char* format : {"RGBA", "I420", "YUY2"}) {
    SCOPED_TRACE(format);
    Harnessed ours("tesselox");
    g_object_set(ours.h->element, "src-x", 399, "src-cx", -390, "src-cy", 280, "dst-x", 5, "dst-y",
                 3, "dst-cx", 2580, "dst-cy", 1110, "width", 2601, "height", 1125, nullptr);
    gst_harness_set_src_caps_str(
        ours.h,
        (std::string("video/x-raw,framerate=25/1,width=400,height=300,format=") + format).c_str());
    std::vector<Bytes> frames;
    for (guint threads : {3u, 2u, 0u, 1u, 1u, 1u}) {
      g_object_set(ours.h->element, "n-threads", threads, "src-y", int(frames.size() % 3), nullptr);
      GstBuffer* out = gst_harness_push_and_pull(ours.h, ScrambledBuffer(ours.h));
      ASSERT_NE(out, nullptr);
      const GstVideoInfo info = InfoOf(ours.h->sinkpad);
      frames.emplace_back();
      for (guint p = 0; p < GST_VIDEO_INFO_N_PLANES(&info); ++p) {
        guint c = 0;
        while (GST_VIDEO_INFO_COMP_PLANE(&info, c) != p) ++c;
        const Bytes rows =
            Rows(out, info, p,
                 GST_VIDEO_INFO_COMP_WIDTH(&info, c) * GST_VIDEO_INFO_COMP_PSTRIDE(&info, c), 0, 1,
                 GST_VIDEO_INFO_COMP_HEIGHT(&info, c));
        frames.back().insert(frames.back().end(), rows.begin(), rows.end());
      }
      gst_buffer_unref(out);
    }
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(frames[k], frames[k + 3]) << "frame " << k;
  }
}

// ---------------------------------------------------------------------------------------------
// Subsampled formats, each over every geometry, against each plane's model built from the
// full-size one, with the planes' layouts as GStreamer gives them. With fields the frame is
// interleaved, and each field (every other row of each plane, from row `field`) is a picture of
// its own, copied as its request says.

struct Picture {
  int field, inRows, outRows;  // field -1: the whole frame
  CopyRequest copy;
};
struct GeometryCase {
  const char* name;
  int inW, inH, outW, outH;
  std::vector<Picture> pictures;  // the frame's copy (which the properties say), then any fields
};

// clang-format off
const Bytes kY8{16}, kC8{128}, kUV8{128, 128}, kY10{0x40, 0}, kC10{0, 2}, kY12{0, 1}, kC12{0, 8};
const std::pair<const char*, std::vector<Bytes>> kFormats[] = {  // formats, each plane's fill
    {"I420 YV12 Y42B Y41B", {kY8, kC8, kC8}}, {"NV21 NV16 NV61", {kY8, kUV8}},
    {"NV12,colorimetry=1:4:0:0", {{0}, kUV8}}, {"A420", {kY8, kC8, kC8, {0}}},
    {"I420_10LE I422_10LE", {kY10, kC10, kC10}}, {"I420_12LE I422_12LE", {kY12, kC12, kC12}},
    {"P010_10LE P012_LE P016_LE", {{0, 0x10}, {0, 0x80, 0, 0x80}}},
    // Packed 4:2:2: one macropixel.
    {"YUY2 YVYU", {{16, 128, 16, 128}}}, {"UYVY", {{128, 16, 128, 16}}},
    {"VYUY,colorimetry=1:4:0:0", {{128, 0, 128, 0}}},
    {"Y210 Y212_LE", {{0, 0x10, 0, 0x80, 0, 0x10, 0, 0x80}}},
};
const GeometryCase kGeometries[] = {
    {"1:1 crop, odd corners, on a canvas", 13, 9, 11, 7, {{-1, 9, 7, {{1, 7, 3, 7, 0}, {1, 5, 2, 5, 0}}}}},
    {"mirrored both ways, shrunk", 13, 9, 9, 7, {{-1, 9, 7, {{8, -7, 12, -13, 0}, {6, -5, 8, -9, 0}}}}},
    {"enlarged with phases", 7, 5, 15, 11, {{-1, 5, 11, {{0, 15, 1, 5, 2}, {1, 9, 0, 4, 3}}}}},
    {"reaching outside both frames", 9, 7, 10, 8, {{-1, 7, 8, {{-1, 12, -2, 12, 0}, {-2, 11, 3, 8, 0}}}}},
    // Frame rows: destination 1..9, source 1..5, phase 3; fields of 5 and 4 rows in, 6 and 5 out.
    {"interleaved, odd heights", 7, 9, 7, 11, {{-1, 9, 11, {{0, 7, 0, 7, 0}, {1, 9, 1, 5, 3}}},
     {0, 5, 6, {{0, 7, 0, 7, 0}, {1, 4, 1, 2, 1}}}, {1, 4, 5, {{0, 7, 0, 7, 0}, {0, 5, 0, 3, 1}}}}},
};
// clang-format on

TEST_F(TesseloxElement, CopiesSubsampledFormatsAsTheirFullSizeModel) {
  auto blocks = [](int size, int shift) { return (size + (1 << shift) - 1) >> shift; };
  for (const auto& [formats, fills] : kFormats) {
    std::istringstream names(formats);
    for (std::string format; names >> format;) {
      for (const GeometryCase& g : kGeometries) {
        SCOPED_TRACE(format + ": " + g.name);
        Harnessed ours("tesselox");
        const CopyRequest& r = g.pictures[0].copy;
        g_object_set(ours.h->element, "src-x", r.x.sourceCorner, "src-y", r.y.sourceCorner,
                     "src-cx", r.x.sourceExtent, "src-cy", r.y.sourceExtent, "dst-x", r.x.corner,
                     "dst-y", r.y.corner, "dst-cx", r.x.extent, "dst-cy", r.y.extent, "width",
                     g.outW, "height", g.outH, "phase-x", r.x.phase, "phase-y", r.y.phase, nullptr);
        const bool fields = g.pictures.size() > 1;
        gst_harness_set_src_caps_str(
            ours.h, ("video/x-raw,framerate=25/1,format=" + format +
                     (fields ? ",interlace-mode=interleaved" : "") +
                     ",width=" + std::to_string(g.inW) + ",height=" + std::to_string(g.inH))
                        .c_str());
        const GstVideoInfo inInfo = InfoOf(ours.h->srcpad);
        GstBuffer* in = gst_buffer_ref(ScrambledBuffer(ours.h));
        ASSERT_EQ(gst_harness_push(ours.h, in), GST_FLOW_OK);
        GstBuffer* out = gst_harness_pull(ours.h);
        const GstVideoInfo outInfo = InfoOf(ours.h->sinkpad);
        ASSERT_EQ(std::pair(GST_VIDEO_INFO_WIDTH(&outInfo), GST_VIDEO_INFO_HEIGHT(&outInfo)),
                  std::pair(g.outW, g.outH));
        for (auto pic = g.pictures.begin() + fields; pic != g.pictures.end(); ++pic) {
          const int first = std::max(pic->field, 0), step = pic->field < 0 ? 1 : 2;
          for (guint p = 0; p < fills.size(); ++p) {
            SCOPED_TRACE("field " + std::to_string(pic->field) + ", plane " + std::to_string(p));
            guint c = 0;  // the plane's first component
            while (GST_VIDEO_INFO_COMP_PLANE(&inInfo, c) != p) ++c;
            const int bytes = GST_VIDEO_INFO_COMP_PSTRIDE(&inInfo, c), stride = inInfo.stride[p];
            const int sx = GST_VIDEO_FORMAT_INFO_W_SUB(inInfo.finfo, c);
            const int sy = GST_VIDEO_FORMAT_INFO_H_SUB(inInfo.finfo, c);
            const bool packed = static_cast<int>(fills[p].size()) == 2 * bytes;  // a macropixel
            Bytes source = Rows(in, inInfo, p, stride, first, step, blocks(pic->inRows, sy));
            const PlaneView src{source.data(), blocks(g.inW, sx), blocks(pic->inRows, sy), stride,
                                bytes};
            EXPECT_EQ(
                Rows(out, outInfo, p, bytes * (packed ? blocks(g.outW, 1) * 2 : blocks(g.outW, sx)),
                     first, step, blocks(pic->outRows, sy)),
                packed ? test::ExpectedPacked422(
                             src, g.inW, pic->copy, g.outW, pic->outRows,
                             GST_VIDEO_INFO_COMP_POFFSET(&inInfo, 0) * 2 / bytes, fills[p].data())
                       : test::ExpectedSubsampled(src, g.inW, pic->inRows, pic->copy, g.outW,
                                                  pic->outRows, sx, sy, fills[p].data()));
          }
        }
        gst_buffer_unref(out);
        gst_buffer_unref(in);
      }
    }
  }
}

// A 1:1 crop goes out as the input's memory with crop metadata where downstream takes it, and
// only where every plane's samples start at the crop's corner; elsewhere it is copied.
TEST_F(TesseloxElement, PassesAPureCropAsMetadataWhereDownstreamTakesIt) {
  const std::tuple<const char*, bool, int, bool> cases[] = {
      // downstream takes it, left, kept
      {"even corner", true, 2, true},
      {"odd corner: chroma would start mid-block", true, 3, false},
      {"downstream without crop metadata", false, 2, false}};
  for (const auto& [name, offered, left, byMeta] : cases) {
    SCOPED_TRACE(name);
    Harnessed ours("tesselox");
    if (offered) {
      gst_harness_add_propose_allocation_meta(ours.h, GST_VIDEO_META_API_TYPE, nullptr);
      gst_harness_add_propose_allocation_meta(ours.h, GST_VIDEO_CROP_META_API_TYPE, nullptr);
    }
    g_object_set(ours.h->element, "src-x", left, "src-y", 2, "src-cx", 8, "src-cy", 4, "width", 8,
                 "height", 4, nullptr);
    gst_harness_set_src_caps_str(ours.h,
                                 "video/x-raw,format=I420,framerate=25/1,width=16,height=8");
    GstBuffer* in = gst_buffer_ref(ScrambledBuffer(ours.h));
    ASSERT_EQ(gst_harness_push(ours.h, in), GST_FLOW_OK);
    GstBuffer* out = gst_harness_pull(ours.h);
    const GstVideoCropMeta* crop = gst_buffer_get_video_crop_meta(out);
    const GstVideoMeta* video = gst_buffer_get_video_meta(out);
    EXPECT_EQ(gst_buffer_peek_memory(out, 0) == gst_buffer_peek_memory(in, 0), byMeta);
    ASSERT_EQ(crop != nullptr && video != nullptr, byMeta);
    if (byMeta) {
      EXPECT_EQ(
          std::tuple(video->width, video->height, crop->x, crop->y, crop->width, crop->height),
          std::tuple(16u, 8u, 2u, 2u, 8u, 4u));
    }
    gst_buffer_unref(out);
    gst_buffer_unref(in);
  }
}

// ---------------------------------------------------------------------------------------------
// Interlaced frames against videoscale: each output field must be what videoscale's
// nearest-neighbour makes of the same input field as a picture of its own. For the 2:1 shrink
// the source rectangle starts one field row down (src-y=2): videoscale samples the second row
// of each pair, tesselox the first row of its source rectangle. (videoscale's own interlaced
// mode also shifts its two fields half a field row apart, the top one down and the bottom one
// up, which no per-field copy does; the README says so.)

struct InterlacedCase {
  const char* name;
  int inHeight, outHeight;
  std::vector<std::pair<const char*, int>> set;
};

// clang-format off
const InterlacedCase kInterlacedCases[] = {
    {"576 to 288", 576, 288, {{"height", 288}, {"src-y", 2}}},
    {"576 to 1152", 576, 1152, {{"height", 1152}}},
};
// clang-format on

TEST_F(TesseloxElement, CopiesInterlacedFramesFieldByFieldAsVideoscaleScalesEachField) {
  // videoscale from GStreamer's own folder (the registry here holds this plug-in alone).
  bool loaded = false;
  for (const char* name : {"libgstvideoconvertscale.so", "libgstvideoscale.so"}) {
    const std::string path = std::string(TESSELOX_GST_SYSTEM_PLUGIN_DIR) + "/" + name;
    if (GstPlugin* plugin = gst_plugin_load_file(path.c_str(), nullptr)) {
      gst_object_unref(plugin);
      loaded = true;
      break;
    }
  }
  ASSERT_TRUE(loaded) << "videoscale not found in " << TESSELOX_GST_SYSTEM_PLUGIN_DIR;
  constexpr int kWidth = 16, kRowBytes = kWidth * 4;
  for (const InterlacedCase& c : kInterlacedCases) {
    SCOPED_TRACE(c.name);
    Harnessed ours("tesselox");
    for (const auto& [name, value] : c.set) g_object_set(ours.h->element, name, value, nullptr);
    gst_harness_set_src_caps_str(
        ours.h, ("video/x-raw,format=RGBA,framerate=25/1,interlace-mode=interleaved,"
                 "field-order=top-field-first,width=16,height=" +
                 std::to_string(c.inHeight))
                    .c_str());
    GstBuffer* in = RowTaggedBuffer(ours.h);
    const GstVideoInfo inInfo = InfoOf(ours.h->srcpad);
    gst_buffer_ref(in);
    ASSERT_EQ(gst_harness_push(ours.h, in), GST_FLOW_OK);
    GstBuffer* out = gst_harness_pull(ours.h);
    GstCaps* outCaps = gst_pad_get_current_caps(ours.h->sinkpad);
    const GstStructure* s = gst_caps_get_structure(outCaps, 0);
    EXPECT_EQ(StringOf(s, "interlace-mode"), "interleaved");
    EXPECT_EQ(StringOf(s, "field-order"), "top-field-first");
    const GstVideoInfo outInfo = InfoOf(ours.h->sinkpad);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&outInfo), c.outHeight);
    gst_caps_unref(outCaps);

    const int inRows = c.inHeight / 2, outRows = c.outHeight / 2;
    for (int field = 0; field < 2; ++field) {
      SCOPED_TRACE(field == 0 ? "top field" : "bottom field");
      Harnessed scale("videoscale");
      ASSERT_NE(scale.h, nullptr);
      gst_util_set_object_arg(G_OBJECT(scale.h->element), "method", "nearest-neighbour");
      gst_harness_set_src_caps_str(scale.h, ("video/x-raw,format=RGBA,framerate=25/1,width=16,"
                                             "height=" +
                                             std::to_string(inRows))
                                                .c_str());
      gst_harness_set_sink_caps_str(
          scale.h, ("video/x-raw,width=16,height=" + std::to_string(outRows)).c_str());
      const Bytes picture = Rows(in, inInfo, 0, kRowBytes, field, 2, inRows);
      GstBuffer* fieldBuffer = gst_harness_create_buffer(scale.h, picture.size());
      gst_buffer_fill(fieldBuffer, 0, picture.data(), picture.size());
      ASSERT_EQ(gst_harness_push(scale.h, fieldBuffer), GST_FLOW_OK);
      GstBuffer* scaled = gst_harness_pull(scale.h);
      const GstVideoInfo scaledInfo = InfoOf(scale.h->sinkpad);
      EXPECT_EQ(Rows(out, outInfo, 0, kRowBytes, field, 2, outRows),
                Rows(scaled, scaledInfo, 0, kRowBytes, 0, 1, outRows));
      gst_buffer_unref(scaled);
    }
    gst_buffer_unref(out);
    gst_buffer_unref(in);
  }
}

// ---------------------------------------------------------------------------------------------
// Each field takes its own rows of both rectangles, in every interlace mode, odd values
// included: the expected copy of each field is written out by hand from the frame rows each
// rectangle covers (top field: the even rows, bottom field: the odd rows, row r of a field being
// frame row 2r + field), and checked against the reference model on that field.

struct FieldCopy {
  int field;            // the field's first row in an interleaved frame, or -1: the buffer
  int inRows, outRows;  // the field's rows (or the buffer's)
  CopyRequest copy;
};

struct FieldCase {
  const char* name;
  const char* caps;  // after "video/x-raw", width 6
  int inHeight;
  std::vector<std::pair<const char*, int>> set;
  GstVideoBufferFlags flags;  // GST_VIDEO_BUFFER_FLAG_LAST: none
  int outHeight;
  std::vector<FieldCopy> fields;
};

constexpr CopyAxis kColumns{0, 6, 0, 6, 0};

// clang-format off
const FieldCase kFieldCases[] = {
    // Frame rows: destination 1..9, source 1..5, phase 3.
    {"interleaved, odd corners and extents: top rows 2..8 from 2..4, bottom 1..9 from 1..5",
     ",interlace-mode=interleaved", 10,
     {{"src-y", 1}, {"src-cy", 5}, {"dst-y", 1}, {"dst-cy", 9}, {"height", 12}, {"phase-y", 3}},
     GST_VIDEO_BUFFER_FLAG_LAST, 12,
     {{0, 5, 6, {kColumns, {1, 4, 1, 2, 1}}}, {1, 5, 6, {kColumns, {0, 5, 0, 3, 1}}}}},
    // Frame rows: source 8 up to 2 (mirrored), destination the whole frame.
    {"mixed, an interlaced frame: mirrored, top rows from 8..2, bottom from 7..3",
     ",interlace-mode=mixed", 10, {{"src-y", 8}, {"src-cy", -7}},
     GST_VIDEO_BUFFER_FLAG_INTERLACED, 10,
     {{0, 5, 5, {kColumns, {0, 5, 4, -4, 0}}}, {1, 5, 5, {kColumns, {0, 5, 3, -3, 0}}}}},
    {"mixed, a progressive frame: the frame's own rows", ",interlace-mode=mixed", 10,
     {{"src-y", 8}, {"src-cy", -7}}, GST_VIDEO_BUFFER_FLAG_LAST, 10,
     {{-1, 10, 10, {kColumns, {0, 10, 8, -7, 0}}}}},
    {"alternate, a bottom field: its own rows", "(format:Interlaced),interlace-mode=alternate",
     10, {{"src-y", 1}, {"src-cy", 5}, {"dst-y", 1}, {"dst-cy", 9}, {"height", 12},
     {"phase-y", 3}}, GST_VIDEO_BUFFER_FLAG_BOTTOM_FIELD, 12,
     {{-1, 5, 6, {kColumns, {0, 5, 0, 3, 1}}}}},
};
// clang-format on

TEST_F(TesseloxElement, CopiesEachFieldFromItsOwnRows) {
  const std::uint8_t fill[4] = {0, 0, 0, 0};  // RGBA: transparent black
  for (const FieldCase& c : kFieldCases) {
    SCOPED_TRACE(c.name);
    Harnessed ours("tesselox");
    for (const auto& [name, value] : c.set) g_object_set(ours.h->element, name, value, nullptr);
    gst_harness_set_src_caps_str(
        ours.h, (std::string("video/x-raw") + c.caps +
                 ",format=RGBA,framerate=25/1,width=6,height=" + std::to_string(c.inHeight))
                    .c_str());
    GstBuffer* in = RowTaggedBuffer(ours.h, c.flags);
    const GstVideoInfo inInfo = InfoOf(ours.h->srcpad);
    gst_buffer_ref(in);
    ASSERT_EQ(gst_harness_push(ours.h, in), GST_FLOW_OK);
    GstBuffer* out = gst_harness_pull(ours.h);
    const GstVideoInfo outInfo = InfoOf(ours.h->sinkpad);
    EXPECT_EQ(GST_VIDEO_INFO_HEIGHT(&outInfo), c.outHeight);
    EXPECT_EQ(GST_VIDEO_INFO_INTERLACE_MODE(&outInfo), GST_VIDEO_INFO_INTERLACE_MODE(&inInfo));
    for (const FieldCopy& f : c.fields) {
      SCOPED_TRACE("field " + std::to_string(f.field));
      const int first = f.field < 0 ? 0 : f.field, step = f.field < 0 ? 1 : 2;
      Bytes source = Rows(in, inInfo, 0, 24, first, step, f.inRows);
      const PlaneView picture{source.data(), 6, f.inRows, 24, 4};
      EXPECT_EQ(Rows(out, outInfo, 0, 24, first, step, f.outRows),
                test::ExpectedPlane(picture, f.copy, 6, f.outRows, fill));
    }
    gst_buffer_unref(out);
    gst_buffer_unref(in);
  }
}

// ---------------------------------------------------------------------------------------------
// The output's pixel aspect ratio keeps the display shape: 720 x 576 at 16/15 shrunk to 360
// wide gives 32/15, as videoscale gives; with keep-pixel-aspect off it passes through.

struct AspectCase {
  const char* name;
  std::vector<std::pair<const char*, int>> set;
  int numerator, denominator;
};

// clang-format off
const AspectCase kAspectCases[] = {
    {"2:1 horizontal shrink", {{"width", 360}}, 32, 15},
    {"2:1 horizontal shrink, keep-pixel-aspect off", {{"width", 360}, {"keep-pixel-aspect", 0}},
     16, 15},
    {"a 180 x 288 crop into 360 x 144 of the canvas: the copy's own scale", {{"src-cx", 180},
     {"src-cy", 288}, {"dst-cx", 360}, {"dst-cy", 144}}, 4, 15},
    {"fit contain keeps the shape itself, rounded: the input's", {{"width", 7}, {"fit", 2}},
     16, 15},
    {"fit stretch: the stretch's", {{"width", 360}, {"fit", 1}}, 32, 15},
};
// clang-format on

TEST_F(TesseloxElement, OutputPixelAspectKeepsTheDisplayShape) {
  for (const AspectCase& c : kAspectCases) {
    SCOPED_TRACE(c.name);
    Harnessed ours("tesselox");
    for (const auto& [name, value] : c.set) g_object_set(ours.h->element, name, value, nullptr);
    gst_harness_set_src_caps_str(ours.h,
                                 "video/x-raw,format=RGBA,framerate=25/1,width=720,"
                                 "height=576,pixel-aspect-ratio=16/15");
    ASSERT_EQ(gst_harness_push(ours.h, RowTaggedBuffer(ours.h)), GST_FLOW_OK);
    gst_buffer_unref(gst_harness_pull(ours.h));
    GstCaps* caps = gst_pad_get_current_caps(ours.h->sinkpad);
    gint n = 0, d = 0;
    EXPECT_TRUE(
        gst_structure_get_fraction(gst_caps_get_structure(caps, 0), "pixel-aspect-ratio", &n, &d));
    EXPECT_EQ(std::to_string(n) + "/" + std::to_string(d),
              std::to_string(c.numerator) + "/" + std::to_string(c.denominator));
    gst_caps_unref(caps);
  }
}

// ---------------------------------------------------------------------------------------------
// A size the element cannot negotiate posts one element error that names the size and why.

struct RefusalCase {
  const char* name;
  const char* sinkCaps;                                         // nullptr: anything
  std::vector<std::vector<std::pair<const char*, int>>> steps;  // set, then push a frame
  std::vector<const char*> said;                                // in the error's text
};

// clang-format off
const RefusalCase kRefusalCases[] = {
    {"a frame too large to describe", nullptr, {{{"width", 100000}, {"height", 100000}}, {}},
     {"100000x100000", "too large"}},
    {"a new size while playing into fixed caps", "video/x-raw,width=8,height=8",
     {{}, {{"width", 16}}, {}}, {"16x8", "downstream accepts width 8, height 8"}},
};
// clang-format on

TEST_F(TesseloxElement, ReportsASizeItCannotNegotiateOnceWithTheReason) {
  for (const RefusalCase& c : kRefusalCases) {
    SCOPED_TRACE(c.name);
    Harnessed ours("tesselox");
    if (c.sinkCaps != nullptr) gst_harness_set_sink_caps_str(ours.h, c.sinkCaps);
    gst_harness_set_src_caps_str(ours.h, "video/x-raw,format=RGBA,framerate=25/1,width=4,height=8");
    bool refused = false;
    for (const auto& step : c.steps) {
      for (const auto& [name, value] : step) g_object_set(ours.h->element, name, value, nullptr);
      const GstFlowReturn flow = gst_harness_push(ours.h, RowTaggedBuffer(ours.h));
      if (flow == GST_FLOW_OK) gst_buffer_unref(gst_harness_pull(ours.h));
      refused = refused || flow == GST_FLOW_NOT_NEGOTIATED;
    }
    EXPECT_TRUE(refused);
    int errors = 0;
    while (GstMessage* message = gst_bus_pop_filtered(ours.bus, GST_MESSAGE_ERROR)) {
      GError* error = nullptr;
      gst_message_parse_error(message, &error, nullptr);
      EXPECT_EQ(GST_MESSAGE_SRC(message), GST_OBJECT(ours.h->element));
      EXPECT_TRUE(g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_NEGOTIATION));
      for (const char* words : c.said) {
        EXPECT_NE(std::string(error->message).find(words), std::string::npos) << error->message;
      }
      g_error_free(error);
      gst_message_unref(message);
      ++errors;
    }
    EXPECT_EQ(errors, 1);
  }
}

}  // namespace
}  // namespace tesselox
