// The GStreamer element on full-HD frames, one thread, against the core's own render of the
// same job, the chain of GStreamer's own elements that does it, and identity. The job: a
// mirrored 800 x 450 crop, enlarged twice, placed at 160,90 on a 1920 x 1080 canvas. Then the
// formats decoders give, in batches of 600 frames: on I420, three jobs against GStreamer's own
// I420 elements, and the first of them on NV12 and YUY2. Frames go through GstHarness, the same
// input buffer every time (read-only, so the element writes a buffer of its own from its pool).
// Ends with tables of medians and ratios.

#include <benchmark/benchmark.h>
#include <gst/check/gstharness.h>
#include <gst/video/video.h>

#include <cstdint>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "filter/copy_request.h"
#include "filter/render_plane.h"
#include "median_times.h"

namespace {

using tesselox::CopyRequest;

constexpr int kW = 1920, kH = 1080;
constexpr const char* kFormats[] = {"RGBA", "Y444_10LE"};
constexpr CopyRequest kJob{{160, 1600, 1119, -800, 0}, {90, 900, 100, 450, 0}};

// Jobs on subsampled frames: the element's properties and GStreamer's own elements doing it.
struct SubsampledJob {
  const char* name;
  const char* element;
  const char* chain;
};
constexpr SubsampledJob kSubsampledJobs[] = {
    {"crop_mirror_shrink",
     "tesselox src-x=1439 src-cx=-1440 dst-x=640 dst-y=360 dst-cx=640 dst-cy=360",
     "videocrop right=480 ! videoflip video-direction=horiz ! "
     "videoscale method=nearest-neighbour n-threads=1 ! "
     "video/x-raw,width=640,height=360,colorimetry=bt709 ! "
     "videobox left=-640 right=-640 top=-360 bottom=-360"},
    {"mirror", "tesselox src-x=1919 src-cx=-1920", "videoflip video-direction=horiz"},
    {"enlarge_quarter_2x", "tesselox src-x=480 src-y=270 src-cx=960 src-cy=540",
     "videocrop left=480 right=480 top=270 bottom=270 ! "
     "videoscale method=nearest-neighbour n-threads=1 ! "
     "capsfilter caps=video/x-raw,width=1920,height=1080,colorimetry=bt709"},
};
constexpr const char* kSubsampledFormats[] = {"NV12", "YUY2"};
constexpr int kSubsampledFrames = 600;
// The colorimetry is fixed on both sides: videoscale would otherwise convert the colours to the
// default of the output's size.
std::string Colorimetry(const char* format) {
  return std::string(format) + ",colorimetry=bt709";
}

std::string Caps(const char* format) {
  return std::string("video/x-raw,format=") + format + ",width=" + std::to_string(kW) +
         ",height=" + std::to_string(kH) + ",framerate=25/1";
}

std::string Element() {
  const auto& x = kJob.x;
  const auto& y = kJob.y;
  char text[256];
  std::snprintf(text, sizeof text,
                "tesselox src-x=%d src-y=%d src-cx=%d src-cy=%d dst-x=%d dst-y=%d dst-cx=%d "
                "dst-cy=%d",
                x.sourceCorner, y.sourceCorner, x.sourceExtent, y.sourceExtent, x.corner, y.corner,
                x.extent, y.extent);
  return text;
}

// GStreamer's own elements: crop, flip, nearest scale, then the canvas.
std::string Chain(const char* canvas) {
  std::string chain =
      "videocrop left=320 right=800 top=100 bottom=530 ! videoflip video-direction=horiz ! "
      "videoscale method=nearest-neighbour dither=none n-threads=1 ! "
      "video/x-raw,width=1600,height=900 ! ";
  if (std::string(canvas) == "videobox") {
    return chain + "videobox left=-160 right=-160 top=-90 bottom=-90 border-alpha=0";
  }
  return chain +
         "compositor max-threads=1 background=black sink_0::xpos=160 sink_0::ypos=90 ! "
         "capsfilter caps=video/x-raw,width=1920,height=1080";
}

void Pipeline(benchmark::State& state, const std::string& format, const std::string& launch) {
  GstHarness* h = gst_harness_new_parse(launch.c_str());
  gst_harness_set_src_caps_str(h, Caps(format.c_str()).c_str());
  GstVideoInfo info;
  GstCaps* caps = gst_caps_from_string(Caps(format.c_str()).c_str());
  gst_video_info_from_caps(&info, caps);
  gst_caps_unref(caps);
  GstBuffer* input = gst_harness_create_buffer(h, GST_VIDEO_INFO_SIZE(&info));
  GstMapInfo map;
  gst_buffer_map(input, &map, GST_MAP_WRITE);
  for (gsize k = 0; k < map.size; ++k) map.data[k] = static_cast<guint8>(k * 131 >> 3);
  gst_buffer_unmap(input, &map);
  GstClockTime pts = 0;
  for (auto _ : state) {
    GstBuffer* frame = gst_buffer_copy(input);  // shares the memory; its own timestamps
    GST_BUFFER_PTS(frame) = pts;
    GST_BUFFER_DURATION(frame) = GST_SECOND / 25;
    pts += GST_SECOND / 25;
    if (gst_harness_push(h, frame) != GST_FLOW_OK) {
      state.SkipWithError("push failed");
      break;
    }
    gst_buffer_unref(gst_harness_pull(h));
  }
  gst_buffer_unref(input);
  gst_harness_teardown(h);
}

// The core alone: every plane of the output rendered from the input, as the element does.
void Core(benchmark::State& state, const char* format) {
  GstVideoInfo info;
  GstCaps* caps = gst_caps_from_string(Caps(format).c_str());
  gst_video_info_from_caps(&info, caps);
  gst_caps_unref(caps);
  std::vector<std::uint8_t> in(GST_VIDEO_INFO_SIZE(&info)), out(in.size());
  for (std::size_t k = 0; k < in.size(); ++k) in[k] = static_cast<std::uint8_t>(k * 131 >> 3);
  const int planes = static_cast<int>(GST_VIDEO_INFO_N_PLANES(&info));
  const int pixel = GST_VIDEO_INFO_COMP_PSTRIDE(&info, 0);
  auto view = [&](std::vector<std::uint8_t>& bytes, int p) {
    return tesselox::PlaneView{bytes.data() + GST_VIDEO_INFO_PLANE_OFFSET(&info, p), kW, kH,
                               GST_VIDEO_INFO_PLANE_STRIDE(&info, p), pixel};
  };
  const tesselox::CopyPlan plan =
      tesselox::PlanCopy(tesselox::SizeOf(view(out, 0)), tesselox::SizeOf(view(in, 0)), kJob);
  const std::uint8_t fill[8] = {};
  for (auto _ : state) {
    for (int p = 0; p < planes; ++p) tesselox::RenderPlane(view(out, p), view(in, p), plan, fill);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
}

// A table of wall-clock time and one of the benchmark thread's CPU time (which leaves out the
// time spent waiting for a core on a busy machine, and the compositor's own threads).
class Table : public tesselox::bench::MedianTimes {
 public:
  void Finalize() override {
    ConsoleReporter::Finalize();
    Print(Clock::kWall, "Wall-clock");
    Print(Clock::kCpu, "CPU (the compositor's threads not counted)");
    PrintSubsampled(Clock::kWall, "wall-clock");
    PrintSubsampled(Clock::kCpu, "CPU");
  }

 private:
  void Print(Clock clock, const char* title) {
    auto& os = GetOutputStream();
    os << "\n"
       << title << " time, microseconds per frame:\n\n"
       << "| format | core | element | element / core | videobox chain | compositor chain | "
          "faster chain / element | identity |\n|---|---|---|---|---|---|---|---|\n";
    for (const char* f : kFormats) {
      auto at = [&](const char* what) { return Time(clock, std::string(what) + "/" + f); };
      const double core = at("core"), element = at("element"), box = at("chain_videobox"),
                   comp = at("chain_compositor"), identity = at("identity");
      const double chain = box > 0 && box < comp ? box : comp;
      char line[256];
      std::snprintf(line, sizeof line, "| %s | %.0f | %.0f | %.2f | %s | %.0f | %.2f | %.1f |\n", f,
                    core, element, element / core,
                    box > 0 ? std::to_string(static_cast<int>(box)).c_str() : "-", comp,
                    chain / element, identity);
      os << line;
    }
  }
  // The subsampled jobs: the element against GStreamer's I420 chain, and the first job's other
  // formats against its I420.
  void PrintSubsampled(Clock clock, const char* title) {
    auto at = [&](const std::string& name) { return Time(clock, name); };
    auto& os = GetOutputStream();
    os << "\nSubsampled frames, " << title << " microseconds per frame:\n\n"
       << "| job | format | element | GStreamer's I420 chain | chain / element | "
          "element / I420 element |\n|---|---|---|---|---|---|\n";
    char line[256];
    for (const SubsampledJob& job : kSubsampledJobs) {
      const double element = at(std::string("element/") + job.name + "/I420");
      const double chain = at(std::string("chain/") + job.name + "/I420");
      std::snprintf(line, sizeof line, "| %s | I420 | %.0f | %.0f | %.2f | 1 |\n", job.name,
                    element, chain, chain / element);
      os << line;
    }
    const SubsampledJob& first = kSubsampledJobs[0];
    const double i420 = at(std::string("element/") + first.name + "/I420");
    for (const char* f : kSubsampledFormats) {
      const double element = at(std::string("element/") + first.name + "/" + f);
      std::snprintf(line, sizeof line, "| %s | %s | %.0f | - | - | %.2f |\n", first.name, f,
                    element, element / i420);
      os << line;
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  gst_init(&argc, &argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Wall-clock time: the compositor works on a thread of its own.
  auto add = [](const std::string& name, auto&&... args) {
    benchmark::RegisterBenchmark(name.c_str(), args...)
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();
  };
  for (const char* f : kFormats) {
    const std::string suffix = std::string("/") + f;
    add("core" + suffix, Core, f);
    add("element" + suffix, Pipeline, f, Element());
    // videobox has no 10-bit formats.
    if (std::string(f) == "RGBA") add("chain_videobox" + suffix, Pipeline, f, Chain("videobox"));
    add("chain_compositor" + suffix, Pipeline, f, Chain("compositor"));
    add("identity" + suffix, Pipeline, f, std::string("identity"));
  }
  auto batch = [&](const std::string& name, const char* format, const char* launch) {
    benchmark::RegisterBenchmark(name.c_str(), Pipeline, Colorimetry(format), std::string(launch))
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->Iterations(kSubsampledFrames);
  };
  for (const SubsampledJob& job : kSubsampledJobs) {
    batch(std::string("element/") + job.name + "/I420", "I420", job.element);
    batch(std::string("chain/") + job.name + "/I420", "I420", job.chain);
  }
  for (const char* f : kSubsampledFormats) {
    batch(std::string("element/") + kSubsampledJobs[0].name + "/" + f, f,
          kSubsampledJobs[0].element);
  }
  Table table;
  benchmark::RunSpecifiedBenchmarks(&table);
  benchmark::Shutdown();
  return 0;
}
