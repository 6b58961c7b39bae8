// The element in GStreamer's test harness: each case streams frames through it, one step at a
// time, and checks the negotiated size, passthrough, and every output byte against the
// reference model with the copy and the fill the case states.

#include <gst/check/gstharness.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "filter/copy_request.h"
#include "filter/plane_view.h"
#include "source_model.h"

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
      GstBuffer* in = gst_harness_create_buffer(h, GST_VIDEO_INFO_SIZE(&inInfo));
      GstMapInfo map;
      gst_buffer_map(in, &map, GST_MAP_WRITE);
      for (gsize k = 0; k < map.size; ++k) map.data[k] = static_cast<std::uint8_t>(37 * k + 1);
      gst_buffer_unmap(in, &map);
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

}  // namespace
}  // namespace tesselox
