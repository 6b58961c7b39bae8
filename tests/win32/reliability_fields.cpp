// Hostile input into the real fields: every character code typed at every caret position of
// sample texts, and texts put in by WM_SETTEXT and WM_PASTE (which pass by the keystroke filter,
// and WM_SETTEXT by the length limit too). After each, the field must hold what the edit box and
// the filter make of it, and the next frame must read it as defined and render inside the
// buffers.

#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "reliability_support.h"

namespace tesselox::test {
namespace {

constexpr FrameShape kShape{40, 30, 36, 24};
constexpr std::size_t kLimit = 5;

// What the edit box must show after `code` is sent as WM_CHAR with [selStart, selEnd) selected.
std::string AfterKey(std::string text, std::size_t selStart, std::size_t selEnd, unsigned code) {
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

std::vector<unsigned> AllCodes() {
  std::vector<unsigned> codes;
  for (unsigned c = 0; c < 256; ++c) codes.push_back(c);
  for (unsigned c : {0x100u, 0x824Fu, 0xFF10u, 0xFFFFu, 0x10000u}) codes.push_back(c);
  return codes;
}

struct Selection {
  std::size_t start, end;
};

std::vector<Selection> Selections(const std::string& text) {
  std::vector<Selection> all;
  for (std::size_t p = 0; p <= text.size(); ++p) all.push_back({p, p});
  if (!text.empty()) all.push_back({0, text.size()});
  if (text.size() > 1) all.push_back({1, text.size()});
  return all;
}

TEST(ReliabilityFieldsTest, EveryCharacterAtEveryCaretPosition) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const std::vector<std::string> samples = {"", "5", "-5", "+12", "1.5", "-3200", "12345"};
  const std::vector<unsigned> codes = AllCodes();
  int keystrokes = 0, frames = 0;
  for (FieldId field : {FieldId::Width, FieldId::DstCx}) {
    const HWND edit = EditOf(*session, field);
    ASSERT_NE(edit, nullptr);
    for (const std::string& sample : samples) {
      for (const Selection& sel : Selections(sample)) {
        for (unsigned code : codes) {
          SCOPED_TRACE("field " + std::to_string(Index(field)) + " text \"" + sample +
                       "\" selection " + std::to_string(sel.start) + ".." +
                       std::to_string(sel.end) + " code " + std::to_string(code));
          SetText(*session, field, sample);
          SendMessageA(edit, EM_SETSEL, sel.start, static_cast<LPARAM>(sel.end));
          SendMessageA(edit, WM_CHAR, code, 1);
          ++keystrokes;
          const std::string typed = TextOf(*session, field);
          ASSERT_EQ(typed, AfterKey(sample, sel.start, sel.end, code));
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

const std::vector<std::string> kHostileTexts = {"",
                                                "-",
                                                "+",
                                                ".",
                                                "-0",
                                                "+0",
                                                "+-1",
                                                "-+1",
                                                "--1",
                                                "1e3",
                                                " 5",
                                                "5 ",
                                                "\t5",
                                                "+5",
                                                "+12",
                                                "1,440",
                                                ",,,,5",
                                                "1,4,4,0",
                                                "12,345",
                                                "1.5",
                                                "12-",
                                                "0x10",
                                                "00012",
                                                "-0012",
                                                "2147483648",
                                                "-2147483648",
                                                "2147483647",
                                                "99999",
                                                "-9999",
                                                "123456",
                                                "12345678901234567890",
                                                std::string(300, '9'),
                                                std::string(3000, '7'),
                                                "\xA9",
                                                "\xE9\xE9",
                                                "5\xB1",
                                                "\x81\x40",
                                                "\x82\x4F",
                                                "\x82\x50\x82\x51",  // code page 932
                                                "\x93\xFA\x96\x7B",
                                                "1\x82\x4F",
                                                "12345\x82\x4F",
                                                "\xFF\xFF\xFF\xFF\xFF\xFF",
                                                "5\r\n6",
                                                "\r\n"};

// Puts `text` on the clipboard and pastes it over the whole field.
bool Paste(LoadedModule& session, FieldId field, const std::string& text) {
  if (!OpenClipboard(session.OwnerWindow())) return false;
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  if (memory == nullptr) {
    CloseClipboard();
    return false;
  }
  std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
  GlobalUnlock(memory);
  const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
  if (!placed) GlobalFree(memory);
  CloseClipboard();
  const HWND edit = EditOf(session, field);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_PASTE, 0, 0);
  return placed;
}

// The text a field shows after the frame's refresh: the decimal form of a value inside the range.
void ExpectCanonicalWithin(LoadedModule& session, FieldId field, std::int32_t low,
                           std::int32_t high) {
  const std::string text = TextOf(session, field);
  const std::int32_t v = ExpectedRead(text);
  EXPECT_EQ(text, std::to_string(v)) << "field " << Index(field);
  EXPECT_GE(v, low) << "field " << Index(field);
  EXPECT_LE(v, high) << "field " << Index(field);
  const host::FieldRange range = RangeOf(session, field);
  EXPECT_EQ(range.low, low);
  EXPECT_EQ(range.high, high);
}

TEST(ReliabilityFieldsTest, HostileTextsBySetTextAndPaste) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  const std::vector<FieldId> fields = {FieldId::Width, FieldId::Height, FieldId::SrcX,
                                       FieldId::SrcCy, FieldId::DstCx,  FieldId::PhaseX};
  int tried = 0;
  for (bool paste : {false, true}) {
    for (FieldId field : fields) {
      for (const std::string& text : kHostileTexts) {
        SCOPED_TRACE(std::string(paste ? "paste" : "settext") + " into field " +
                     std::to_string(Index(field)) + ": \"" + text.substr(0, 24) + "\"");
        // Start each from the initial texts, so one text's leftovers do not hide another's.
        for (int k = 0; k < kFieldCount; ++k) {
          static const char* const kInitial[] = {"0",   "0",   "1440", "1080", "0", "0",
                                                 "640", "360", "640",  "360",  "0", "0"};
          SetText(*session, static_cast<FieldId>(k), kInitial[k]);
        }
        if (paste) {
          ASSERT_TRUE(Paste(*session, field, text)) << "clipboard unavailable";
          const std::string pasted = TextOf(*session, field);
          EXPECT_LE(pasted.size(), kLimit) << "a paste went past the length limit";
        } else {
          SetText(*session, field, text);
        }
        const std::string before = TextOf(*session, field);
        const ParameterValues values = CheckedFrame(*session, kShape);
        ++tried;
        ExpectCanonicalWithin(*session, FieldId::SrcX, -kShape.width, kShape.width);
        ExpectCanonicalWithin(*session, FieldId::SrcCy, -kShape.height, kShape.height);
        ExpectCanonicalWithin(*session, FieldId::DstCx, -kShape.capW, kShape.capW);
        const std::int32_t dcx = values[Index(FieldId::DstCx)];
        ExpectCanonicalWithin(*session, FieldId::PhaseX, 0, dcx < 0 ? -dcx : dcx);
        // A plain decimal inside the field's range survives the refresh; a text without a digit
        // is unreadable and becomes 0, clamped into the new range.
        if (field == FieldId::SrcX || field == FieldId::DstCx) {
          const std::int32_t limit = field == FieldId::SrcX ? kShape.width : kShape.capW;
          const bool plain = !before.empty() && before == std::to_string(ExpectedRead(before));
          const bool noDigit = before.find_first_of("0123456789") == std::string::npos;
          const std::int32_t got = values[Index(field)];
          if (plain && std::abs(ExpectedRead(before)) <= limit) {
            EXPECT_EQ(got, ExpectedRead(before));
          } else if (noDigit) {
            EXPECT_EQ(got, 0);
          }
        }
        if (HasFailure()) return;
      }
    }
  }
  std::printf("hostile texts tried %d (set and pasted into %zu fields)\n", tried, fields.size());
}

// A text longer than any 16-bit length, once: the edit box lays it out slowly under Wine.
TEST(ReliabilityFieldsTest, TextLongerThanSixtyFourKilobytes) {
  auto session = StartModule();
  ASSERT_TRUE(session->Loaded());
  for (FieldId field : {FieldId::Width, FieldId::SrcCx}) {
    SCOPED_TRACE("field " + std::to_string(Index(field)));
    SetText(*session, field, std::string(70000, '7'));
    CheckedFrame(*session, kShape);
    EXPECT_EQ(RangeOf(*session, FieldId::SrcCx).high, kShape.width);
  }
  EXPECT_EQ(TextOf(*session, FieldId::SrcCx), "0") << "an unreadable text is refreshed to 0";
}

}  // namespace
}  // namespace tesselox::test
