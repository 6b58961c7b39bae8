// tesselox-host.exe on Y4M video of every depth and subsampling: 1:1 copies come back bit for
// bit, scaled streams match the reference model, cleared areas are black, and --scale takes the
// whole frame whatever its size.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/frame_size.h"
#include "host/io/y4m_stream.h"
#include "host_process.h"
#include "model_picture.h"
#include "scratch_folder.h"

namespace tesselox::test {
namespace {

using io::test::ScratchFolder;

struct Video {
  std::string header;  // without the newline
  std::int32_t width, height;
  io::SampleFormat format;
};

Video MakeVideo(const std::string& space, std::int32_t width, std::int32_t height,
                const std::string& extra = "") {
  Video v{"YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) +
              " F24000:1001 Ip A1:1 C" + space + extra,
          width,
          height,
          {}};
  std::istringstream in(v.header + "\n");
  v.format = io::Y4mReader(in, "video").Format();
  return v;
}

// A stream of `frames` frames of random samples within the depth.
std::string Stream(const Video& v, int frames, unsigned seed) {
  std::mt19937 random(seed);
  const std::size_t bytes = io::FrameBytes(v.format, v.width, v.height);
  const bool wide = v.format.depth > 8;
  const unsigned high = (1u << v.format.depth) - 1;
  std::string s = v.header + "\n";
  for (int f = 0; f < frames; ++f) {
    s += "FRAME\n";
    for (std::size_t k = 0; k < bytes; k += wide ? 2 : 1) {
      const auto sample = static_cast<unsigned>(random()) & high;
      s += static_cast<char>(sample & 0xFF);
      if (wide) s += static_cast<char>(sample >> 8);
    }
  }
  return s;
}

std::vector<io::Picture> Decode(const std::string& stream, io::Y4mHeader* header = nullptr) {
  std::istringstream in(stream);
  io::Y4mReader reader(in, "decoded");
  if (header != nullptr) *header = reader.Header();
  std::vector<io::Picture> frames;
  io::Picture frame;
  while (reader.ReadFrame(frame)) frames.push_back(frame);
  return frames;
}

// The stream the host must write: each input frame through the model, written as the host
// writes, colour space fallback included.
std::string ExpectedStream(const std::string& input, const CopyRequest& request, std::int32_t width,
                           std::int32_t height) {
  io::Y4mHeader header;
  const auto frames = Decode(input, &header);
  std::ostringstream out;
  const auto extent = [](std::int32_t v) { return std::llabs(static_cast<std::int64_t>(v)); };
  io::Y4mWriter writer(out, header,
                       {extent(request.x.sourceExtent), extent(request.y.sourceExtent),
                        extent(request.x.extent), extent(request.y.extent)});
  for (const io::Picture& frame : frames)
    writer.WriteFrame(ModelPicture(frame, request, width, height));
  return out.str();
}

std::string HeaderLine(const std::string& stream) {
  return stream.substr(0, stream.find('\n'));
}

// Each run gets a folder of its own inside the test's scratch folder, so that no run waits on
// files that a program just gone may still hold.
class Runs {
 public:
  // Runs the host on `video` with these options; its output stream is then at Output().
  HostResult Run(const std::string& video, const std::vector<std::string>& options) {
    folder_ = scratch_ / ("run" + std::to_string(++count_));
    std::filesystem::create_directories(folder_);
    ScratchFolder::Write(folder_ + "\\in.y4m", video);
    std::vector<std::string> args = {"--in", folder_ + "\\in.y4m", "--out", Output()};
    args.insert(args.end(), options.begin(), options.end());
    return RunHostProgram(args, folder_);
  }
  std::string Output() const { return folder_ + "\\out.y4m"; }

