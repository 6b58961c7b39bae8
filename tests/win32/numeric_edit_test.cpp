#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "loaded_module.h"

namespace tesselox::test {
namespace {

struct Selection {
  DWORD start;
  DWORD end;
  bool operator==(const Selection&) const = default;
};

std::string TextOf(HWND window) {
  char text[64] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

Selection SelectionOf(HWND edit) {
  Selection s{};
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s.start),
               reinterpret_cast<LPARAM>(&s.end));
  return s;
}

void Prepare(HWND edit, const char* text, Selection selection) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
  SendMessageA(edit, EM_SETSEL, selection.start, selection.end);
}

// The keystrokes that can make a number; a sign only where the text starts.
bool Accepted(unsigned code, const Selection& selection) {
  if (code == 8 || code == 9 || code == '.' || (code >= '0' && code <= '9')) return true;
  return (code == '+' || code == '-') && selection.start == 0;
}

class NumericEditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    session = StartModule();
    ASSERT_TRUE(session->Loaded());
    edit = session->Field(FieldId::DstCx).edit;
    // An edit box like the fields' but without the keystroke filter: what passing a
    // keystroke on must produce.
    plain = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", 0x50810002, 16, 200, 80, 22,
                            session->ConfigWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(plain, WM_SETFONT, SendMessageA(edit, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(plain, EM_LIMITTEXT, 5, 0);
  }
  void TearDown() override { DestroyWindow(plain); }

  std::unique_ptr<LoadedModule> session;
  HWND edit = nullptr;
  HWND plain = nullptr;
};

TEST_F(NumericEditTest, EveryCharacterCodeIsPassedOnOrDropped) {
  // With something on the clipboard, a paste that got through would show.
  if (OpenClipboard(session->ConfigWindow())) {
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, 3);
    std::memcpy(GlobalLock(memory), "77", 3);
    GlobalUnlock(memory);
    SetClipboardData(CF_TEXT, memory);
    CloseClipboard();
  }
  const Selection selections[] = {{2, 2}, {0, 2}, {1, 1}, {0, 0}};
  for (const Selection& selection : selections) {
    for (unsigned code = 0; code <= 255; ++code) {
      SCOPED_TRACE("code " + std::to_string(code) + " selection " +
                   std::to_string(selection.start) + ".." + std::to_string(selection.end));
      Prepare(edit, "12", selection);
      const LRESULT result = SendMessageA(edit, WM_CHAR, code, 1);
      if (Accepted(code, selection)) {
        Prepare(plain, "12", selection);
        SendMessageA(plain, WM_CHAR, code, 1);
        EXPECT_EQ(TextOf(edit), TextOf(plain));
        EXPECT_EQ(SelectionOf(edit), SelectionOf(plain));
      } else {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(TextOf(edit), "12");
        EXPECT_EQ(SelectionOf(edit), selection);
      }
    }
  }
}

TEST_F(NumericEditTest, SignsOnlyAtTheStartAndReplacingASign) {
  const struct {
    const char* text;
    Selection selection;
    const char* keys;
    const char* expected;
  } cases[] = {
      {"", {0, 0}, "-5", "-5"},     {"5", {0, 0}, "-", "-5"},     {"5", {1, 1}, "-", "5"},
      {"-5", {0, 0}, "+", "+5"},    {"+12", {0, 3}, "-", "-12"},  {"-5", {1, 1}, "+", "-5"},
      {"-5", {1, 2}, "-", "-5"},    {"", {0, 0}, "--", "-"},      {"", {0, 0}, "+-", "+"},
      {"12", {0, 2}, "-", "-"},     {"12", {0, 1}, "+", "+2"},    {"-", {0, 1}, "+", "+"},
      {"-12", {0, 0}, "3", "3-12"}, {"12", {0, 0}, "+-+", "+12"}, {"1", {1, 1}, "-2", "12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " <- " + c.keys);
    Prepare(edit, c.text, c.selection);
    for (const char* k = c.keys; *k != '\0'; ++k) SendMessageA(edit, WM_CHAR, *k, 1);
    EXPECT_EQ(TextOf(edit), c.expected);
  }
}

TEST_F(NumericEditTest, TypedTextIsLimitedToFiveCharactersThatAllShow) {
  const struct {
    const char* keys;
    const char* expected;
  } cases[] = {
      {"123456", "12345"}, {"-3200", "-3200"}, {"12345", "12345"}, {"88888", "88888"},
      {"-8888", "-8888"},  {"1.5", "1.5"},     {"1,440", "1440"},  {"+12", "+12"},
      {"12-", "12"},       {"a1b2", "12"},     {" 7 ", "7"},       {"99999", "99999"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keys);
    session->TypeIntoField(FieldId::DstCx, c.keys);
    EXPECT_EQ(session->FieldText(FieldId::DstCx), c.expected);
  }
}

TEST_F(NumericEditTest, OtherMessagesReachTheEditBox) {
  Prepare(edit, "123", {3, 3});
  SendMessageA(edit, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(SelectionOf(edit), (Selection{0, 0}));
  SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(TextOf(edit), "23");
  SendMessageA(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(SelectionOf(edit), (Selection{0, 2}));
  SendMessageA(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(TextOf(edit), "");
}

TEST_F(NumericEditTest, ReportsTheFaceTheFieldFontGot) {
  const auto font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTA requested{};
  ASSERT_NE(GetObjectA(font, sizeof requested, &requested), 0);
  EXPECT_EQ(requested.lfHeight, 12);
  EXPECT_EQ(requested.lfWeight, FW_MEDIUM);
  EXPECT_EQ(requested.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_EQ(requested.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(requested.lfPitchAndFamily, FF_MODERN | DEFAULT_PITCH);
  EXPECT_STREQ(requested.lfFaceName,
               "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E");
  HDC dc = GetDC(edit);
  const HGDIOBJ old = SelectObject(dc, font);
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  SIZE size{};
  GetTextExtentPoint32A(dc, "-8888", 5, &size);
  SelectObject(dc, old);
  ReleaseDC(edit, dc);
  RECT format{};
  SendMessageA(edit, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&format));
  std::printf("field font realised as \"%s\"; \"-8888\" is %ld px wide, the text area %ld px\n",
              face, size.cx, format.right - format.left);
  EXPECT_LE(size.cx, format.right - format.left);
}

}  // namespace
}  // namespace tesselox::test
