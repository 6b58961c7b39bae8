#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "loaded_module.h"
#include "ui/field_table.h"

namespace tesselox::test {
namespace {

using host::FieldRange;

struct FieldExpectation {
  FieldId id;
  const char* label;
  const char* text;
  std::int32_t low;
  std::int32_t high;
};

// After initialisation with a largest frame of 1920 x 1440.
const FieldExpectation kCreatedFields[] = {
    {FieldId::SrcX, "src x", "0", -32, 32},
    {FieldId::SrcY, "src y", "0", -32, 32},
    {FieldId::SrcCx, "src cx", "1440", -2560, 2560},
    {FieldId::SrcCy, "src cy", "1080", -1088, 1088},
    {FieldId::DstX, "dst x", "0", -32, 32},
    {FieldId::DstY, "dst y", "0", -32, 32},
    {FieldId::DstCx, "dst cx", "640", -3200, 3200},
    {FieldId::DstCy, "dst cy", "360", -1440, 1440},
    {FieldId::Width, "width", "640", 32, 1920},
    {FieldId::Height, "height", "360", 32, 1440},
    {FieldId::PhaseX, "phase x", "0", 0, 1920},
    {FieldId::PhaseY, "phase y", "0", 0, 1440},
};

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

RECT RectIn(HWND window, HWND parent) {
  RECT rect{};
  GetWindowRect(window, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

int ChildCount(HWND parent) {
  int count = 0;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++count;
  return count;
}

class ConfigWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = StartModule();
    ASSERT_TRUE(session->Loaded());
  }
  std::unique_ptr<LoadedModule> session;
};

TEST_F(ConfigWindowTest, TwelveFieldsWithLabelsTextsAndRanges) {
  EXPECT_EQ(ChildCount(session->ConfigWindow()), 36);
  for (const auto& f : kCreatedFields) {
    SCOPED_TRACE(f.label);
    EXPECT_EQ(session->FieldIndex(f.label), Index(f.id));
    ASSERT_NE(session->Field(f.id).edit, nullptr);
    EXPECT_EQ(session->FieldText(f.id), f.text);
    const FieldRange range = session->Range(f.id);
    EXPECT_EQ(range.low, f.low);
    EXPECT_EQ(range.high, f.high);
  }
}

TEST_F(ConfigWindowTest, ControlsCarryTheirIdentifiersClassesAndStyles) {
  for (int k = 0; k < kFieldCount; ++k) {
    SCOPED_TRACE(k);
    const auto controls = session->Field(static_cast<FieldId>(k));
    ASSERT_NE(controls.label, nullptr);
    ASSERT_NE(controls.upDown, nullptr);
    EXPECT_EQ(GetDlgCtrlID(controls.label), kLabelId);
    EXPECT_EQ(GetDlgCtrlID(controls.edit), EditId(static_cast<FieldId>(k)));
    EXPECT_EQ(GetDlgCtrlID(controls.upDown), UpDownId(static_cast<FieldId>(k)));
    EXPECT_STRCASEEQ(ClassOf(controls.label).c_str(), "Static");
    EXPECT_STRCASEEQ(ClassOf(controls.edit).c_str(), "Edit");
    EXPECT_STREQ(ClassOf(controls.upDown).c_str(), UPDOWN_CLASSA);
    const struct {
      HWND window;
      DWORD style;
    } styles[] = {
        {controls.label, 0x50000001}, {controls.edit, 0x50010002}, {controls.upDown, 0x500001B6}};
    for (const auto& s : styles) {
      EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(s.window, GWL_STYLE)) & s.style, s.style);
    }
    EXPECT_TRUE(GetWindowLongA(controls.edit, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(SendMessageA(controls.edit, EM_GETLIMITTEXT, 0, 0), 5);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(controls.upDown, UDM_GETBUDDY, 0, 0)),
              controls.edit);
    // Only the edit boxes get the field font, one font for all of them.
    const auto font = reinterpret_cast<HFONT>(SendMessageA(controls.edit, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(font, reinterpret_cast<HFONT>(
                        SendMessageA(session->Field(FieldId::SrcX).edit, WM_GETFONT, 0, 0)));
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageA(controls.label, WM_GETFONT, 0, 0)), font);
  }
}

TEST_F(ConfigWindowTest, TwoColumnsOfSixRows) {
  const HWND config = session->ConfigWindow();
  const RECT firstUpDown = RectIn(session->Field(FieldId::SrcX).upDown, config);
  const int upDownWidth = firstUpDown.right - firstUpDown.left;
  ASSERT_GT(upDownWidth, 0);
  const int columns[2] = {16, 148 + upDownWidth};
  for (int k = 0; k < kFieldCount; ++k) {
    SCOPED_TRACE(k);
    const auto controls = session->Field(static_cast<FieldId>(k));
    const int x = columns[k % 2];
    const int y = 12 + 30 * (k / 2);
    const RECT label = RectIn(controls.label, config);
    EXPECT_EQ(label.left, x);
    EXPECT_EQ(label.top, y);
    EXPECT_EQ(label.right - label.left, 60);
    EXPECT_EQ(label.bottom - label.top, 22);
    const RECT edit = RectIn(controls.edit, config);
    const RECT upDown = RectIn(controls.upDown, config);
    EXPECT_EQ(edit.left, x + 60);
    EXPECT_EQ(edit.top, y);
    EXPECT_EQ(edit.bottom - edit.top, 22);
    // The up-down control sits at the edit box's right edge (over its border at most) and
    // inside the 80 pixels the edit box was made with.
    EXPECT_LE(upDown.right, x + 140);
    EXPECT_GE(upDown.left, edit.right - 2);
    EXPECT_LE(upDown.left, edit.right);
    EXPECT_EQ(upDown.top, edit.top);
    EXPECT_EQ(upDown.right - upDown.left, upDownWidth);
  }
}