 private:
  ScratchFolder scratch_;
  std::string folder_;
  int count_ = 0;
};

TEST(HostVideoTest, EveryFormatCopiesOneToOneBitForBit) {
  Runs runs;
  const struct {
    const char* space;
    std::int32_t width, height;  // the smallest frame the fields take is 32 x 32
  } cases[] = {
      {"420jpeg", 64, 34},  {"420p10", 66, 32}, {"420p16", 40, 36}, {"422", 34, 33},
      {"422p10", 36, 35},   {"422p16", 34, 37}, {"444", 33, 35},    {"444p10", 35, 33},
      {"444p16", 37, 33},   {"mono", 33, 33},   {"mono10", 35, 37}, {"mono16", 39, 35},
      {"420paldv", 48, 32}, {"420p12", 32, 32}, {"444p12", 41, 32}, {"422p12", 32, 33},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.space);
    const Video v = MakeVideo(c.space, c.width, c.height, " XCOLORRANGE=LIMITED");
    const std::string input = Stream(v, 2, 11);
    const HostResult run = runs.Run(input, {"--scale", io::SizeText({c.width, c.height})});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string output = ReadFile(runs.Output());
    // The writer drops nothing here but the tags that would contradict a changed size.
    EXPECT_TRUE(output == input) << HeaderLine(output) << " vs " << HeaderLine(input);
    EXPECT_EQ(run.err.find("wrote C444"), std::string::npos) << run.err;
  }
}

TEST(HostVideoTest, FourTwoZeroOfOddSizeComesBackAsFourFourFourOfTheSameDepth) {
  Runs runs;
  for (const char* space : {"420mpeg2", "420p10", "420p16"}) {
    SCOPED_TRACE(space);
    const Video v = MakeVideo(space, 35, 33);
    const std::string input = Stream(v, 2, 5);
    const HostResult run = runs.Run(input, {"--scale", "35x33"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    io::Y4mHeader written;
    const auto output = Decode(ReadFile(runs.Output()), &written);
    const auto frames = Decode(input);
    ASSERT_EQ(output.size(), 2u);
    for (int f = 0; f < 2; ++f) EXPECT_TRUE(output[f].pixels == frames[f].pixels) << "frame " << f;
    EXPECT_EQ(written.colourSpace,
              v.format.depth == 8 ? "444" : "444p" + std::to_string(v.format.depth));
    EXPECT_NE(run.err.find("wrote C" + written.colourSpace), std::string::npos) << run.err;
  }
}

TEST(HostVideoTest, ScaledHighDepthStreamsMatchTheModel) {
  Runs runs;
  const struct {
    const char* space;
    std::vector<std::string> options;
    CopyRequest request;
    std::int32_t width, height;
  } cases[] = {
      {"420p10", {"--scale", "50x40"}, {{0, 50, 0, 96, 0}, {0, 40, 0, 64, 0}}, 50, 40},
      {"444p10",
       {"--scale", "150x100", "--set", "src x=90", "--set", "src cx=-60", "--set", "dst y=10",
        "--set", "dst cy=77", "--set", "phase x=2"},
       {{0, 150, 90, -60, 2}, {10, 77, 0, 64, 0}},
       150,
       100},
      {"422p12",
       {"--set", "src cx=96", "--set", "src cy=64", "--set", "dst x=70", "--set", "dst cx=-71",
        "--set", "dst cy=45", "--set", "width=72", "--set", "height=45"},
       {{70, -71, 0, 96, 0}, {0, 45, 0, 64, 0}},
       72,
       45},
      {"mono16", {"--scale", "33x97"}, {{0, 33, 0, 96, 0}, {0, 97, 0, 64, 0}}, 33, 97},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.space);
    const std::string input = Stream(MakeVideo(c.space, 96, 64), 3, 21);
    const HostResult run = runs.Run(input, c.options);
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string output = ReadFile(runs.Output());
    const std::string expected = ExpectedStream(input, c.request, c.width, c.height);
    EXPECT_EQ(HeaderLine(output), HeaderLine(expected));
    EXPECT_TRUE(output == expected) << "the frames differ from the model's";
  }
}

// Reads sample `index` of a frame's planes (after FRAME\n).
int SampleAt(const std::string& planes, std::size_t index, bool wide) {
  if (!wide) return static_cast<std::uint8_t>(planes[index]);
  return static_cast<std::uint8_t>(planes[2 * index]) |
         static_cast<std::uint8_t>(planes[2 * index + 1]) << 8;
}

TEST(HostVideoTest, ClearedAreasAreBlackInEveryRangeAndDepth) {
  Runs runs;
  // Black's samples in each format are the codec's (its own tests hold them to the levels);
  // here they must fill the cleared bars.
  const std::pair<const char*, const char*> cases[] = {
      {"420jpeg", ""},
      {"420jpeg", " XCOLORRANGE=FULL"},
      {"422p10", " XCOLORRANGE=LIMITED"},
      {"420p10", " XCOLORRANGE=FULL"},
      {"444p16", ""},
      {"mono", " XCOLORRANGE=FULL"},
  };
  for (const auto& [space, range] : cases) {
    SCOPED_TRACE(std::string(space) + range);
    const Video v = MakeVideo(space, 320, 240, range);
    const int black = io::LumaLevels(v.format).offset;
    const int neutral = io::ChromaLevels(v.format).offset;
    // Pillarbox: the whole 320 x 240 frame in the middle of a 400 x 240 one.
    const HostResult run = runs.Run(
        Stream(v, 1, 3), {"--scale", "320x240", "--set", "width=400", "--set", "dst x=40"});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string output = ReadFile(runs.Output());
    ASSERT_NE(HeaderLine(output).find(" W400 H240 "), std::string::npos) << HeaderLine(output);
    const std::string planes = output.substr(output.find("FRAME\n") + 6);
    ASSERT_EQ(planes.size(), io::FrameBytes(v.format, 400, 240));
    const bool wide = v.format.depth > 8;
    // Luma: 40 columns each side; chroma: as many chroma columns as cover them.
    const int chromaWidth = v.format.subsampling == io::Subsampling::k444 ? 400 : 200;
    const int chromaHeight = v.format.subsampling == io::Subsampling::k420 ? 120 : 240;
    const int chromaBar = 40 * chromaWidth / 400;
    int wrong = 0;
    for (int y = 0; y < 240; ++y) {
      for (int x : {0, 1, 39, 360, 361, 399})
        wrong += SampleAt(planes, static_cast<std::size_t>(y) * 400 + x, wide) != black;
    }
    if (v.format.subsampling != io::Subsampling::kMono) {
      const std::size_t planeSamples = static_cast<std::size_t>(chromaWidth) * chromaHeight;
      for (std::size_t plane = 0; plane < 2; ++plane) {
        for (int y = 0; y < chromaHeight; ++y) {
          for (int x : {0, chromaBar - 1, chromaWidth - chromaBar, chromaWidth - 1}) {
            const std::size_t at =
                400 * 240 + plane * planeSamples + static_cast<std::size_t>(y) * chromaWidth + x;
            wrong += SampleAt(planes, at, wide) != neutral;
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0);
    // And the picture between the bars is the input's.
    EXPECT_NE(SampleAt(planes, 100 * 400 + 200, wide) + SampleAt(planes, 100 * 400 + 201, wide),
              2 * black);
  }
}

TEST(HostVideoTest, ScaleTakesTheWholeFrameOfAnySize) {
  Runs runs;
  const struct {
    std::int32_t inWidth, inHeight, width, height;
  } cases[] = {
      {1920, 1080, 640, 360},
      {3840, 2160, 1280, 720},
      {3840, 2160, 3840, 2160},  // past the default --max, which --scale raises
  };
  for (const auto& c : cases) {
    const std::string size =
        io::SizeText({c.inWidth, c.inHeight}) + " to " + io::SizeText({c.width, c.height});
    SCOPED_TRACE(size);
    const std::string input = Stream(MakeVideo("420jpeg", c.inWidth, c.inHeight), 1, 8);
    const HostResult run = runs.Run(input, {"--scale", io::SizeText({c.width, c.height})});
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const std::string output = ReadFile(runs.Output());
    const std::string expected = ExpectedStream(
        input, CopyRequest{{0, c.width, 0, c.inWidth, 0}, {0, c.height, 0, c.inHeight, 0}}, c.width,
        c.height);
    EXPECT_EQ(HeaderLine(output), HeaderLine(expected));
    EXPECT_TRUE(output == expected) << "not the whole frame scaled";
    if (c.width == c.inWidth) {
      EXPECT_TRUE(output == input);
    }
  }
}

TEST(HostVideoTest, ScaleThatTheFieldsCannotTakeIsAnError) {
  Runs runs;
  const struct {
    int frames;
    std::vector<std::string> options;
    const char* message;
  } cases[] = {
      {1, {"--scale", "16x16"}, "--scale: the field \"width\" takes 32.."},
      {1, {"--scale", "1920x1080", "--max", "1280x720"}, "--scale: 1920x1080 is larger than --max"},
      // Without a frame the fields' ranges fit no input: the missing frames are the problem.
      {0, {"--scale", "64x48"}, "the Y4M stream has no frames"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const HostResult run = runs.Run(Stream(MakeVideo("444", 64, 48), c.frames, 1), c.options);
    EXPECT_NE(run.exitCode, 0u);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
    EXPECT_FALSE(std::filesystem::exists(runs.Output()));
  }
}

}  // namespace
}  // namespace tesselox::test
