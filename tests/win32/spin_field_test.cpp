// The configuration window's pieces linked directly, for the failure paths a host cannot
// provoke through the module.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <locale>
#include <stdexcept>
#include <string>

#include "ui/config_window.h"
#include "ui/field_operations.h"
#include "ui/fields.h"
#include "ui/numeric_edit.h"

namespace tesselox {
namespace {

std::string TextOf(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

class SpinFieldTest : public ::testing::Test {
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

TEST_F(SpinFieldTest, ControlsThatCannotBeMadeLeaveTheFilterAndWidthSound) {
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
  EXPECT_EQ(TextOf(good.edit), "42");
  RemoveNumericFilter(good.edit);
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongA(good.edit, GWL_WNDPROC)), saved);
}

TEST_F(SpinFieldTest, FieldOperationsBeforeTheFieldsExistReadZero) {
  for (int k = 0; k < kFieldCount; ++k) {
    SCOPED_TRACE(k);
    const auto id = static_cast<FieldId>(k);
    RefreshRange(id, 10, 20);
    SetClamped(id, 15);
    EXPECT_EQ(ReadValue(id), 0);
  }
}

TEST_F(SpinFieldTest, CreationInstallsTheJapaneseLocaleOnlyWhereItExists) {
  bool available = true;
  try {
    std::locale probe("ja");
  } catch (const std::runtime_error&) {
    available = false;
  }
  std::printf("the \"ja\" locale is %s\n", available ? "available" : "not available");
  const std::string before = std::locale().name();
  FilterTable table{};
  EXPECT_EQ(ConfigWindowProc(parent, WM_CREATE, 0, 0, nullptr, &table), 0);
  EXPECT_EQ(std::locale().name(), available ? std::string("ja") : before);
  std::locale::global(std::locale::classic());
}

}  // namespace
}  // namespace tesselox
