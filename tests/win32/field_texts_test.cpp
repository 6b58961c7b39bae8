// The fields' texts as a frame reads and refreshes them: what "width" reads as, the ranges the
// frame sets from its sizes, and texts put in past the keystroke filter (WM_SETTEXT, WM_PASTE,
// which pass by the filter, and WM_SETTEXT by the length limit too) read as defined and
// refreshed into their ranges, with the frame rendering inside the buffers.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "module_test.h"

namespace tesselox::test {
namespace {

using FieldTextsTest = ModuleTest;

constexpr FrameShape kShape{40, 30, 36, 24};
constexpr DWORD kLimit = 5;

TEST_F(FieldTextsTest, WidthFieldTextReadsAsAnInteger) {
  const struct {
    const char* text;
    std::int32_t width;
  } cases[] = {
      {"1,440", 1440}, {"+12", 12},       {"-", 0},         {"", 0},      {"1.5", 0}, {"12-", 0},
      {".", 0},        {"-640", 640},     {"1,2,3", 123},   {",,,,7", 7}, {" 12", 0}, {"0x10", 0},
      {"00012", 12},   {"123456", 12345}, {"99999", 16000}, {"+", 0},     {"1 2", 0}, {"--1", 0},
  };
  host::FrameBuffers frame(16000, 4);
  session->SetFieldText(FieldId::Height, "2");
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("\"") + c.text + "\"");
    session->SetFieldText(FieldId::Width, c.text);
    frame.SetFrameSize(64, 4);
    ASSERT_EQ(session->ProcessFrame(frame), 1);
    EXPECT_EQ(frame.Record().width, c.width);
    EXPECT_EQ(frame.Record().height, 2);
    EXPECT_EQ(session->FieldText(FieldId::Width), c.text);  // never refreshed by a frame
    EXPECT_TRUE(frame.GuardsIntact());
  }
}

TEST(FieldRangesTest, RangesAreRefreshedFromTheFrame) {
  const struct {
    std::vector<FieldText> typed;
    FieldId field;
    std::int32_t low, high;
    const char* shown;
  } cases[] = {
      {{{FieldId::DstCx, "-640"}}, FieldId::PhaseX, 0, 640, "0"},
      {{{FieldId::DstCx, "100"}, {FieldId::PhaseX, "600"}}, FieldId::PhaseX, 0, 100, "100"},
      // outside its previous range 0..640: the field cannot report it
      {{{FieldId::DstCx, "100"}, {FieldId::PhaseX, "700"}}, FieldId::PhaseX, 0, 100, "0"},
      {{{FieldId::DstCy, "-50"}, {FieldId::PhaseY, "25"}}, FieldId::PhaseY, 0, 50, "25"},
      {{{FieldId::DstCx, "0"}, {FieldId::PhaseX, "9"}}, FieldId::PhaseX, 0, 0, "0"},
      {{{FieldId::SrcX, "1.5"}}, FieldId::SrcX, -800, 800, "0"},
      {{{FieldId::SrcX, "-5"}}, FieldId::SrcX, -800, 800, "-5"},
      {{{FieldId::SrcX, "-900"}}, FieldId::SrcX, -800, 800, "0"},
      {{{FieldId::SrcX, "-799"}}, FieldId::SrcX, -800, 800, "-799"},
      {{{FieldId::SrcCy, "-9999"}}, FieldId::SrcCy, -600, 600, "0"},
      {{{FieldId::DstY, "1.2"}}, FieldId::DstY, -700, 700, "0"},
      {{{FieldId::DstCy, "-"}}, FieldId::DstCy, -700, 700, "0"},
      {{{FieldId::DstCx, "-3200"}}, FieldId::DstCx, -3200, 3200, "-3200"},
      {{{FieldId::Width, "3"}}, FieldId::Width, 32, 1920, "3"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(Label(c.field)) + " <- " + c.typed.front().text);
    auto session = StartModule();
    ASSERT_TRUE(session->Loaded());
    host::FrameBuffers frame(3200, 700);
    frame.SetFrameSize(800, 600);
    ASSERT_EQ(session->ProcessFrame(frame), 1);
    for (const auto& t : c.typed) session->TypeIntoField(t.field, t.text);
    frame.SetFrameSize(800, 600);
    ASSERT_EQ(session->ProcessFrame(frame), 1);
    EXPECT_EQ(session->Range(c.field).low, c.low);
    EXPECT_EQ(session->Range(c.field).high, c.high);
    EXPECT_EQ(session->FieldText(c.field), c.shown);
  }
}

// clang-format off
const std::vector<std::string> kHostileTexts = {
    "", "-", "+", ".", "-0", "+0", "+-1", "-+1", "--1", "1e3", " 5", "5 ", "\t5", "+5", "+12",
    "1,440", ",,,,5", "1,4,4,0", "12,345", "1.5", "12-", "0x10", "00012", "-0012",
    "2147483648", "-2147483648", "2147483647", "99999", "-9999", "123456", "12345678901234567890",
    std::string(300, '9'), std::string(3000, '7'),
    "\xA9", "\xE9\xE9", "5\xB1", "\x81\x40", "\x82\x4F",
    "\x82\x50\x82\x51",  // code page 932
    "\x93\xFA\x96\x7B", "1\x82\x4F", "12345\x82\x4F", "\xFF\xFF\xFF\xFF\xFF\xFF", "5\r\n6", "\r\n"};
// clang-format on

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

TEST_F(FieldTextsTest, HostileTextsBySetTextAndPaste) {
  const std::vector<FieldId> fields = {FieldId::Width, FieldId::Height, FieldId::SrcX,
                                       FieldId::SrcCy, FieldId::DstCx,  FieldId::PhaseX};
  int tried = 0;
  for (bool paste : {false, true}) {
    for (FieldId field : fields) {
      for (const std::string& text : kHostileTexts) {
        SCOPED_TRACE(std::string(paste ? "paste" : "settext") + " into field " +
                     std::to_string(Index(field)) + ": \"" + text.substr(0, 24) + "\"");
        // Start each from the initial texts, so one text's leftovers do not hide another's.
        for (const FieldId id : kFieldIds)
          SetText(*session, id, std::to_string(kFieldSpecs[Index(id)].initial));
        if (paste) {
          ASSERT_TRUE(PutOnClipboard(session->OwnerWindow(), text)) << "clipboard unavailable";
          SendMessageA(EditOf(*session, field), EM_SETSEL, 0, -1);
          SendMessageA(EditOf(*session, field), WM_PASTE, 0, 0);
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
TEST_F(FieldTextsTest, TextLongerThanSixtyFourKilobytes) {
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
