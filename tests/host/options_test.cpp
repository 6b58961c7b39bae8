#include "host/io/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "module/field_table.h"
#include "host/io/capacity.h"
#include "host/io/io_error.h"
#include "host/io/option_table.h"
#include "host/io/picture.h"
#include "host/io/scale_edits.h"
#include "fit_model.h"

namespace tesselox::io {
namespace {

using Args = std::vector<std::string>;

std::vector<std::string> HelpLines() {
  std::istringstream help(HelpText());
  std::vector<std::string> lines;
  for (std::string line; std::getline(help, line);) lines.push_back(line);
  return lines;
}

bool IsHelpLineOf(const std::string& line, std::string_view option) {
  return line.rfind("  " + std::string(option) + " ", 0) == 0;
}

TEST(OptionsTest, EachOptionSetsItsField) {
  const Options o = ParseOptions({"--module",       "m.auf",        "--in",     "-",
                                  "--out",          "o.y4m",        "--max",    "800x600",
                                  "--capacity",     "1024X768",     "--frames", "25",
                                  "--print-fields", "--screenshot", "shot.png", "--show",
                                  "--help",         "--out-depth",  "16",       "--strict"});
  EXPECT_EQ(o.module, "m.auf");
  EXPECT_EQ(o.in, "-");
  EXPECT_EQ(o.out, "o.y4m");
  EXPECT_EQ(o.max, (Size{800, 600}));
  EXPECT_EQ(o.capacity, (Size{1024, 768}));
  EXPECT_EQ(o.frames, 25);
  EXPECT_TRUE(o.printFields && o.show && o.help && o.strict);
  EXPECT_EQ(o.screenshot, "shot.png");
  EXPECT_EQ(o.outDepth, 16);
}

TEST(OptionsTest, ValuesMayFollowAnEqualsSign) {
  const struct {
    Args attached, separate;
  } cases[] = {
      {{"--module=m.auf"}, {"--module", "m.auf"}},
      {{"--in=/tmp/日本 語.png"}, {"--in", "/tmp/日本 語.png"}},
      {{"--in=-"}, {"--in", "-"}},
      {{"--out=a=b.png"}, {"--out", "a=b.png"}},
      {{"--screenshot=s.png"}, {"--screenshot", "s.png"}},
      {{"--max=800x600"}, {"--max", "800x600"}},
      {{"--capacity=100X50"}, {"--capacity", "100X50"}},
      {{"--frames=7"}, {"--frames", "7"}},
      {{"--set=src cx=-5"}, {"--set", "src cx=-5"}},
      {{"--set= width ="}, {"--set", " width ="}},
  };
  auto same = [](const Options& a, const Options& b) {
    return a.module == b.module && a.in == b.in && a.out == b.out && a.edits == b.edits &&
           a.max == b.max && a.capacity == b.capacity && a.frames == b.frames &&
           a.screenshot == b.screenshot;
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.attached[0]);
    const Options attached = ParseOptions(c.attached), separate = ParseOptions(c.separate);
    EXPECT_TRUE(same(attached, separate));
    EXPECT_FALSE(same(attached, Options{}));
  }
  // Only an option's own name ends at '='; a value given apart keeps its '=' signs.
  EXPECT_EQ(ParseOptions({"--in", "--x=y"}).in, "--x=y");
}

TEST(OptionsTest, SetsKeepTheirOrderAndTheValueAsTyped) {
  const Options o = ParseOptions({"--set", "src cx=-720", "--set", " phase x = 3", "--set",
                                  "width=", "--set", "src cx=12a=4", "--set", "dst cy=1,440"});
  const std::vector<FieldEdit> expected = {{"src cx", "-720"},
                                           {"phase x", " 3"},
                                           {"width", ""},
                                           {"src cx", "12a=4"},
                                           {"dst cy", "1,440"}};
  EXPECT_EQ(o.edits, expected);
}

TEST(OptionsTest, EveryFieldLabelIsAccepted) {
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(std::string(Label(id)));
    const Options o = ParseOptions({"--set", std::string(Label(id)) + "=1"});
    ASSERT_EQ(o.edits.size(), 1u);
    EXPECT_EQ(FieldNamed(o.edits[0].label), id);
  }
}

