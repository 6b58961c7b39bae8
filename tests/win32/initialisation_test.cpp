// The initialisation message: "width" and "height" take the host's largest frame as their upper
// bound, and a repeated message makes no second set of fields and keeps what was typed.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

struct LimitCase {
  const char* name;
  std::int32_t maxW, maxH;
  const char* widthText;
  std::int32_t widthHigh;
  const char* heightText;
  std::int32_t heightHigh;
};

class FrameLimitTest : public ::testing::TestWithParam<LimitCase> {};

TEST_P(FrameLimitTest, WidthAndHeightFollowTheHostsLargestFrame) {
  const LimitCase& c = GetParam();
  auto session = StartModule(true, c.maxW, c.maxH);
  ASSERT_TRUE(session->Loaded());
  EXPECT_EQ(session->FrameLimitsCalls(), 1);
  EXPECT_EQ(session->LastFrameLimitsEditHandle(), session->EditHandle());
  EXPECT_EQ(session->FieldText(FieldId::Width), c.widthText);
  EXPECT_EQ(session->Range(FieldId::Width).low, 32);
  EXPECT_EQ(session->Range(FieldId::Width).high, c.widthHigh);
  EXPECT_EQ(session->FieldText(FieldId::Height), c.heightText);
  EXPECT_EQ(session->Range(FieldId::Height).low, 32);
  EXPECT_EQ(session->Range(FieldId::Height).high, c.heightHigh);
}

INSTANTIATE_TEST_SUITE_P(
    Maxima, FrameLimitTest,
    ::testing::Values(LimitCase{"Larger", 1280, 720, "640", 1280, "360", 720},
                      LimitCase{"SmallerClampsTheInitialSize", 480, 270, "480", 480, "270", 270},
                      LimitCase{"EqualToTheInitialSize", 640, 360, "640", 640, "360", 360},
                      LimitCase{"FourK", 3840, 2160, "640", 3840, "360", 2160},
                      LimitCase{"BelowTheLowEndTheHighEndWins", 16, 8, "16", 16, "8", 8}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(SecondInitialisationTest, KeepsTheFirstFields) {
  const struct {
    const char* name;
    std::int32_t maxW, maxH;
  } cases[] = {{"the same largest frame", 1280, 720}, {"a smaller largest frame", 480, 270}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto session = StartModule(true, 1280, 720);
    ASSERT_TRUE(session->Loaded());
    ASSERT_EQ(ChildCount(session->ConfigWindow()), 3 * kFieldCount);
    std::vector<HWND> edits;
    for (const FieldId id : kFieldIds) edits.push_back(EditOf(*session, id));
    session->TypeIntoField(FieldId::SrcX, "12");
    SetText(*session, FieldId::DstCx, "-33");
    session->SetLargestFrame(c.maxW, c.maxH);
    session->SendInit();
    EXPECT_EQ(ChildCount(session->ConfigWindow()), 3 * kFieldCount);
    for (const FieldId id : kFieldIds)
      EXPECT_EQ(EditOf(*session, id), edits[Index(id)]) << Label(id);
    EXPECT_EQ(TextOf(*session, FieldId::SrcX), "12");
    EXPECT_EQ(TextOf(*session, FieldId::DstCx), "-33");
    CheckedFrame(*session, FrameShape{64, 48, 60, 40});
  }
}

using InitialisationTest = ModuleTest;

// A repeated initialisation takes the host's new largest frame but keeps typed sizes.
TEST_F(InitialisationTest, SecondInitialisationKeepsTypedSizesWithinNewLimits) {
  const struct {
    std::int32_t maxW, maxH;
    const char* width;
    const char* height;
  } cases[] = {{1280, 720, "800", "600"}, {480, 270, "480", "270"}, {1920, 1080, "480", "270"}};
  session->SetFieldText(FieldId::Width, "800");
  session->SetFieldText(FieldId::Height, "600");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.maxW) + "x" + std::to_string(c.maxH));
    session->SetLargestFrame(c.maxW, c.maxH);
    session->SendInit();
    EXPECT_EQ(session->FieldText(FieldId::Width), c.width);
    EXPECT_EQ(session->FieldText(FieldId::Height), c.height);
    EXPECT_EQ(session->Range(FieldId::Width).high, c.maxW);
    EXPECT_EQ(session->Range(FieldId::Height).high, c.maxH);
  }
}

}  // namespace
}  // namespace tesselox::test
