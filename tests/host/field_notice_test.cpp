#include "host/io/field_notice.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tesselox::io {
namespace {

enum Field { kSrcX, kSrcY, kSrcCx, kSrcCy, kDstX, kDstY, kDstCx, kDstCy, kW, kH, kPhX, kPhY };

// The fields after the first frame of a 1440 x 1080 input, the host reporting 1920 x 1080.
FieldStates FirstFrameFields() {
  return {{{"0", -1440, 1440},
           {"0", -1080, 1080},
           {"1440", -1440, 1440},
           {"1080", -1080, 1080},
           {"0", -1920, 1920},
           {"0", -1080, 1080},
           {"640", -1920, 1920},
           {"360", -1080, 1080},
           {"640", 32, 1920},
           {"360", 32, 1080},
           {"0", 0, 640},
           {"0", 0, 360}}};
}

TEST(FieldNoticeTest, FieldIntegerTakesASignAndDigitsOnly) {
  const struct {
    const char* text;
    std::optional<std::int32_t> value;
  } cases[] = {
      {"0", 0},
      {"+5", 5},
      {"-5", -5},
      {"007", 7},
      {"-0", 0},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"", {}},
      {"-", {}},
      {"+", {}},
      {"+-5", {}},
      {"--5", {}},
      {"1.0", {}},
      {"12a", {}},
      {" 5", {}},
      {"2147483648", {}},
      {"1,440", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(FieldInteger(c.text), c.value);
  }
}

TEST(FieldNoticeTest, NextFrameReadsRangedFieldsAsZeroOutsideTheirRange) {
  FieldStates fields = FirstFrameFields();
  EXPECT_EQ(NextFrameValues(fields),
            (std::array<std::int32_t, 12>{0, 0, 1440, 1080, 0, 0, 640, 360, 640, 360, 0, 0}));
  const std::pair<Field, const char*> texts[] = {
      {kSrcX, "1441"},                  // past the range
      {kSrcY, "-1080"},                 // its end
      {kDstCx, "1.5"},                  // no integer
      {kDstCy, "-200"}, {kW, "5000"},   // read as it stands
      {kH, "x"},        {kPhX, "600"},  // in 0..640, but dst cx reads 0
      {kPhY, "300"},                    // in 0..360, then limited to |dst cy|
  };
  for (const auto& [field, text] : texts) fields[field].text = text;
  EXPECT_EQ(NextFrameValues(fields),
            (std::array<std::int32_t, 12>{0, -1080, 1440, 1080, 0, 0, 0, -200, 5000, 0, 0, 200}));
}

TEST(FieldNoticeTest, SaysWhatTheFieldHoldsAndWhatTheFilterUses) {
  const struct {
    const char* what;
    Field field;
    const char* keys;
    int refused, pastLimit;  // keys refused, keys past the 5-character limit
    const char* text;        // the field's text after typing
    std::vector<std::pair<Field, const char*>> otherTexts;  // other fields' texts
    Size capacity;
    const char* notice;  // empty: none
  } cases[] = {
      {"as typed", kSrcCx, "720", 0, 0, "720", {}, {1920, 1080}, ""},
      {"sign", kSrcX, "+5", 0, 0, "+5", {}, {1920, 1080}, ""},
      {"size at its range's top", kW, "1920", 0, 0, "1920", {}, {1920, 1080}, ""},
      {"phase inside", kPhX, "300", 0, 0, "300", {}, {1920, 1080}, ""},
      {"not an integer",
       kSrcCx,
       "12.5",
       0,
       0,
       "12.5",
       {},
       {1920, 1080},
       "field \"src cx\" holds \"12.5\", not an integer: the filter uses 0"},
      {"cut, then out of range",
       kDstCx,
       "123456",
       0,
       1,
       "12345",
       {},
       {1920, 1080},
       "field \"dst cx\" holds \"12345\" (typed \"123456\": 1 key past the 5-character limit), "
       "outside its range -1920..1920: the filter uses 0"},
      {"refused and cut",
       kSrcY,
       "1a23456",
       1,
       1,
       "12345",
       {},
       {1920, 1080},
       "field \"src y\" holds \"12345\" (typed \"1a23456\": 1 key refused, 1 key past the "
       "5-character limit), outside its range -1080..1080: the filter uses 0"},
      {"letters refused",
       kSrcCx,
       "abc12",
       3,
       0,
       "12",
       {},
       {1920, 1080},
       "field \"src cx\" holds \"12\" (typed \"abc12\": 3 keys refused): the filter uses 12"},
      {"second sign refused",
       kSrcX,
       "--5",
       1,
       0,
       "-5",
       {},
       {1920, 1080},
       "field \"src x\" holds \"-5\" (typed \"--5\": 1 key refused): the filter uses -5"},
      {"every key refused: the text stays",
       kW,
       "abc",
       3,
       0,
       "640",
       {},
       {1920, 1080},
       "field \"width\" holds \"640\" (typed \"abc\": 3 keys refused): the filter uses 640"},
      {"nothing typed",
       kW,
       "",
       0,
       0,
       "640",
       {},
       {1920, 1080},
       "field \"width\" holds \"640\" (typed \"\": nothing): the filter uses 640"},
      {"control character",
       kDstX,
       "1\n2",
       1,
       0,
       "12",
       {},
       {1920, 1080},
       "field \"dst x\" holds \"12\" (typed \"1\\x0a2\": 1 key refused): the filter uses 12"},
      {"width below its range",
       kW,
       "5",
       0,
       0,
       "5",
       {},
       {1920, 1080},
       "field \"width\" holds \"5\", below its range 32..1920: the filter uses 5"},
      {"negative height",
       kH,
       "-500",
       0,
       0,
       "-500",
       {},
       {1920, 1080},
       "field \"height\" holds \"-500\", below its range 32..1080: the filter uses 500"},
      {"width above its range and the capacity",
       kW,
       "5000",
       0,
       0,
       "5000",
       {},
       {1920, 1080},
       "field \"width\" holds \"5000\", above its range 32..1920: the filter uses 1920, the "
       "buffers' capacity"},
      {"width above its range within the capacity",
       kW,
       "3000",
       0,
       0,
       "3000",
       {},
       {4000, 1080},
       "field \"width\" holds \"3000\", above its range 32..1920: the filter uses 3000"},
      {"width in range, capacity smaller",
       kW,
       "1000",
       0,
       0,
       "1000",
       {},
       {800, 600},
       "field \"width\" holds \"1000\": the filter uses 800, the buffers' capacity"},
      {"phase outside its range",
       kPhX,
       "700",
       0,
       0,
       "700",
       {},
       {1920, 1080},
       "field \"phase x\" holds \"700\", outside its range 0..640: the filter uses 0"},
      {"phase limited by the new dst cx",
       kPhX,
       "500",
       0,
       0,
       "500",
       {{kDstCx, "-100"}},
       {1920, 1080},
       "field \"phase x\" holds \"500\", above its range at the next frame 0..100: the filter "
       "uses 100"},
      {"phase limited by a dst cy that reads 0",
       kPhY,
       "300",
       0,
       0,
       "300",
       {{kDstCy, "5000"}},
       {1920, 1080},
       "field \"phase y\" holds \"300\", above its range at the next frame 0..0: the filter "
       "uses 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    FieldStates fields = FirstFrameFields();
    fields[c.field].text = c.text;
    for (const auto& [other, text] : c.otherTexts) fields[other].text = text;
    const Typing typing{c.keys, c.refused, c.pastLimit, 5};
    const auto notice = FieldNotice(c.field, typing, fields, c.capacity);
    EXPECT_EQ(notice.value_or(""), c.notice);
  }
}

}  // namespace
}  // namespace tesselox::io
