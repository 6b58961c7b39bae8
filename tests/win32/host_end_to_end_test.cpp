// tesselox-host.exe run as a separate program on files and streams the tests make, its results
// checked against the reference model of the copy.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/image_file.h"
#include "host/io/test_pattern.h"
#include "host_process.h"
#include "reference_model.h"
#include "scratch_folder.h"

namespace tesselox::test {
namespace {

using io::test::ScratchFolder;

// Every pixel different from its neighbours, in 8-bit steps so that PNG keeps it exactly.
io::Image MakePicture(std::int32_t width, std::int32_t height) {
  io::Image image(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      image.At(x, y) = io::PixelFromBytes(static_cast<std::uint8_t>(x * 7 + y),
                                          static_cast<std::uint8_t>(y * 5 + x / 3),
                                          static_cast<std::uint8_t>(x ^ (y * 3)));
    }
  }
  return image;
}

void WritePng(const std::string& path, const io::Image& image) {
  const auto png = io::EncodePng(image);
  ScratchFolder::Write(path, std::string(png.begin(), png.end()));
}

io::Image ReadPng(const std::string& path) {
  const std::string bytes = ReadFile(path);
  return io::DecodeImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path);
}

// What the module must make of `input` with these parameters, straight from the model.
io::Image Expected(io::Image input, const CopyArgs& args, std::int32_t width, std::int32_t height) {
  io::Image expected(width, height);
  const ImageView src{input.pixels.data(), input.width, input.height, input.width};
  const ImageView dst{expected.pixels.data(), width, height, width};
  ReferenceCopy(dst, src, args);
  return expected;
}

// The number of pixels that differ; images of different sizes differ everywhere.
std::size_t Mismatches(const io::Image& a, const io::Image& b) {
  if (a.width != b.width || a.height != b.height) return a.pixels.size() + b.pixels.size() + 1;
  std::size_t count = 0;
  for (std::size_t k = 0; k < a.pixels.size(); ++k) count += !(a.pixels[k] == b.pixels[k]);
  return count;
}

std::vector<std::string> Sets(const std::vector<std::string>& assignments) {
  std::vector<std::string> args;
  for (const auto& a : assignments) {
    args.push_back("--set");
    args.push_back(a);
  }
  return args;
}

std::string ClosingLine(const std::string& text) {
  std::smatch match;
  static const std::regex line(
      R"(input \d+x\d+, output \d+x\d+, \d+ frames?, [0-9.]+ ms per frame)");
  return std::regex_search(text, match, line) ? match.str() : "";
}

