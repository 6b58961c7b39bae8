// Keystrokes into the fields: the filter passes on what can make a number (digits, a sign only
// where the text starts, a point, backspace, tab) and drops the rest, the edit box's own limit
// of five characters holds, other messages reach the edit box as they came, and every frame
// after a keystroke reads what the key left.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

constexpr std::size_t kLimit = 5;

// The keystrokes that can make a number; a sign only where the text starts.
bool Accepted(unsigned code, const Selection& selection) {
  if (code == 8 || code == 9 || code == '.' || (code >= '0' && code <= '9')) return true;
  return (code == '+' || code == '-') && selection.start == 0;
}

// What the edit box must show after `code` is sent as WM_CHAR with `selection` selected.
std::string AfterKey(std::string text, Selection selection, unsigned code) {
  std::size_t selStart = selection.start, selEnd = selection.end;
  const bool digit = code >= '0' && code <= '9';
  const bool sign = code == '+' || code == '-';
  if (sign) {
    if (selStart != 0) return text;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) selEnd = 1;  // the sign is replaced
  }
  if (code == 8) {
    if (selStart != selEnd) return text.erase(selStart, selEnd - selStart);
    return selStart == 0 ? text : text.erase(selStart - 1, 1);
  }
  if (!(digit || sign || code == '.')) return text;  // discarded, or a tab in a one-line box
  if (text.size() - (selEnd - selStart) + 1 > kLimit) return text;
  return text.replace(selStart, selEnd - selStart, 1, static_cast<char>(code));
}

// Every caret position in `text`, all of it selected, and all but its first character.
std::vector<Selection> Selections(const std::string& text) {
  std::vector<Selection> all;
  const auto size = static_cast<DWORD>(text.size());
  for (DWORD p = 0; p <= size; ++p) all.push_back({p, p});
  if (size > 0) all.push_back({0, size});
  if (size > 1) all.push_back({1, size});
  return all;
}

std::string Describe(const std::string& text, Selection selection, unsigned code) {
  return "text \"" + text + "\" selection " + std::to_string(selection.start) + ".." +
         std::to_string(selection.end) + " code " + std::to_string(code);
}

class KeystrokesTest : public ModuleTest {
 protected:
  void SetUp() override {
    ModuleTest::SetUp();
    edit = EditOf(*session, FieldId::DstCx);
    // An edit box like the fields' but without the keystroke filter: what passing a
    // keystroke on must produce.
    plain = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", 0x50810002, 16, 200, 80, 22,
                            session->ConfigWindow(), nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(plain, WM_SETFONT, SendMessageA(edit, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(plain, EM_LIMITTEXT, kLimit, 0);
  }
  void TearDown() override { DestroyWindow(plain); }

  HWND edit = nullptr;
  HWND plain = nullptr;
};

TEST_F(KeystrokesTest, EveryCharacterCodeIsPassedOnOrDropped) {
  // With something on the clipboard, a paste that got through would show.
  PutOnClipboard(session->ConfigWindow(), std::string("77"));
  const Selection selections[] = {{2, 2}, {0, 2}, {1, 1}, {0, 0}};
  for (const Selection& selection : selections) {
    for (unsigned code = 0; code <= 255; ++code) {
      SCOPED_TRACE(Describe("12", selection, code));
      Prepare(edit, "12", selection);
      const LRESULT result = SendMessageA(edit, WM_CHAR, code, 1);
      if (Accepted(code, selection)) {
        Prepare(plain, "12", selection);
        SendMessageA(plain, WM_CHAR, code, 1);
        EXPECT_EQ(WindowText(edit), WindowText(plain));
        EXPECT_EQ(SelectionOf(edit), SelectionOf(plain));
      } else {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(WindowText(edit), "12");
        EXPECT_EQ(SelectionOf(edit), selection);
      }
    }
  }
}

TEST_F(KeystrokesTest, SignsOnlyAtTheStartAndReplacingASign) {
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
    EXPECT_EQ(WindowText(edit), c.expected);
  }
}

TEST_F(KeystrokesTest, TypedTextIsLimitedToFiveCharactersThatAllShow) {
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

TEST_F(KeystrokesTest, OtherMessagesReachTheEditBox) {
  Prepare(edit, "123", {3, 3});
  SendMessageA(edit, WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(SelectionOf(edit), (Selection{0, 0}));
  SendMessageA(edit, WM_KEYDOWN, VK_DELETE, 0);
  EXPECT_EQ(WindowText(edit), "23");
  SendMessageA(edit, EM_SETSEL, 0, -1);
  EXPECT_EQ(SelectionOf(edit), (Selection{0, 2}));
  SendMessageA(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(WindowText(edit), "");
}

// Every character code, and a few beyond one byte, at every caret position of sample texts in
// two fields, each checked against what the edit box and the filter must make of it; the
// frame after reads what the key left.
TEST_F(KeystrokesTest, EveryCharacterAtEveryCaretPositionThenAFrame) {
  constexpr FrameShape kShape{40, 30, 36, 24};
  const std::vector<std::string> samples = {"", "5", "-5", "+12", "1.5", "-3200", "12345"};
  std::vector<unsigned> codes;
  for (unsigned c = 0; c < 256; ++c) codes.push_back(c);
  for (unsigned c : {0x100u, 0x824Fu, 0xFF10u, 0xFFFFu, 0x10000u}) codes.push_back(c);
  int keystrokes = 0, frames = 0;
  for (FieldId field : {FieldId::Width, FieldId::DstCx}) {
    const HWND fieldEdit = EditOf(*session, field);
    ASSERT_NE(fieldEdit, nullptr);
    for (const std::string& sample : samples) {
      for (const Selection& sel : Selections(sample)) {
        for (unsigned code : codes) {
          SCOPED_TRACE(std::string(kFieldSpecs[Index(field)].label) + ", " +
                       Describe(sample, sel, code));
          Prepare(fieldEdit, sample, sel);
          SendMessageA(fieldEdit, WM_CHAR, code, 1);
          ++keystrokes;
          const std::string typed = TextOf(*session, field);
          ASSERT_EQ(typed, AfterKey(sample, sel, code));
          // The frame reads what the key left; every changed text and a sample of the rest.
          if (typed != sample || code % 16 == 0) {
            CheckedFrame(*session, kShape);
            ++frames;
            if (HasFailure()) return;
          }
        }
      }
    }
  }
  std::printf("keystrokes %d, frames checked %d\n", keystrokes, frames);
}

}  // namespace
}  // namespace tesselox::test
