// What the configuration window shows once initialised: twelve labelled fields with their
// texts and ranges, in two columns of six rows, each a right-aligned edit box with arrows that
// write plain numbers into it, in one font that fits five characters.

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "module/field_table.h"
#include "module_test.h"
#include "module/control_ids.h"

namespace tesselox::test {
namespace {

using ConfigWindowTest = ModuleTest;

struct FieldExpectation {
  FieldId id;
  const char* label;
  const char* text;
  std::int32_t low;
  std::int32_t high;
};

// After initialisation with the host's default largest frame, 1920 x 1080.
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
    {FieldId::Height, "height", "360", 32, 1080},
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

// The columns of the control's client area that its own painting makes differ from its first
// pixel: where its text stands. {-1, -1} when nothing was drawn.
std::pair<int, int> PaintedColumns(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  HDC screen = GetDC(control);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
  const HGDIOBJ old = SelectObject(dc, bitmap);
  SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
  const COLORREF background = GetPixel(dc, 0, 0);
  std::pair<int, int> painted{-1, -1};
  for (int x = 0; x < client.right; ++x) {
    for (int y = 0; y < client.bottom; ++y) {
      if (GetPixel(dc, x, y) == background) continue;
      if (painted.first < 0) painted.first = x;
      painted.second = x;
      break;
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(control, screen);
  return painted;
}

TEST_F(ConfigWindowTest, TwelveFieldsWithLabelsTextsAndRanges) {
  EXPECT_EQ(ChildCount(session->ConfigWindow()), 3 * kFieldCount);
  for (const auto& f : kCreatedFields) {
    SCOPED_TRACE(f.label);
    EXPECT_EQ(session->FieldIndex(f.label), Index(f.id));
    ASSERT_NE(session->Field(f.id).edit, nullptr);
    EXPECT_EQ(session->FieldText(f.id), f.text);
    const host::FieldRange range = session->Range(f.id);
    EXPECT_EQ(range.low, f.low);
    EXPECT_EQ(range.high, f.high);
  }
}

// The session knows no ids or positions: a field any module adds is found by its up-down control,
// its buddy and the STATIC control just before the buddy; an up-down with no buddy is no field.
TEST_F(ConfigWindowTest, TheSessionFindsFieldsByWhatTheWindowHolds) {
  const HWND config = session->ConfigWindow();
  const auto make = [&](const char* type, const char* text, int id, int x) {
    return CreateWindowExA(0, type, text, WS_CHILD, x, 400, 40, 20, config,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
  };
  const HWND label = make("STATIC", "extra", 7, 300);
  const HWND edit = make("EDIT", "5", 123, 10);
  const HWND upDown = make(UPDOWN_CLASSA, nullptr, 9, 500);
  SendMessageA(upDown, UDM_SETBUDDY, reinterpret_cast<WPARAM>(edit), 0);
  SendMessageA(upDown, UDM_SETRANGE32, static_cast<WPARAM>(-7), 70);
  make(UPDOWN_CLASSA, nullptr, 10, 600);

  const auto fields = session->Fields();
  ASSERT_EQ(fields.size(), kFieldCount + 1u);
  EXPECT_EQ(fields.back().label, label);
  EXPECT_EQ(fields.back().edit, edit);
  EXPECT_EQ(fields.back().upDown, upDown);
  EXPECT_EQ(session->FieldIndex("extra"), kFieldCount);
  EXPECT_EQ(session->FieldText(kFieldCount), "5");
  EXPECT_EQ(session->Range(kFieldCount).low, -7);
  EXPECT_EQ(session->Range(kFieldCount).high, 70);
  EXPECT_EQ(session->Field(kFieldCount + 1).edit, nullptr);
  EXPECT_EQ(session->FieldIndex("no such label"), std::nullopt);
}

TEST_F(ConfigWindowTest, ControlsCarryTheirIdentifiersAndClasses) {
  // Shown, the window shows every control.
  ShowWindow(GetAncestor(session->ConfigWindow(), GA_ROOT), SW_SHOWNOACTIVATE);
  ShowWindow(session->ConfigWindow(), SW_SHOWNOACTIVATE);
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    const auto controls = session->Field(id);
    ASSERT_NE(controls.label, nullptr);
    ASSERT_NE(controls.upDown, nullptr);
    EXPECT_EQ(GetDlgCtrlID(controls.label), kLabelId);
    EXPECT_EQ(GetDlgCtrlID(controls.edit), EditId(id));
    EXPECT_EQ(GetDlgCtrlID(controls.upDown), UpDownId(id));
    EXPECT_STRCASEEQ(ClassOf(controls.label).c_str(), "Static");
    EXPECT_STRCASEEQ(ClassOf(controls.edit).c_str(), "Edit");
    EXPECT_STREQ(ClassOf(controls.upDown).c_str(), UPDOWN_CLASSA);
    for (HWND control : {controls.label, controls.edit, controls.upDown}) {
      EXPECT_EQ(GetParent(control), session->ConfigWindow());
      EXPECT_TRUE(IsWindowVisible(control));
    }
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(controls.upDown, UDM_GETBUDDY, 0, 0)),
              controls.edit);
    // Hot tracking changes only how an arrow looks under the mouse, with no state to read
    // back: the style itself is what there is to check.
    EXPECT_TRUE(GetWindowLongA(controls.upDown, GWL_STYLE) & UDS_HOTTRACK);
    EXPECT_EQ(SendMessageA(controls.edit, EM_GETLIMITTEXT, 0, 0), 5);
    // Only the edit boxes get the field font, one font for all of them.
    const auto font = reinterpret_cast<HFONT>(SendMessageA(controls.edit, WM_GETFONT, 0, 0));
    EXPECT_NE(font, nullptr);
    EXPECT_EQ(font, FieldFont(*session));
    EXPECT_NE(reinterpret_cast<HFONT>(SendMessageA(controls.label, WM_GETFONT, 0, 0)), font);
  }
}

TEST_F(ConfigWindowTest, LabelsAreCentredAndNumbersRightAligned) {
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    const auto controls = session->Field(id);
    RECT label{};
    GetClientRect(controls.label, &label);
    const auto [left, right] = PaintedColumns(controls.label);
    ASSERT_GE(left, 0) << "the label drew nothing";
    EXPECT_LE(std::abs(left - (label.right - 1 - right)), 2) << left << ".." << right;
    // The text ends at the right of the edit box's text area.
    RECT format{};
    SendMessageA(controls.edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
    const std::string text = WindowText(controls.edit);
    HDC dc = GetDC(controls.edit);
    const HGDIOBJ old = SelectObject(dc, FieldFont(*session));
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(controls.edit, dc);
    const LRESULT first = SendMessageA(controls.edit, EM_POSFROMCHAR, 0, 0);
    EXPECT_NEAR(static_cast<short>(LOWORD(first)), format.right - extent.cx, 2)
        << "\"" << text << "\" in " << format.left << ".." << format.right;
    // The client edge: the edit box's client area sits inside a sunken frame.
    RECT edit{}, editClient{};
    GetWindowRect(controls.edit, &edit);
    GetClientRect(controls.edit, &editClient);
    EXPECT_GE((edit.right - edit.left) - editClient.right, 4);
  }
}

TEST_F(ConfigWindowTest, TabMovesFromEditBoxToEditBox) {
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    const HWND next = GetNextDlgTabItem(session->ConfigWindow(), EditOf(*session, id), FALSE);
    EXPECT_EQ(next, EditOf(*session, kFieldIds[(Index(id) + 1) % kFieldCount]));
  }
}

TEST_F(ConfigWindowTest, ArrowsWritePlainNumbersIntoTheEditBox) {
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    const host::FieldRange range = RangeOf(*session, id);
    // The host's position lands in the edit box, without a thousands separator.
    SendMessageA(UpDownOf(*session, id), UDM_SETPOS32, 0, range.high);
    EXPECT_EQ(TextOf(*session, id), std::to_string(range.high));
    // The up arrow key in the edit box steps the value.
    SetText(*session, id, std::to_string(range.high - 1));
    SendMessageA(EditOf(*session, id), WM_KEYDOWN, VK_UP, 1);
    SendMessageA(EditOf(*session, id), WM_KEYUP, VK_UP, static_cast<LPARAM>(0xC0000001));
    EXPECT_EQ(TextOf(*session, id), std::to_string(range.high));
  }
}

