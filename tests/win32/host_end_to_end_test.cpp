// tesselox-host.exe run as a separate program on files and streams the tests make, its results
// checked against the reference model of the copy.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/picture_file.h"
#include "host/io/test_pattern.h"
#include "host/io/utf8_path.h"
#include "host_process.h"
#include "model_picture.h"
#include "scratch_folder.h"
#include "module/control_ids.h"

namespace tesselox::test {
namespace {

using io::test::ScratchFolder;

// Every pixel different from its neighbours, in 8-bit steps so that PNG keeps it exactly.
io::Picture MakePicture(std::int32_t width, std::int32_t height) {
  io::Picture image(width, height);
  for (std::int32_t y = 0; y < height; ++y) {
    for (std::int32_t x = 0; x < width; ++x) {
      image.At(x, y) = io::PixelFromBytes(static_cast<std::uint8_t>(x * 7 + y),
                                          static_cast<std::uint8_t>(y * 5 + x / 3),
                                          static_cast<std::uint8_t>(x ^ (y * 3)));
    }
  }
  return image;
}

void WritePng(const std::string& path, const io::Picture& image) {
  const auto png = io::EncodePng(image);
  ScratchFolder::Write(path, std::string(png.begin(), png.end()));
}

io::Picture ReadPng(const std::string& path) {
  const std::string bytes = ReadFile(path);
  return io::DecodePicture(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path);
}

// The number of pixels that differ; images of different sizes differ everywhere.
std::size_t Mismatches(const io::Picture& a, const io::Picture& b) {
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
  const io::Picture output = ReadPng(folder / "out/tesselox.png");
  ASSERT_EQ(output.width, 640);
  ASSERT_EQ(output.height, 360);
  // The initial parameters: the whole 1440 x 1080 frame into 640 x 360.
  const io::Picture expected = ModelPicture(
      io::MakeTestPattern(), CopyRequest{{0, 640, 0, 1440, 0}, {0, 360, 0, 1080, 0}}, 640, 360);
  EXPECT_EQ(Mismatches(output, expected), 0u);
  EXPECT_NE(ClosingLine(run.out).find("input 1440x1080, output 640x360, 1 frame, "),
            std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");
}

// The copy and the output size that `sets` ("label=value") ask for over the module's initial
// ones, read by this test from the labels themselves.
struct Asked {
  CopyRequest request;
  std::int32_t width, height;
};

Asked AskedBy(const std::vector<std::string>& sets) {
  Asked a{{{0, 640, 0, 1440, 0}, {0, 360, 0, 1080, 0}}, 640, 360};
  const std::map<std::string, std::int32_t*> meaning = {{"src x", &a.request.x.sourceCorner},
                                                        {"src y", &a.request.y.sourceCorner},
                                                        {"src cx", &a.request.x.sourceExtent},
                                                        {"src cy", &a.request.y.sourceExtent},
                                                        {"dst x", &a.request.x.corner},
                                                        {"dst y", &a.request.y.corner},
                                                        {"dst cx", &a.request.x.extent},
                                                        {"dst cy", &a.request.y.extent},
                                                        {"width", &a.width},
                                                        {"height", &a.height},
                                                        {"phase x", &a.request.x.phase},
                                                        {"phase y", &a.request.y.phase}};
  for (const std::string& set : sets) {
    const std::size_t eq = set.find('=');
    *meaning.at(set.substr(0, eq)) = std::stoi(set.substr(eq + 1));
  }
  return a;
}

TEST(HostEndToEndTest, FieldEditsGiveWhatTheModelGives) {
  const struct {
    const char* what;
    std::vector<std::string> sets;
  } cases[] = {
      {"one to one",
       {"src cx=200", "src cy=150", "dst cx=200", "dst cy=150", "width=200", "height=150"}},
      {"mirrored both ways",
       {"src cx=200", "src cy=150", "dst x=199", "dst y=149", "dst cx=-200", "dst cy=-150",
        "width=200", "height=150"}},
      {"mirrored source, scaled",
       {"src x=180", "src cx=-120", "src cy=90", "dst cx=300", "dst cy=45", "width=320",
        "height=50"}},
      {"scaled and shifted",
       {"src x=10", "src y=5", "src cx=150", "src cy=100", "dst x=7", "dst y=3", "dst cx=333",
        "dst cy=77", "width=350", "height=90"}},
      {"phase",
       {"src cx=150", "src cy=100", "dst cx=333", "dst cy=77", "width=340", "height=80",
        "phase x=100", "phase y=40"}},
  };
  const io::Picture input = MakePicture(200, 150);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    WritePng(folder / "in.png", input);
    std::vector<std::string> args = {"--in", folder / "in.png", "--out", folder / "result.png"};
    for (const auto& a : Sets(c.sets)) args.push_back(a);
    const HostResult run = RunHostProgram(args, folder / "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    const io::Picture output = ReadPng(folder / "result.png");
    const Asked asked = AskedBy(c.sets);
    EXPECT_EQ(Mismatches(output, ModelPicture(input, asked.request, asked.width, asked.height)),
              0u);
    if (std::string(c.what) == "one to one") {
      EXPECT_EQ(Mismatches(output, input), 0u);
    }
  }
}

// 16-bit channels whose two bytes differ, so that any rounding to 8 bits shows.
io::Picture MakeDeepPicture(std::int32_t width, std::int32_t height) {
  io::Picture image(width, height);
  std::uint32_t v = 12345;
  for (Pixel& p : image.pixels) {
    for (auto& b : p.bytes) b = static_cast<std::uint8_t>((v = v * 1103515245u + 12345u) >> 16);
  }
  return image;
}

// A 2 x 1 bitmap with a 124-byte header whose pixels carry alpha in their top byte.
std::string BitmapWithAlpha() {
  std::string bmp = "BM";
  auto le = [&](std::uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) bmp += static_cast<char>(v >> (8 * k));
  };
  le(14 + 124 + 8, 4), le(0, 4), le(14 + 124, 4);
  le(124, 4), le(2, 4), le(1, 4), le(1, 2), le(32, 2), le(3, 4), le(8, 4);
  for (int k = 0; k < 4; ++k) le(0, 4);  // resolution and palette counts
  le(0xff0000, 4), le(0xff00, 4), le(0xff, 4), le(0xff000000, 4);
  bmp.resize(14 + 124, '\0');
  le(0x80102030, 4), le(0xff405060, 4);
  return bmp;
}

TEST(HostEndToEndTest, PictureDepthAndAlphaNotice) {
  const std::vector<std::string> oneToOne =
      Sets({"src cx=40", "src cy=32", "dst cx=40", "dst cy=32", "width=40", "height=32"});
  const io::Picture deep = MakeDeepPicture(40, 32);  // within the fields' ranges: no notice
  ScratchFolder folder;
  const std::string png = [&] {
    const auto bytes = io::EncodePng(deep, 16);
    return std::string(bytes.begin(), bytes.end());
  }();
  ScratchFolder::Write(folder / "deep.png", png);
  ScratchFolder::Write(folder / "alpha.bmp", BitmapWithAlpha());
  for (const char* depth : {"16", "8"}) {
    SCOPED_TRACE(depth);
    std::vector<std::string> args = {
        "--in", folder / "deep.png", "--out", folder / "out.png", "--out-depth", depth};
    args.insert(args.end(), oneToOne.begin(), oneToOne.end());
    const HostResult run = RunHostProgram(args, folder / "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    const io::Picture output = ReadPng(folder / "out.png");
    if (std::string(depth) == "16") {
      EXPECT_EQ(ReadFile(folder / "out.png"), png);  // bit for bit, and written alike
      EXPECT_EQ(Mismatches(output, deep), 0u);
    } else {
      io::Picture rounded = deep;
      for (Pixel& p : rounded.pixels) {
        p = io::PixelFromBytes(io::ChannelToByte(io::Channel(p, 0)),
                               io::ChannelToByte(io::Channel(p, 1)),
                               io::ChannelToByte(io::Channel(p, 2)));
      }
      EXPECT_EQ(Mismatches(output, rounded), 0u);
    }
  }
  const HostResult run = RunHostProgram(
      {"--in", folder / "alpha.bmp", "--out", folder / "out.png", "--out-depth", "16"},
      folder / "");
  ASSERT_EQ(run.exitCode, 0u) << run.err;
  // One line on standard error, ending in "\n" alone, as on every system.
  EXPECT_EQ(run.err,
            "tesselox-host: notice: " + folder / "alpha.bmp" + ": the alpha channel is dropped\n");
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
      {"missing file", {"--in", "@/missing.png"}, "result.png", "missing.png: no such file"},
      {"unreadable file",
       {"--in", "@/garbage.png"},
       "result.png",
       "garbage.png: not a PNG, JPEG, BMP or PNM picture"},
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
  const io::Picture shot = ReadPng(folder / "window.png");
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
        // Typed by hand into "dst x" and "dst cx": a mirror image.
        const std::pair<int, const char*> edits[] = {{EditId(FieldId::DstX), "639"},
                                                     {EditId(FieldId::DstCx), "-640"}};
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
  const io::Picture output = ReadPng(folder / "shown.png");
  const io::Picture expected = ModelPicture(
      io::MakeTestPattern(), CopyRequest{{639, -640, 0, 1440, 0}, {0, 360, 0, 1080, 0}}, 640, 360);
  EXPECT_EQ(Mismatches(output, expected), 0u) << run.out << run.err;
  EXPECT_NE(ClosingLine(run.out), "") << run.out;
}

// Every file under the folder as a path relative to it ('/' between names), sorted; the files
// that carry the host's standard streams are left out.
std::vector<std::string> FilesIn(const ScratchFolder& folder) {
  const std::filesystem::path root = io::PathFromUtf8(folder / "").parent_path();
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.is_directory()) continue;
    const std::u8string name = entry.path().lexically_relative(root).generic_u8string();
    const std::string text(name.begin(), name.end());
    if (text != "stdout.bin" && text != "stderr.txt" && text != "empty-stdin")
      files.push_back(text);
  }
  std::sort(files.begin(), files.end());
  return files;
}

void MakeFolder(const std::string& path) {
  std::filesystem::create_directories(io::PathFromUtf8(path));
}

// "@/" stands for the scratch folder.
std::string InFolder(const ScratchFolder& folder, const std::string& text) {
  std::string out = text;
  for (std::size_t at = out.find("@/"); at != std::string::npos; at = out.find("@/", at)) {
    const std::string path = folder / "";
    out.replace(at, 2, path);
    at += path.size();
  }
  return out;
}

std::vector<std::string> InFolder(const ScratchFolder& folder,
                                  const std::vector<std::string>& args) {
  std::vector<std::string> out;
  for (const std::string& a : args) out.push_back(InFolder(folder, a));
  return out;
}

// The parameters that copy a 200 x 150 picture 1:1.
const std::vector<std::string> kOneToOne = {"src cx=200", "src cy=150", "dst cx=200",
                                            "dst cy=150", "width=200",  "height=150"};

TEST(HostEndToEndTest, NamesInAnyScriptGoInAndOut) {
  const struct {
    const char* in;
    const char* out;
    const char* module;  // a copy of the module here; empty: the built one
    bool attached;       // --in=PATH rather than --in PATH
  } cases[] = {
      {"日本.png", "結果 é.png", "", false},
      {"café au lait.png", "out é.png", "", true},
      {"ü/写真 1.png", "ü/写真 2.png", "", false},
      {"plain.png", "出力/Ergebnis ß.png", "モジュール é/Tesselox.auf", true},
  };
  const io::Picture input = MakePicture(200, 150);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    ScratchFolder folder;
    for (const char* name : {c.in, c.out, c.module}) {
      const std::string path = folder / name;
      if (*name != '\0') MakeFolder(io::Utf8FromPath(io::PathFromUtf8(path).parent_path()));
    }
    WritePng(folder / c.in, input);
    std::vector<std::string> args;
    if (c.attached) {
      args = {"--in=" + folder / c.in, "--out=" + folder / c.out};
    } else {
      args = {"--in", folder / c.in, "--out", folder / c.out};
    }
    std::vector<std::string> expectedFiles = {c.in, c.out};
    if (*c.module != '\0') {
      std::filesystem::copy_file(io::PathFromUtf8(TESSELOX_MODULE_PATH),
                                 io::PathFromUtf8(folder / c.module));
      args.push_back("--module=" + folder / c.module);
      expectedFiles.push_back(c.module);
    }
    for (const auto& a : Sets(kOneToOne)) args.push_back(a);
    const HostResult run = RunHostProgram(args, folder / "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(Mismatches(ReadPng(folder / c.out), input), 0u);
    std::sort(expectedFiles.begin(), expectedFiles.end());
    EXPECT_EQ(FilesIn(folder), expectedFiles);
  }
}

TEST(HostEndToEndTest, ProgramInAFolderNamedInAnotherScriptFindsItsModule) {
  ScratchFolder folder;
  const std::string home = folder / "プログラム é";
  MakeFolder(home);
  for (const char* file : {TESSELOX_HOST_PATH, TESSELOX_MODULE_PATH}) {
    const std::filesystem::path from = io::PathFromUtf8(file);
    std::filesystem::copy_file(from, io::PathFromUtf8(home) / from.filename());
  }
  const std::string program =
      io::Utf8FromPath(io::PathFromUtf8(home) / io::PathFromUtf8(TESSELOX_HOST_PATH).filename());
  const HostResult run =
      RunHostProgram({"--out", folder / "r.png"}, folder / "", "", nullptr, program);
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_NE(ClosingLine(run.out), "") << run.out;
}

TEST(HostEndToEndTest, OutputMayReplaceItsInput) {
  const struct {
    const char* name;
    bool video;
  } cases[] = {{"日本 é.png", false}, {"Über.PNG", false}, {"動画 é.y4m", true}};
  const std::vector<std::string> mirror = {"dst x=63", "dst cx=-64", "width=64", "height=48"};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchFolder folder;
    std::string before;
    if (c.video) {
      before = Y4m("YUV4MPEG2 W64 H48 F25:1 C444", 3, 64 * 48 * 3);
      ScratchFolder::Write(folder / c.name, before);
    } else {
      WritePng(folder / c.name, MakePicture(64, 48));
      before = ReadFile(folder / c.name);
    }
    // The same run into another file first: what the input must become.
    const std::string reference = std::string("reference") + (c.video ? ".y4m" : ".png");
    std::vector<std::string> args = {"--in", folder / c.name, "--out", folder / reference};
    for (const auto& a : Sets(mirror)) args.push_back(a);
    ASSERT_EQ(RunHostProgram(args, folder / "").exitCode, 0u);
    args[3] = folder / c.name;
    const HostResult run = RunHostProgram(args, folder / "");
    ASSERT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.err.find("tesselox-host:"), std::string::npos) << run.err;
    const std::string after = ReadFile(folder / c.name);
    EXPECT_NE(after, before);
    EXPECT_TRUE(after == ReadFile(folder / reference)) << "differs from the reference run";
    std::vector<std::string> files = {c.name, reference};
    std::sort(files.begin(), files.end());
    EXPECT_EQ(FilesIn(folder), files);
  }
}

