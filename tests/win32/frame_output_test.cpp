// Frames through the loaded module: after typed edits, every pixel of the output buffer is what
// the reference model makes of the tagged input, and the fields show what the frame made of
// them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "module_test.h"
#include "reference_model.h"

namespace tesselox::test {
namespace {

// Tags every pixel of the frame with its position and fills the rest of both buffers with junk
// that rendering must clear.
void PrepareFrame(host::FrameBuffers& frame, std::int32_t width, std::int32_t height) {
  frame.FillBoth(Pixel{{0x11, 0x22, 0x33, 0x44, 0x55, 0x66}});
  const std::int32_t w = std::clamp(width, 0, frame.CapacityWidth());
  const std::int32_t h = std::clamp(height, 0, frame.CapacityHeight());
  for (std::int32_t y = 0; y < h; ++y) {
    for (std::int32_t x = 0; x < w; ++x) frame.At(x, y) = Tagged(x, y);
  }
  frame.SetFrameSize(width, height);
}

// Checks every pixel of the output buffer against the reference model; outside the output
// frame every pixel must be zero.
void ExpectOutput(const host::FrameBuffers& frame, std::int32_t outW, std::int32_t outH,
                  const CopyRequest& request, std::int32_t srcW, std::int32_t srcH) {
  ASSERT_EQ(frame.Record().width, outW);
  ASSERT_EQ(frame.Record().height, outH);
  int wrong = 0;
  for (std::int32_t y = 0; y < frame.CapacityHeight(); ++y) {
    for (std::int32_t x = 0; x < frame.CapacityWidth(); ++x) {
      const Pixel& p = frame.At(x, y);
      const bool inside = x < outW && y < outH;
      const auto want = inside ? ModelSource(request, srcW, srcH, x, y) : std::nullopt;
      const bool ok = want ? TagOf(p) == want : IsZero(p);
      if (!ok && ++wrong <= 5) {
        ADD_FAILURE() << "pixel (" << x << ", " << y << ") wrong";
      }
    }
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_TRUE(frame.GuardsIntact());
}

struct FrameCase {
  const char* name;
  std::int32_t width, height, capW, capH;
  std::vector<FieldText> typed;  // typed after a first frame has set the ranges
  std::int32_t outW, outH;
  CopyRequest request;
  std::vector<FieldText> shown;  // what fields show after the frame
};

using F = FieldId;

// clang-format off
const FrameCase kFrameCases[] = {
    {"initial values, 9/4 across and 3 down", 1440, 1080, 1440, 1088, {}, 640, 360,
     {{0, 640, 0, 1440, 0}, {0, 360, 0, 1080, 0}},
     {{F::SrcCx, "1440"}, {F::SrcCy, "1080"}, {F::DstCx, "640"}, {F::DstCy, "360"}, {F::Width, "640"}, {F::Height, "360"}}},
    {"a frame 720 wide pulls src cx to 720", 720, 1080, 1440, 1088, {}, 640, 360,
     {{0, 640, 0, 720, 0}, {0, 360, 0, 1080, 0}}, {{F::SrcCx, "720"}, {F::SrcCy, "1080"}}},
    {"dst x beyond the capacity's old range reads back 0", 640, 360, 1280, 720, {{F::DstX, "2000"}}, 640, 360,
     {{0, 640, 0, 640, 0}, {0, 360, 0, 360, 0}}, {{F::DstX, "0"}, {F::SrcCx, "640"}, {F::SrcCy, "360"}}},
    {"dst x inside the capacity stays", 640, 360, 1280, 720, {{F::DstX, "100"}, {F::DstY, "-20"}}, 640, 360,
     {{100, 640, 0, 640, 0}, {-20, 360, 0, 360, 0}}, {{F::DstX, "100"}, {F::DstY, "-20"}}},
    {"mirrored source and destination", 400, 300, 420, 310,
     {{F::SrcX, "300"}, {F::SrcY, "90"}, {F::SrcCx, "-200"}, {F::SrcCy, "-80"}, {F::DstX, "150"},
      {F::DstY, "20"}, {F::DstCx, "-100"}, {F::DstCy, "50"}, {F::Width, "200"}, {F::Height, "120"}}, 200, 120,
     {{150, -100, 300, -200, 0}, {20, 50, 90, -80, 0}}, {{F::SrcCx, "-200"}, {F::DstCx, "-100"}}},
    {"rectangles partly off both frames", 320, 240, 336, 250,
     {{F::SrcX, "200"}, {F::SrcY, "-30"}, {F::SrcCx, "240"}, {F::SrcCy, "240"}, {F::DstX, "-100"},
      {F::DstY, "50"}, {F::DstCx, "300"}, {F::DstCy, "200"}, {F::Width, "320"}, {F::Height, "240"}}, 320, 240,
     {{-100, 300, 200, 240, 0}, {50, 200, -30, 240, 0}}, {{F::SrcY, "-30"}}},
    {"zero source extent draws nothing but keeps the size", 320, 240, 320, 240,
     {{F::SrcCx, "0"}, {F::Width, "300"}, {F::Height, "200"}}, 300, 200,
     {{0, 320, 0, 0, 0}, {0, 240, 0, 240, 0}}, {{F::SrcCx, "0"}}},
    {"negative width and height give their magnitude", 320, 240, 320, 240, {{F::Width, "-64"}, {F::Height, "-48"}}, 64, 48,
     {{0, 320, 0, 320, 0}, {0, 240, 0, 240, 0}}, {{F::Width, "-64"}, {F::DstCx, "320"}}},
    {"output size capped at the capacity", 100, 80, 120, 90, {}, 120, 90,
     {{0, 120, 0, 100, 0}, {0, 90, 0, 80, 0}}, {{F::Width, "640"}, {F::DstCx, "120"}}},
    {"a negative frame width gives ranges with low above high", -10, 20, 64, 48, {{F::SrcX, "3"}}, 64, 48,
     {{0, 64, -10, -10, 0}, {0, 48, 0, 20, 0}}, {{F::SrcX, "-10"}, {F::SrcCx, "-10"}}},
};
// clang-format on

class FrameTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameTest, OutputMatchesTheReferenceModel) {
  const FrameCase& c = GetParam();
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  host::FrameBuffers frame(c.capW, c.capH);
  PrepareFrame(frame, c.width, c.height);
  ASSERT_EQ(session->ProcessFrame(frame), 1);
  for (const auto& t : c.typed) session->TypeIntoField(t.field, t.text);
  for (const auto& t : c.typed) ASSERT_EQ(session->FieldText(t.field), t.text);
  PrepareFrame(frame, c.width, c.height);
  ASSERT_EQ(session->ProcessFrame(frame), 1);
  for (const auto& s : c.shown) {
    EXPECT_EQ(session->FieldText(s.field), s.text) << Label(s.field);
  }
  const std::int32_t srcW = std::clamp(c.width, 0, c.capW);
  const std::int32_t srcH = std::clamp(c.height, 0, c.capH);
  ExpectOutput(frame, c.outW, c.outH, c.request, srcW, srcH);
}

// Each case named after what it shows, in the letters and digits a test name may hold.
std::string CaseName(const ::testing::TestParamInfo<FrameCase>& info) {
  std::string name;
  bool upper = true;
  for (const char* c = info.param.name; *c != '\0'; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) {
      name += upper ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
      upper = false;
    } else {
      upper = true;
    }
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameTest, ::testing::ValuesIn(kFrameCases), CaseName);

TEST(FrameTest, InitialValuesTakeTheExpectedSourcePixels) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  host::FrameBuffers frame(1440, 1080);
  PrepareFrame(frame, 1440, 1080);
  ASSERT_EQ(session->ProcessFrame(frame), 1);
  const struct {
    std::int32_t x, y;
    Position source;
  } cases[] = {{3, 2, {6, 6}}, {1, 1, {2, 3}}, {0, 0, {0, 0}}, {639, 359, {1437, 1077}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
    EXPECT_EQ(TagOf(frame.At(c.x, c.y)), c.source);
  }
}

}  // namespace
}  // namespace tesselox::test