struct LimitCase {
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

INSTANTIATE_TEST_SUITE_P(Maxima, FrameLimitTest,
                         ::testing::Values(LimitCase{1280, 720, "640", 1280, "360", 720},
                                           LimitCase{480, 270, "480", 480, "270", 270},
                                           LimitCase{640, 360, "640", 640, "360", 360},
                                           LimitCase{3840, 2160, "640", 3840, "360", 2160},
                                           // below the low end: the high end wins
                                           LimitCase{16, 8, "16", 16, "8", 8}));

TEST_F(ConfigWindowTest, SecondInitialisationKeepsTheFirstFields) {
  const auto before = session->Field(FieldId::SrcX);
  session->TypeIntoField(FieldId::SrcX, "12");
  session->SendInit();
  EXPECT_EQ(ChildCount(session->ConfigWindow()), 36);
  EXPECT_EQ(session->Field(FieldId::SrcX).edit, before.edit);
  EXPECT_EQ(session->FieldText(FieldId::SrcX), "12");
}

// A repeated initialisation takes the host's new largest frame but keeps typed sizes.
TEST_F(ConfigWindowTest, SecondInitialisationKeepsTypedSizesWithinNewLimits) {
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

TEST_F(ConfigWindowTest, EachAcceptedKeystrokeCallsServiceTwentyFiveOnce) {
  const struct {
    FieldId field;
    const char* keys;
    int calls;
  } cases[] = {
      {FieldId::DstX, "7", 1},     {FieldId::DstX, "123", 3}, {FieldId::Width, "1a2b3", 3},
      {FieldId::PhaseY, "xyz", 0}, {FieldId::SrcCy, "-5", 2}, {FieldId::SrcX, "12345", 5},
      {FieldId::SrcY, "1.5", 3},
  };
  std::int32_t answer = 100;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    session->SetEditUpdatedAnswer(++answer);
    session->SetFieldText(c.field, "");
    const int before = session->EditUpdatedCalls();
    const int notifiedBefore = session->EditUpdateNotifications();
    session->TypeIntoField(c.field, c.keys);
    EXPECT_EQ(session->EditUpdatedCalls() - before, c.calls);
    EXPECT_EQ(session->EditUpdateNotifications() - notifiedBefore, c.calls);
    if (c.calls > 0) {
      EXPECT_EQ(session->LastEditUpdateResult(), answer);
    }
  }
}

TEST_F(ConfigWindowTest, EveryEditUpdateNotificationIsOneServiceCall) {
  // However many notifications the edit box sends (a keystroke refused at the length limit
  // may still send one), each is answered by one call of the service.
  const char* typed[] = {"123456", "99999", "-", "", "1.2.3"};
  for (const char* keys : typed) {
    SCOPED_TRACE(keys);
    const int before = session->EditUpdatedCalls();
    const int notifiedBefore = session->EditUpdateNotifications();
    session->TypeIntoField(FieldId::DstCy, keys);
    session->SetFieldText(FieldId::DstCy, "1");
    EXPECT_EQ(session->EditUpdatedCalls() - before,
              session->EditUpdateNotifications() - notifiedBefore);
    EXPECT_GE(session->EditUpdatedCalls() - before, static_cast<int>(std::strlen(keys)));
  }
}

TEST_F(ConfigWindowTest, CommandsAnswerOnlyEditUpdates) {
  session->SetEditUpdatedAnswer(4242);
  const HWND edit = session->Field(FieldId::DstCx).edit;
  const struct {
    WORD code;
    std::int32_t result;
    int calls;
  } cases[] = {{EN_UPDATE, 4242, 1}, {EN_CHANGE, 0, 0}, {EN_SETFOCUS, 0, 0}, {BN_CLICKED, 0, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.code);
    const int before = session->EditUpdatedCalls();
    FilterTable& table = session->HostTable();
    const std::int32_t result =
        table.windowProc(session->ConfigWindow(), WM_COMMAND, MAKEWPARAM(40012, c.code),
                         reinterpret_cast<LPARAM>(edit), session->EditHandle(), &table);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(session->EditUpdatedCalls() - before, c.calls);
  }
}

TEST_F(ConfigWindowTest, KeysAndWheelReachTheOwnerUnchanged) {
  const WindowMessage cases[] = {
      {WM_KEYDOWN, VK_F5, 0x003F0001},
      {WM_KEYUP, 'A', static_cast<LPARAM>(0xC01E0001)},
      {WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, static_cast<WORD>(-120)), MAKELPARAM(30, 40)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    session->ClearOwnerMessages();
    SendMessageA(session->ConfigWindow(), c.message, c.wParam, c.lParam);
    int seen = 0;
    for (const auto& m : session->OwnerMessages()) {
      if (m.message != c.message) continue;
      ++seen;
      EXPECT_EQ(m.wParam, c.wParam);
      EXPECT_EQ(m.lParam, c.lParam);
    }
    EXPECT_EQ(seen, 1);
    EXPECT_EQ(session->LastWindowProcResult(c.message), 0);
  }
}

}  // namespace
}  // namespace tesselox::test