struct Problem {
  Args args;
  const char* message;  // a part of the one line
};

void ExpectProblems(const char* what, const std::vector<Problem>& cases) {
  SCOPED_TRACE(what);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    try {
      ParseOptions(c.args);
      ADD_FAILURE() << "accepted";
    } catch (const IoError& e) {
      const std::string message = e.what();
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
  }
}

TEST(OptionsTest, ProblemsGiveOneLineNamingThem) {
  ExpectProblems("unknown options and stray words",
                 {{{"--bogus"}, "unknown option --bogus"},
                  {{"--bogus=3"}, "unknown option --bogus"},
                  {{"input.png"}, "unexpected argument \"input.png\""}});
  ExpectProblems("missing values", {{{"--in"}, "option --in needs a value"},
                                    {{"--set"}, "option --set needs a value"},
                                    {{"--out-depth"}, "option --out-depth needs a value"},
                                    {{"--out", ""}, "option --out needs a non-empty path"},
                                    {{"--in="}, "option --in needs a non-empty path"}});
  ExpectProblems("options given twice",
                 {{{"--in", "a", "--in", "b"}, "option --in given twice"},
                  {{"--in=a", "--in", "b"}, "option --in given twice"},
                  {{"--show", "--show"}, "option --show given twice"},
                  {{"--strict", "--strict"}, "option --strict given twice"},
                  {{"--out-depth", "8", "--out-depth", "16"}, "option --out-depth given twice"}});
  ExpectProblems("flags given a value", {{{"--show=yes"}, "option --show takes no value"},
                                         {{"--strict=1"}, "option --strict takes no value"}});
  ExpectProblems("sizes out of shape or range",
                 {{{"--max", "1920"}, "option --max: bad size \"1920\""},
                  {{"--max=1920"}, "option --max: bad size \"1920\""},
                  {{"--max", "0x10"}, "bad size \"0x10\""},
                  {{"--max", "-5x10"}, "bad size"},
                  {{"--max", "640x31"}, "option --max: 640x31 is below the smallest frame 32x32"},
                  {{"--capacity", "16385x10"}, "option --capacity: bad size"},
                  {{"--capacity", "10x10x"}, "bad size"},
                  {{"--capacity", "99999999999x1"}, "bad size"}});
  ExpectProblems("counts and depths",
                 {{{"--frames", "0"}, "option --frames: bad count \"0\""},
                  {{"--frames", "3.5"}, "bad count"},
                  {{"--frames", ""}, "bad count"},
                  {{"--frames=x"}, "option --frames: bad count \"x\""},
                  {{"--out-depth", "12"}, "option --out-depth: bad depth \"12\" (want 8 or 16)"},
                  {{"--out-depth", "016"}, "bad depth \"016\""}});
  ExpectProblems("field edits", {{{"--set", "src cx"}, "is not LABEL=VALUE"},
                                 {{"--set=src cx"}, "option --set: \"src cx\" is not LABEL=VALUE"},
                                 {{"--set", "src z=3"}, "unknown field label \"src z\""},
                                 {{"--set", "Width=3"}, "unknown field label \"Width\""}});
  ExpectProblems(
      "screenshots",
      {{{"--screenshot", "-"}, "--screenshot needs a file"},
       {{"--screenshot", "shot.jpg"}, "option --screenshot shot.jpg: the window is saved as PNG"},
       {{"--screenshot=shot"}, "the window is saved as PNG; name it .png"}});
}

