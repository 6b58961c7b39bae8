#include "host/io/field_notice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tesselox::io {
namespace {

using F = FieldId;

// The fields after the first frame of a 1440 x 1080 input, the host reporting 1920 x 1080.
FieldStates FirstFrameFields() {
  // clang-format off
  const std::pair<FieldId, FieldState> states[] = {
      {F::SrcX, {"0", -1440, 1440}},   {F::SrcY, {"0", -1080, 1080}},
      {F::SrcCx, {"1440", -1440, 1440}}, {F::SrcCy, {"1080", -1080, 1080}},
      {F::DstX, {"0", -1920, 1920}},   {F::DstY, {"0", -1080, 1080}},
      {F::DstCx, {"640", -1920, 1920}},  {F::DstCy, {"360", -1080, 1080}},
      {F::Width, {"640", 32, 1920}},   {F::Height, {"360", 32, 1080}},
      {F::PhaseX, {"0", 0, 640}},      {F::PhaseY, {"0", 0, 360}}};
  // clang-format on
  FieldStates fields;
  for (const auto& [id, state] : states) fields[Index(id)] = state;
  return fields;
}

TEST(FieldNoticeTest, FieldIntegerTakesASignAndDigitsOnly) {
  const std::pair<const char*, std::optional<std::int32_t>> cases[] = {
      // clang-format off
      {"0", 0}, {"+5", 5}, {"-5", -5}, {"007", 7}, {"-0", 0},
      {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
      {"", {}}, {"-", {}}, {"+", {}}, {"+-5", {}}, {"--5", {}}, {"1.0", {}}, {"12a", {}},
      {" 5", {}}, {"2147483648", {}}, {"1,440", {}},
      // clang-format on
  };
  for (const auto& [text, value] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(FieldInteger(text), value);
  }
}

TEST(FieldNoticeTest, NextFrameReadsRangedFieldsAsZeroOutsideTheirRange) {
  FieldStates fields = FirstFrameFields();
  ParameterValues expected{};
  for (const FieldId id : kFieldIds) expected[Index(id)] = *FieldInteger(fields[Index(id)].text);
  EXPECT_EQ(NextFrameValues(fields), expected);
  // The text typed into a field, and what the next frame reads from it.
  const struct {
    FieldId field;
    const char* text;
    std::int32_t reads;
  } edits[] = {
      // clang-format off
      {F::SrcX, "1441", 0},      // past the range
      {F::SrcY, "-1080", -1080}, // its end
      {F::DstCx, "1.5", 0},      // no integer
      {F::DstCy, "-200", -200}, {F::Width, "5000", 5000},  // read as it stands
      {F::Height, "x", 0},
      {F::PhaseX, "600", 0},     // in 0..640, but dst cx reads 0
      {F::PhaseY, "300", 200},   // in 0..360, then limited to |dst cy|
      // clang-format on
  };
  for (const auto& e : edits) {
    fields[Index(e.field)].text = e.text;
    expected[Index(e.field)] = e.reads;
  }
  EXPECT_EQ(NextFrameValues(fields), expected);
}

struct NoticeCase {
  const char* what;
  FieldId field;
  const char* keys;
  int refused, pastLimit;  // keys refused, keys past the 5-character limit
  const char* text;        // the field's text after typing
  std::vector<std::pair<FieldId, const char*>> otherTexts;  // other fields' texts
  Size capacity;
  const char* notice;  // empty: none
};

TEST(FieldNoticeTest, SaysWhatTheFieldHoldsAndWhatTheFilterUses) {
  const NoticeCase cases[] = {
      // clang-format off
      {"as typed", F::SrcCx, "720", 0, 0, "720", {}, {1920, 1080}, ""},
      {"sign", F::SrcX, "+5", 0, 0, "+5", {}, {1920, 1080}, ""},
      {"size at its range's top", F::Width, "1920", 0, 0, "1920", {}, {1920, 1080}, ""},
      {"phase inside", F::PhaseX, "300", 0, 0, "300", {}, {1920, 1080}, ""},
      {"not an integer", F::SrcCx, "12.5", 0, 0, "12.5", {}, {1920, 1080}, "field \"src cx\" holds \"12.5\", not an integer: the filter uses 0"},
      {"cut, then out of range", F::DstCx, "123456", 0, 1, "12345", {}, {1920, 1080}, "field \"dst cx\" holds \"12345\" (typed \"123456\": 1 key past the 5-character limit), outside its range -1920..1920: the filter uses 0"},
      {"refused and cut", F::SrcY, "1a23456", 1, 1, "12345", {}, {1920, 1080}, "field \"src y\" holds \"12345\" (typed \"1a23456\": 1 key refused, 1 key past the 5-character limit), outside its range -1080..1080: the filter uses 0"},
      {"letters refused", F::SrcCx, "abc12", 3, 0, "12", {}, {1920, 1080}, "field \"src cx\" holds \"12\" (typed \"abc12\": 3 keys refused): the filter uses 12"},
      {"second sign refused", F::SrcX, "--5", 1, 0, "-5", {}, {1920, 1080}, "field \"src x\" holds \"-5\" (typed \"--5\": 1 key refused): the filter uses -5"},
      {"every key refused: the text stays", F::Width, "abc", 3, 0, "640", {}, {1920, 1080}, "field \"width\" holds \"640\" (typed \"abc\": 3 keys refused): the filter uses 640"},
      {"nothing typed", F::Width, "", 0, 0, "640", {}, {1920, 1080}, "field \"width\" holds \"640\" (typed \"\": nothing): the filter uses 640"},
      {"control character", F::DstX, "1\n2", 1, 0, "12", {}, {1920, 1080}, "field \"dst x\" holds \"12\" (typed \"1\\x0a2\": 1 key refused): the filter uses 12"},
      {"width below its range", F::Width, "5", 0, 0, "5", {}, {1920, 1080}, "field \"width\" holds \"5\", below its range 32..1920: the filter uses 5"},
      {"negative height", F::Height, "-500", 0, 0, "-500", {}, {1920, 1080}, "field \"height\" holds \"-500\", below its range 32..1080: the filter uses 500"},
      {"width above its range and the capacity", F::Width, "5000", 0, 0, "5000", {}, {1920, 1080}, "field \"width\" holds \"5000\", above its range 32..1920: the filter uses 1920, the buffers' capacity"},
      {"width above its range within the capacity", F::Width, "3000", 0, 0, "3000", {}, {4000, 1080}, "field \"width\" holds \"3000\", above its range 32..1920: the filter uses 3000"},
      {"width in range, capacity smaller", F::Width, "1000", 0, 0, "1000", {}, {800, 600}, "field \"width\" holds \"1000\": the filter uses 800, the buffers' capacity"},
      {"phase outside its range", F::PhaseX, "700", 0, 0, "700", {}, {1920, 1080}, "field \"phase x\" holds \"700\", outside its range 0..640: the filter uses 0"},
      {"phase limited by the new dst cx", F::PhaseX, "500", 0, 0, "500", {{F::DstCx, "-100"}}, {1920, 1080}, "field \"phase x\" holds \"500\", above its range at the next frame 0..100: the filter uses 100"},
      {"phase limited by a dst cy that reads 0", F::PhaseY, "300", 0, 0, "300", {{F::DstCy, "5000"}}, {1920, 1080}, "field \"phase y\" holds \"300\", above its range at the next frame 0..0: the filter uses 0"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FieldStates fields = FirstFrameFields();
    fields[Index(c.field)].text = c.text;
    for (const auto& [other, text] : c.otherTexts) fields[Index(other)].text = text;
    const Typing typing{c.keys, c.refused, c.pastLimit, 5};
    const auto notice = FieldNotice(c.field, typing, fields, c.capacity);
    EXPECT_EQ(notice.value_or(""), c.notice);
  }
}

}  // namespace
}  // namespace tesselox::io
