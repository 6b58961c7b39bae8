// The configuration window's field controls linked directly, without the module: the count of
// changes the field operations rely on (every way of changing a field's text moves its count
// before the edit box shows the change, and the messages left out of the count leave the text
// as it is), and the failure paths a host cannot provoke through the module.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <locale>
#include <string>

#include "controls.h"
#include "module/config_window.h"
#include "module/field_operations.h"
#include "module/fields.h"
#include "module/numeric_edit.h"

namespace tesselox {
namespace {

using test::WindowText;

// A parent window for the controls; the fields themselves are made by the tests that need them.
class FieldControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    INITCOMMONCONTROLSEX classes{sizeof classes, ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&classes);
    parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, nullptr, nullptr,
                             GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr);
  }
  void TearDown() override { DestroyWindow(parent); }
  HWND parent = nullptr;
};

// The twelve fields made in the parent, as the window makes them.
class EditChangesTest : public FieldControlsTest {
 protected:
  void SetUp() override {
    FieldControlsTest::SetUp();
    ASSERT_TRUE(CreateFields(parent, GetModuleHandleA(nullptr)));
  }
  void TearDown() override {
    DestroyFields();
    FieldControlsTest::TearDown();
  }
  // Puts `text` in the field with the caret at its start, as typed (so that it can be undone).
  void Start(const SpinField& field, const char* text) {
    SendMessageA(field.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    for (const char* c = text; *c != '\0'; ++c) SendMessageA(field.edit, WM_CHAR, *c, 1);
    SendMessageA(field.edit, EM_SETSEL, 0, 0);
  }
};

struct Message {
  const char* name;
  bool toUpDown;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

const char kReplacement[] = "3";
const char kSetText[] = "42";

const Message kChanging[] = {
    {"WM_SETTEXT", false, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kSetText)},
    {"WM_CHAR", false, WM_CHAR, '7', 1},
    {"EM_REPLACESEL", false, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(kReplacement)},
    {"WM_PASTE", false, WM_PASTE, 0, 0},
    {"EM_UNDO", false, EM_UNDO, 0, 0},
    {"VK_DELETE", false, WM_KEYDOWN, VK_DELETE, 1},
    {"VK_UP", false, WM_KEYDOWN, VK_UP, 1},
    {"wheel", false, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0},
    {"UDM_SETPOS32", true, UDM_SETPOS32, 0, 9},
    {"a click on the lower arrow", true, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 18)},
};

TEST_F(EditChangesTest, EveryChangeIsCounted) {
  ASSERT_TRUE(test::PutOnClipboard(parent, std::string("56")));
  for (const Message& m : kChanging) {
    SCOPED_TRACE(m.name);
    const SpinField& field = spinFields[Index(FieldId::DstX)];
    Start(field, "12");
    const std::uint32_t before = field.mirror.changes;
    SendMessageA(m.toUpDown ? field.upDown : field.edit, m.message, m.wParam, m.lParam);
    if (m.message == WM_LBUTTONDOWN) SendMessageA(field.upDown, WM_LBUTTONUP, 0, m.lParam);
    EXPECT_NE(WindowText(field.edit), "12");
    EXPECT_GT(field.mirror.changes, before);
  }
}

const Message kLeavingTheText[] = {
    {"WM_GETTEXT length 0", false, WM_GETTEXT, 0, 0},
    {"EM_SETSEL", false, EM_SETSEL, 0, -1},
    {"WM_LBUTTONDOWN", false, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)},
    {"WM_LBUTTONUP", false, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)},
    {"WM_LBUTTONDBLCLK", false, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5)},
    {"WM_MOUSEMOVE", false, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(30, 5)},
    {"WM_SETFOCUS", false, WM_SETFOCUS, 0, 0},
    {"WM_KILLFOCUS", false, WM_KILLFOCUS, 0, 0},
    {"WM_KEYUP", false, WM_KEYUP, VK_DELETE, static_cast<LPARAM>(0xC0000001)},
    {"WM_TIMER", false, WM_TIMER, 1, 0},
    {"WM_SIZE", false, WM_SIZE, SIZE_RESTORED, MAKELPARAM(80, 22)},
    {"WM_PAINT", false, WM_PAINT, 0, 0},
    {"EM_GETSEL", false, EM_GETSEL, 0, 0},
    {"EM_SCROLLCARET", false, EM_SCROLLCARET, 0, 0},
};

TEST_F(EditChangesTest, UncountedMessagesLeaveTheText) {
  for (const Message& m : kLeavingTheText) {
    SCOPED_TRACE(m.name);
    const SpinField& field = spinFields[Index(FieldId::DstX)];
    Start(field, "-12");
    const std::uint32_t before = field.mirror.changes;
    SendMessageA(field.edit, m.message, m.wParam, m.lParam);
    EXPECT_EQ(WindowText(field.edit), "-12");
    EXPECT_EQ(field.mirror.changes, before);
  }
}

TEST_F(FieldControlsTest, ControlsThatCannotBeMadeLeaveTheFilterAndWidthSound) {
  const SpinField good =
      CreateSpinField("a", parent, GetModuleHandleA(nullptr), 40000, 16, 12, -5, 5, 3);
  ASSERT_NE(good.edit, nullptr);
  const WNDPROC saved = savedEditProc;
  ASSERT_NE(saved, nullptr);
  // A child window without a parent cannot be made.
  const SpinField failed =
      CreateSpinField("b", nullptr, GetModuleHandleA(nullptr), 40002, 16, 42, -5, 5, 3);
  EXPECT_EQ(failed.label, nullptr);
  EXPECT_EQ(failed.edit, nullptr);
  EXPECT_EQ(failed.upDown, nullptr);
  EXPECT_EQ(failed.width, 140);
  EXPECT_EQ(savedEditProc, saved);
  // The good field still filters and still reaches the edit box's own procedure.
  SendMessageA(good.edit, EM_SETSEL, 0, -1);
  for (const char key : std::string("4x-2")) SendMessageA(good.edit, WM_CHAR, key, 1);
  EXPECT_EQ(WindowText(good.edit), "42");
  RemoveNumericFilter(good.edit);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(good.edit, GWL_WNDPROC)), saved);
}

TEST_F(FieldControlsTest, FieldOperationsBeforeTheFieldsExistReadZero) {
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    RefreshRange(id, 10, 20);
    SetClamped(id, 15);
    EXPECT_EQ(ReadValue(id), 0);
  }
}

TEST_F(FieldControlsTest, CreationLeavesTheGlobalLocaleAsItIs) {
  const std::string before = std::locale().name();
  FilterTable table{};
  EXPECT_EQ(ConfigWindowProc(parent, WM_CREATE, 0, 0, nullptr, &table), 0);
  EXPECT_EQ(std::locale().name(), before);
}

}  // namespace
}  // namespace tesselox