// Fields side by side in pairs (x beside y), the pairs one below the other in field order; no
// control covers another, and each up-down control sits at its edit box's right edge.
TEST_F(ConfigWindowTest, PairsOfFieldsInRowsWithoutOverlap) {
  const HWND config = session->ConfigWindow();
  std::vector<std::pair<std::string, RECT>> placed;
  for (const FieldId id : kFieldIds) {
    SCOPED_TRACE(Label(id));
    const auto controls = session->Field(id);
    const RECT label = RectIn(controls.label, config);
    const RECT edit = RectIn(controls.edit, config);
    const RECT upDown = RectIn(controls.upDown, config);
    EXPECT_EQ(label.top, edit.top);
    EXPECT_LE(label.right, edit.left);
    EXPECT_EQ(upDown.top, edit.top);
    EXPECT_GE(upDown.left, edit.right - 2);  // over the edit box's border at most
    EXPECT_LE(upDown.left, edit.right);
    if (Index(id) % 2 == 1) {
      const RECT left = RectIn(session->Field(kFieldIds[Index(id) - 1]).upDown, config);
      EXPECT_EQ(label.top, left.top);
      EXPECT_GE(label.left, left.right);
    } else if (Index(id) > 0) {
      const RECT above = RectIn(session->Field(kFieldIds[Index(id) - 2]).edit, config);
      EXPECT_GE(label.top, above.bottom);
    }
    const std::string name(Label(id));
    placed.insert(placed.end(), {{name + " label", label}, {name + " box", edit}});
    placed.push_back(
        {name + " arrows", {upDown.left + 2, upDown.top, upDown.right, upDown.bottom}});
  }
  for (std::size_t a = 0; a < placed.size(); ++a) {
    for (std::size_t b = a + 1; b < placed.size(); ++b) {
      RECT common{};
      EXPECT_FALSE(IntersectRect(&common, &placed[a].second, &placed[b].second))
          << placed[a].first << " covers " << placed[b].first;
    }
  }
}

// The face the field font gets shows every five-character value whole inside its edit box.
TEST_F(ConfigWindowTest, FiveCharactersFitTheFieldFont) {
  const HWND edit = EditOf(*session, FieldId::DstCx);
  RECT format{};
  SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  for (const char* text : {"-8888", "88888", "-3200", "00000", "-1111"}) {
    SCOPED_TRACE(text);
    SetText(*session, FieldId::DstCx, text);
    const LRESULT first = SendMessageA(edit, EM_POSFROMCHAR, 0, 0);
    const LRESULT last = SendMessageA(edit, EM_POSFROMCHAR, 4, 0);
    HDC dc = GetDC(edit);
    const HGDIOBJ old = SelectObject(dc, FieldFont(*session));
    SIZE lastWidth{};
    GetTextExtentPoint32A(dc, text + 4, 1, &lastWidth);
    SelectObject(dc, old);
    ReleaseDC(edit, dc);
    EXPECT_GE(static_cast<short>(LOWORD(first)), format.left);
    EXPECT_LE(static_cast<short>(LOWORD(last)) + lastWidth.cx, format.right);
    EXPECT_EQ(TextOf(*session, FieldId::DstCx), text);
  }
}

}  // namespace
}  // namespace tesselox::test