TEST(OptionsTest, HelpHasOneLinePerOption) {
  const std::vector<std::string> lines = HelpLines();
  EXPECT_EQ(lines.size(), kOptions.size() + 1);  // and the usage line
  for (const OptionSpec& option : kOptions) {
    const std::string_view name = option.name;
    SCOPED_TRACE(name);
    int count = 0;
    for (const auto& l : lines) count += IsHelpLineOf(l, name);
    EXPECT_EQ(count, 1);
  }
}

TEST(OptionsTest, CapacityDefaultsToTheLargerSidePerSide) {
  const struct {
    Args args;
    Size input, expected;
  } cases[] = {
      {{}, {1440, 1080}, {1920, 1080}},
      {{}, {2048, 100}, {2048, 1080}},
      {{"--max", "640x480"}, {1440, 1080}, {1440, 1080}},
      {{"--max", "640x2000"}, {1440, 1080}, {1440, 2000}},
      {{"--capacity", "100x50"}, {1440, 1080}, {100, 50}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "defaults" : c.args[0] + " " + c.args[1]);
    EXPECT_EQ(EffectiveCapacity(ParseOptions(c.args), c.input), c.expected);
  }
}

TEST(OptionsTest, OversizedBuffersNameTheOptionThatAskedForThem) {
  const std::string limit =
      "exceed the host's limit of " + std::to_string(kMaxFramePixels) + " pixels";
  const struct {
    Args args;
    Size input;
    const char* message;  // empty: accepted
  } cases[] = {
      {{"--max", "16384x16384"},
       {1440, 1080},
       "frame buffers of 16384x16384 (option --max 16384x16384) "},
      {{"--max", "16384x4097"}, {64, 48}, "frame buffers of 16384x4097 (option --max 16384x4097) "},
      {{"--max", "16384x4096"}, {64, 48}, ""},
      {{"--max", "8192x8192"}, {8192, 8192}, ""},
      {{"--capacity", "9000x9000"},
       {64, 48},
       "frame buffers of 9000x9000 (option --capacity 9000x9000) "},
      {{"--capacity", "100x100", "--max", "16384x16384"}, {64, 48}, ""},
      {{"--max", "1920x8000"},
       {16384, 1080},
       "frame buffers of 16384x8000 (the larger of --max 1920x8000 and the input 16384x1080 per "
       "side) "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    const Options options = ParseOptions(c.args);
    if (*c.message == '\0') {
      EXPECT_NO_THROW(CheckCapacityArea(options, c.input));
      continue;
    }
    try {
      CheckCapacityArea(options, c.input);
      ADD_FAILURE() << "accepted";
    } catch (const IoError& e) {
      const std::string advice = options.capacity ? "" : "; give a smaller --max or a --capacity";
      EXPECT_EQ(e.what(), c.message + limit + advice);
    }
  }
}

TEST(OptionsTest, CheckFrameAreaCountsInSixtyFourBits) {
  const struct {
    Size size;
    const char* message;  // empty: accepted
  } cases[] = {
      {{8192, 8192}, ""},
      {{1, 67108864}, ""},
      {{67108865, 1}, "the input is 67108865x1 (67108865 pixels)"},
      {{65536, 65536}, "the input is 65536x65536 (4294967296 pixels)"},  // 0 in 32 bits
      {{2147483647, 2147483647}, "the input is 2147483647x2147483647 (4611686014132420609 pixels)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    if (*c.message == '\0') {
      EXPECT_NO_THROW(CheckFrameArea(c.size, "the input"));
      continue;
    }
    try {
      CheckFrameArea(c.size, "the input");
      ADD_FAILURE() << "accepted";
    } catch (const IoError& e) {
      EXPECT_EQ(e.what(),
                std::string(c.message) + ", more than the host's limit of 67108864 pixels");
    }
  }
}

TEST(OptionsTest, ScaleRaisesTheLargestFrameToHoldTheOutput) {
  const struct {
    Args args;
    std::optional<Size> scale;
    Size max;
    const char* error;  // nullptr: accepted
  } cases[] = {
      {{"--scale", "640x360"}, Size{640, 360}, {1920, 1080}, nullptr},
      {{"--scale", "3840x2160"}, Size{3840, 2160}, {3840, 2160}, nullptr},
      {{"--scale", "1000x2000"}, Size{1000, 2000}, {1920, 2000}, nullptr},
      {{"--max", "4096x4096", "--scale", "3840x2160"}, Size{3840, 2160}, {4096, 4096}, nullptr},
      {{"--scale", "800x600", "--max", "800x600"}, Size{800, 600}, {800, 600}, nullptr},
      {{"--max", "1280x720", "--scale", "1920x1080"}, {}, {}, "larger than --max 1280x720"},
      {{"--scale", "801x600", "--max", "800x600"}, {}, {}, "801x600 is larger than --max"},
      {{"--scale", "640"}, {}, {}, "option --scale: bad size"},
      {{"--scale", "640x360", "--scale", "320x180"}, {}, {}, "option --scale given twice"},
      {{"--scale", "64x36", "--fit", "cover"}, Size{64, 36}, {1920, 1080}, nullptr},
      {{"--fit", "contain"}, {}, {}, "option --fit works with --scale WxH, which is missing"},
      {{"--sampling", "center"}, {}, {}, "option --sampling works with --scale"},
      {{"--scale", "64x36", "--fit", "fill"}, {}, {}, "--fit: unknown mode \"fill\" (known: none,"},
      {{"--scale", "64x36", "--sampling", "centre"}, {}, {}, "--sampling: unknown mode"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    try {
      const Options o = ParseOptions(c.args);
      ASSERT_EQ(c.error, nullptr) << "accepted";
      EXPECT_EQ(o.scale, c.scale);
      EXPECT_EQ(o.max, c.max);
    } catch (const IoError& e) {
      ASSERT_NE(c.error, nullptr) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.error), std::string::npos) << e.what();
    }
  }
}