TEST(HostEndToEndTest, NoOptionsWritesTheScaledTestPattern) {
  ScratchFolder folder;
  const HostResult run = RunHostProgram({}, folder / "");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  const io::Image output = ReadPng(folder / "out/tesselox.png");
  ASSERT_EQ(output.width, 640);
  ASSERT_EQ(output.height, 360);
  // The initial parameters: the whole 1440 x 1080 frame into 640 x 360.
  const io::Image expected =
      Expected(io::MakeTestPattern(), CopyArgs{0, 0, 640, 360, 0, 0, 1440, 1080, 0, 0}, 640, 360);
  EXPECT_EQ(Mismatches(output, expected), 0u);
  EXPECT_NE(ClosingLine(run.out).find("input 1440x1080, output 640x360, 1 frame, "),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");
}

TEST(HostEndToEndTest, FieldEditsGiveWhatTheModelGives) {
  const struct {
    const char* what;
    std::vector<std::string> sets;
    CopyArgs args;  // dx, dy, dcx, dcy, sx, sy, scx, scy, px, py
    std::int32_t width, height;
  } cases[] = {
      {"one to one",
       {"src cx=200", "src cy=150", "dst cx=200", "dst cy=150", "width=200", "height=150"},
       {0, 0, 200, 150, 0, 0, 200, 150, 0, 0},
       200,
       150},
      {"mirrored both ways",
       {"src cx=200", "src cy=150", "dst x=199", "dst y=149", "dst cx=-200", "dst cy=-150",
        "width=200", "height=150"},
       {199, 149, -200, -150, 0, 0, 200, 150, 0, 0},
       200,
       150},
      {"mirrored source, scaled",
       {"src x=180", "src cx=-120", "src cy=90", "dst cx=300", "dst cy=45", "width=320",
        "height=50"},
       {0, 0, 300, 45, 180, 0, -120, 90, 0, 0},
       320,
       50},
      {"scaled and shifted",
       {"src x=10", "src y=5", "src cx=150", "src cy=100", "dst x=7", "dst y=3", "dst cx=333",
        "dst cy=77", "width=350", "height=90"},
       {7, 3, 333, 77, 10, 5, 150, 100, 0, 0},
       350,
       90},
      {"phase",
       {"src cx=150", "src cy=100", "dst cx=333", "dst cy=77", "width=340", "height=80",
        "phase x=100", "phase y=40"},
       {0, 0, 333, 77, 0, 0, 150, 100, 100, 40},
       340,
       80},
  };
  const io::Image input = MakePicture(200, 150);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    WritePng(folder / "in.png", input);
    std::vector<std::string> args = {"--in", folder / "in.png", "--out", folder / "result.png"};
    for (const auto& a : Sets(c.sets)) args.push_back(a);
    const HostResult run = RunHostProgram(args, folder / "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const io::Image output = ReadPng(folder / "result.png");
    EXPECT_EQ(Mismatches(output, Expected(input, c.args, c.width, c.height)), 0u);
    if (std::string(c.what) == "one to one") {
      EXPECT_EQ(Mismatches(output, input), 0u);
    }
  }
}

std::string Y4m(const std::string& header, int frames, std::size_t frameBytes) {
  std::string s = header + "\n";
  for (int f = 0; f < frames; ++f) {
    s += "FRAME\n";
    for (std::size_t k = 0; k < frameBytes; ++k)
      s += static_cast<char>((k * 29 + f * 101 + k / 64) & 0xFF);
  }
  return s;
}

TEST(HostEndToEndTest, FourFourFourVideoRoundTripsThroughStandardStreams) {
  ScratchFolder folder;
  const std::string video = Y4m("YUV4MPEG2 W64 H48 F25:1 It A1:1 C444", 3, 64 * 48 * 3);
  ScratchFolder::Write(folder / "in.y4m", video);
  std::vector<std::string> args = {"--in", "-", "--out", "-"};
  for (const auto& a :
       Sets({"src cx=64", "src cy=48", "dst cx=64", "dst cy=48", "width=64", "height=48"}))
    args.push_back(a);
  const HostResult run = RunHostProgram(args, folder / "", folder / "in.y4m");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_TRUE(run.out == video) << "the output stream differs (" << run.out.size() << " bytes)";
  EXPECT_NE(run.err.find("frames 3, "), std::string::npos) << run.err;
  EXPECT_NE(ClosingLine(run.err).find("input 64x48, output 64x48, 3 frames"), std::string::npos)
      << run.err;
}

TEST(HostEndToEndTest, FourTwoZeroVideoOfOddOutputSizeIsWrittenAsFourFourFour) {
  ScratchFolder folder;
  ScratchFolder::Write(folder / "in.y4m",
                       Y4m("YUV4MPEG2 W64 H48 F30:1 C420jpeg", 2, 64 * 48 * 3 / 2));
  const HostResult run = RunHostProgram({"--in", folder / "in.y4m", "--out", folder / "out.y4m",
                                         "--set", "width=33", "--set", "height=40"},
                                        folder / "");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  const std::string out = ReadFile(folder / "out.y4m");
  EXPECT_EQ(out.substr(0, out.find('\n')), "YUV4MPEG2 W33 H40 F30:1 C444");
  EXPECT_EQ(out.size(), out.find('\n') + 1 + 2 * (6 + 33 * 40 * 3));
  EXPECT_NE(run.err.find("wrote C444"), std::string::npos) << run.err;
}

TEST(HostEndToEndTest, FailuresSayWhatWentWrongAndLeaveNoOutput) {
  const std::string frame = std::string(64 * 48 * 3, '\x40');
  const struct {
    const char* what;
    std::vector<std::string> args;  // "@" stands for the scratch folder
    const char* output;             // must not exist afterwards
    const char* message;
  } cases[] = {
      {"bad option", {"--frobnicate"}, "result.png", "unknown option --frobnicate"},
      {"bad size", {"--max", "1920"}, "result.png", "option --max: bad size"},
      {"unknown label", {"--set", "src q=4"}, "result.png", "unknown field label \"src q\""},
      {"missing module", {"--module", "@/none.auf"}, "result.png", "cannot load"},
      {"not a module", {"--module", "@/garbage.png"}, "result.png", "cannot load"},
      {"missing file",
       {"--in", "@/missing.png"},
       "result.png",
       "missing.png: cannot open the file"},
      {"unreadable file", {"--in", "@/garbage.png"}, "result.png", "garbage.png: not a readable"},
      {"picture over capacity",
       {"--capacity", "1000x1000"},
       "result.png",
       "the input is 1440x1080, larger than the buffers' capacity 1000x1000"},
      {"video over capacity",
       {"--in", "@/wide.y4m", "--capacity", "1920x1080"},
       "result.y4m",
       "the input is 2000x16, larger than the buffers' capacity 1920x1080"},
      {"truncated video", {"--in", "@/cut.y4m"}, "result.y4m", "frame 3 is truncated"},
      {"video to a picture name",
       {"--in", "@/cut.y4m"},
       "result.png",
       "a Y4M input is written as Y4M"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    ScratchFolder::Write(folder / "garbage.png", "this is not a picture");
    ScratchFolder::Write(folder / "wide.y4m", Y4m("YUV4MPEG2 W2000 H16 C444", 1, 2000 * 16 * 3));
    ScratchFolder::Write(folder / "cut.y4m",
                         Y4m("YUV4MPEG2 W64 H48 C444", 3, 64 * 48 * 3).substr(0, 25000));
    std::vector<std::string> args;
    for (std::string a : c.args) args.push_back(a[0] == '@' ? folder / a.substr(2) : a);
    args.push_back("--out");
    args.push_back(folder / c.output);
    const HostResult run = RunHostProgram(args, folder / "");
    EXPECT_NE(run.exitCode, 0u);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
    EXPECT_EQ(run.out, "");
    for (const auto& entry : std::filesystem::directory_iterator(folder / "")) {
      const std::string name = entry.path().filename().string();
      EXPECT_NE(name.rfind("result", 0), 0u) << name << " left behind";
    }
  }
}

TEST(HostEndToEndTest, PrintFieldsReportsWhatTheFieldsMadeOfTheTyping) {
  ScratchFolder folder;
  const HostResult run =
      RunHostProgram({"--out", folder / "r.png", "--print-fields", "--max", "1920x1080", "--set",
                      "src cx=abc12",                                 // letters are not typed
                      "--set", "src x=--5",                           // a second sign is refused
                      "--set", "dst cx=123456",                       // five characters at most,
                                                                      // then out of range: 0
                      "--set", "dst cy=-400", "--set", "width=5000",  // read as typed, not ranged
                      "--set", "phase y=7.5"},                        // not a number: 0
                     folder / "");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  std::map<std::string, std::string> fields;
  std::istringstream lines(run.out);
  std::string line;
  static const std::regex pattern(R"re(([a-z ]+): "([^"]*)" range (-?\d+)\.\.(-?\d+))re");
  while (std::getline(lines, line)) {
    std::smatch m;
    if (std::regex_match(line, m, pattern))
      fields[m[1]] = m[2].str() + " " + m[3].str() + ".." + m[4].str();
  }
  ASSERT_EQ(fields.size(), 12u) << run.out;
  const std::map<std::string, std::string> expected = {
      {"src x", "-5 -1440..1440"},    {"src y", "0 -1080..1080"},     {"src cx", "12 -1440..1440"},
      {"src cy", "1080 -1080..1080"}, {"dst x", "0 -1920..1920"},     {"dst y", "0 -1080..1080"},
      {"dst cx", "0 -1920..1920"},    {"dst cy", "-400 -1080..1080"}, {"width", "5000 32..1920"},
      {"height", "360 32..1080"},     {"phase x", "0 0..0"},          {"phase y", "0 0..400"},
  };
  EXPECT_EQ(fields, expected);
  // The output width is what the buffers can hold.
  EXPECT_NE(ClosingLine(run.out).find("output 1920x360"), std::string::npos) << run.out;
}

TEST(HostEndToEndTest, ScreenshotShowsTheConfigurationWindow) {
  ScratchFolder folder;
  const HostResult run = RunHostProgram(
      {"--out", folder / "r.png", "--screenshot", folder / "window.png", "--frames", "3"},
      folder / "");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_NE(ClosingLine(run.out).find(", 3 frames, "), std::string::npos) << run.out;
  const io::Image shot = ReadPng(folder / "window.png");
  // The client area the module's table asks for.
  EXPECT_EQ(shot.width, 320);
  EXPECT_EQ(shot.height, 240);
  std::size_t different = 0;
  for (const Pixel& p : shot.pixels) different += !(p == shot.pixels[0]);
  EXPECT_GT(different, shot.pixels.size() / 100) << "the window looks blank";
}

struct WindowSearch {
  const char* className;
  DWORD processId;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<WindowSearch*>(context);
  char name[64] = {};
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  GetClassNameA(window, name, sizeof name);
  if (owner != search->processId || std::string(name) != search->className ||
      !IsWindowVisible(window)) {
    return TRUE;
  }
  search->found = window;
  return FALSE;
}

// Waits up to ten seconds for a visible top-level window of the class that the process owns
// (other test programs may have windows of the same class open at the same time).
HWND AwaitWindow(const char* className, DWORD processId) {
  WindowSearch search{className, processId, nullptr};
  for (int k = 0; k < 200 && search.found == nullptr; ++k) {
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr) Sleep(50);
  }
  return search.found;
}

TEST(HostEndToEndTest, ShowRendersEachEditAndWritesTheLastRender) {
  ScratchFolder folder;
  bool sawWindows = false;
  const HostResult run = RunHostProgram(
      {"--show", "--out", folder / "shown.png"}, folder / "", "", [&](DWORD processId) {
        const HWND preview = AwaitWindow("TesseloxHostPreview", processId);
        const HWND config = AwaitWindow("TesseloxHostConfig", processId);
        if (preview == nullptr || config == nullptr) return;
        sawWindows = true;
        // Typed by hand into "dst x" and "dst cx" (fields 4 and 6): a mirror image.
        const std::pair<int, const char*> edits[] = {{40000 + 2 * 4, "639"},
                                                     {40000 + 2 * 6, "-640"}};
        for (const auto& [id, keys] : edits) {
          const HWND edit = GetDlgItem(config, id);
          SendMessageA(edit, EM_SETSEL, 0, -1);
          for (const char* key = keys; *key != '\0'; ++key) SendMessageA(edit, WM_CHAR, *key, 1);
        }
        Sleep(1500);  // the preview renders once the typing pauses
        PostMessageA(preview, WM_CLOSE, 0, 0);
      });
  EXPECT_TRUE(sawWindows);
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  const io::Image output = ReadPng(folder / "shown.png");
  const io::Image expected = Expected(
      io::MakeTestPattern(), CopyArgs{639, 0, -640, 360, 0, 0, 1440, 1080, 0, 0}, 640, 360);
  EXPECT_EQ(Mismatches(output, expected), 0u) << run.out << run.err;
  EXPECT_NE(ClosingLine(run.out), "") << run.out;
}

}  // namespace
}  // namespace tesselox::test