TEST(HostEndToEndTest, TypedValuesTheFilterReadsOtherwiseAreNoticed) {
  const struct {
    const char* what;
    std::vector<std::string> sets;
    bool strict;
    std::vector<std::string> lines;  // standard error, line by line, without "tesselox-host: "
    const char* output;              // the closing line's sizes; empty: the run fails
  } cases[] = {
      {"as typed, strict", {"src cx=720", "dst x=+5", "width=1920"}, true, {}, "output 1920x360"},
      {"not an integer",
       {"src cx=12.5"},
       false,
       {"notice: field \"src cx\" holds \"12.5\", not an integer: the filter uses 0"},
       "output 640x360"},
      {"cut, then out of range",
       {"dst cx=123456"},
       false,
       {"notice: field \"dst cx\" holds \"12345\" (typed \"123456\": 1 key past the "
        "5-character limit), outside its range -1920..1920: the filter uses 0"},
       "output 640x360"},
      {"width below its range",
       {"width=5"},
       false,
       {"notice: field \"width\" holds \"5\", below its range 32..1920: the filter uses 5"},
       "output 5x360"},
      {"strict, width below its range as typed",
       {"width=5"},
       true,
       {"notice: field \"width\" holds \"5\", below its range 32..1920: the filter uses 5"},
       "output 5x360"},
      {"refused keys, in field order",
       {"src cx=abc12", "src x=--5", "phase y=1,5"},
       false,
       {"notice: field \"src x\" holds \"-5\" (typed \"--5\": 1 key refused): the filter uses -5",
        "notice: field \"src cx\" holds \"12\" (typed \"abc12\": 3 keys refused): the filter "
        "uses 12",
        "notice: field \"phase y\" holds \"15\" (typed \"1,5\": 1 key refused): the filter uses "
        "15"},
       "output 640x360"},
      {"a later edit of the field counts",
       {"src cx=abc", "src cx=700"},
       false,
       {},
       "output 640x360"},
      {"keys in another script",
       {"dst y=１２"},
       false,
       {"notice: field \"dst y\" holds \"0\" (typed \"１２\": 2 keys refused): the filter uses 0"},
       "output 640x360"},
      {"phase beyond the new dst cx",
       {"phase x=500", "dst cx=100"},
       false,
       {"notice: field \"phase x\" holds \"500\", above its range at the next frame 0..100: the "
        "filter uses 100"},
       "output 640x360"},
      {"strict, two fields",
       {"height=2000", "src y=x"},
       true,
       {"field \"src y\" holds \"0\" (typed \"x\": 1 key refused): the filter uses 0 (and 1 "
        "more) (--strict)"},
       ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    std::vector<std::string> args = {"--out", folder / "r.png"};
    if (c.strict) args.push_back("--strict");
    for (const auto& a : Sets(c.sets)) args.push_back(a);
    const HostResult run = RunHostProgram(args, folder / "");
    std::string expected;
    for (const std::string& line : c.lines) expected += "tesselox-host: " + line + "\n";
    EXPECT_EQ(run.err, expected);
    if (*c.output == '\0') {
      EXPECT_EQ(run.exitCode, 1u);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(FilesIn(folder), std::vector<std::string>{});
    } else {
      EXPECT_EQ(run.exitCode, 0u);
      EXPECT_NE(ClosingLine(run.out).find(c.output), std::string::npos) << run.out;
      EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"r.png"});
    }
  }
}