TEST(OptionsTest, ScaleTypesTheWholeInputFrameIntoTheOutput) {
  const std::vector<FieldEdit> expected = {
      {"src x", "0"}, {"src y", "0"},    {"src cx", "3840"}, {"src cy", "2160"}, {"dst x", "0"},
      {"dst y", "0"}, {"dst cx", "640"}, {"dst cy", "360"},  {"width", "640"},   {"height", "360"}};
  EXPECT_EQ(ScaleEdits(Size{640, 360}, Size{3840, 2160}), expected);
}

// The fit table's cases that --scale can ask for (the whole frame, square pixels), as typed.
TEST(OptionsTest, ScaleWithFitTypesEachFitCaseAsTheFormulasSay) {
  for (const test::FitCase& c : test::FitCases()) {
    if (c.x != 0 || c.y != 0 || std::min({c.cx, c.cy, c.dstCx, c.dstCy}) < 0 || c.inN != c.inD ||
        c.outN != c.outD || c.mode == FitMode::None)
      continue;
    SCOPED_TRACE(c.name);
    const CopyRequest r = test::ModelFit(c);
    const std::int32_t values[] = {
        r.x.sourceCorner, r.y.sourceCorner, r.x.sourceExtent, r.y.sourceExtent, r.x.corner,
        r.y.corner,       r.x.extent,       r.y.extent,       c.frameW,         c.frameH};
    const char* labels[] = {"src x", "src y",  "src cx", "src cy", "dst x",
                            "dst y", "dst cx", "dst cy", "width",  "height"};
    std::vector<FieldEdit> expected;
    for (int k = 0; k < 10; ++k) expected.push_back({labels[k], std::to_string(values[k])});
    EXPECT_EQ(ScaleEdits({c.frameW, c.frameH}, {c.cx, c.cy}, c.mode, Sampling::Edge), expected);
  }
}

}  // namespace
}  // namespace tesselox::io