TEST(HostEndToEndTest, RefusalsSayWhatIsWrongInWords) {
  const struct {
    const char* what;
    std::vector<std::string> args;  // "@/" stands for the scratch folder
    DWORD exitCode;
    const char* line;  // standard error, "@/" standing for the scratch folder
  } cases[] = {
      {"missing module", {"--module", "@/none.auf"}, 1, "cannot load @/none.auf: no such file"},
      {"not a module",
       {"--module=@/garbage.png"},
       1,
       "cannot load @/garbage.png: not a Windows module (no MZ header)"},
      {"module is a device", {"--module", "NUL"}, 1, "cannot load NUL: it is a device, not a file"},
      {"module is a folder", {"--module", "@/sub"}, 1, "cannot load @/sub: it is a folder"},
      {"no filter module",
       {"--module", "kernel32.dll"},
       1,
       "cannot load kernel32.dll: it does not export GetFilterTable, so it is no filter module"},
      {"missing input in another script",
       {"--in", "@/日本 なし.png"},
       1,
       "@/日本 なし.png: no such file"},
      {"--max alone too large",
       {"--max", "16384x16384"},
       1,
       "frame buffers of 16384x16384 (option --max 16384x16384) exceed the host's limit of "
       "67108864 pixels; give a smaller --max or a --capacity"},
      {"output is a folder named .png",
       {"--out=@/sub.png"},
       1,
       "output @/sub.png: is a folder; name a file in it"},
      {"output folder missing",
       {"--out", "@/なし/r.png"},
       1,
       "@/なし/r.png: the folder @/なし does not exist"},
      {"screenshot folder missing",
       {"--screenshot", "@/none/s.png"},
       1,
       "@/none/s.png: the folder @/none does not exist"},
      {"screenshot not PNG",
       {"--screenshot", "@/shot.jpg"},
       2,
       "option --screenshot @/shot.jpg: the window is saved as PNG; name it .png"},
      {"screenshot over the output",
       {"--screenshot", "@/r.png"},
       1,
       "--screenshot and --out name the same file @/r.png"},
      {"screenshot over the output, spelt otherwise",
       {"--screenshot", "@/sub/../R.png"},
       1,
       "--screenshot and --out name the same file @/r.png"},
      {"flag with a value", {"--show=yes"}, 2, "option --show takes no value"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchFolder folder;
    ScratchFolder::Write(folder / "garbage.png", "this is not a picture");
    MakeFolder(folder / "sub");
    MakeFolder(folder / "sub.png");
    const std::vector<std::string> before = FilesIn(folder);
    std::vector<std::string> args = InFolder(folder, c.args);
    if (std::string(c.args[0]).rfind("--out", 0) != 0) {
      args.push_back("--out");
      args.push_back(folder / "r.png");
    }
    const HostResult run = RunHostProgram(args, folder / "");
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_EQ(run.err, "tesselox-host: " + InFolder(folder, c.line) + "\n");
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FilesIn(folder), before);
    EXPECT_FALSE(ScratchFolder::Exists(folder / "sub/r.png"));
  }
}

}  // namespace
}  // namespace tesselox::test
