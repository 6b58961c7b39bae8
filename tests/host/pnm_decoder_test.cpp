#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

using namespace std::string_literals;

constexpr std::uint16_t kWhite = 65535;

struct PictureCase {
  const char* what;
  std::string bytes;
  std::int32_t width, height;
  std::vector<Channels> pixels;
};

void ExpectPictures(const std::vector<PictureCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeWhole(BytesOf(c.bytes), "pic"), (Decoded{c.width, c.height, c.pixels}));
  }
}

void ExpectRefusals(const std::vector<std::pair<std::string, std::string>>& cases) {
  for (const auto& [bytes, message] : cases) {
    SCOPED_TRACE(message);
    EXPECT_EQ(RefusalOf(BytesOf(bytes), "pic"), "pic: " + message);
  }
}

TEST(PnmDecoderTest, DecodesEveryKindExactly) {
  ExpectPictures({
      {"P1, 1 is black, digits need no spaces",
       "P1\n# bits\n3 2\n010\n1 1 0",
       3,
       2,
       {Grey(kWhite), Grey(0), Grey(kWhite), Grey(0), Grey(0), Grey(kWhite)}},
      {"P4, rows padded to a byte",
       "P4 10 2\n\xa5\x40\x01\xc0"s,
       10,
       2,
       {Grey(0),      Grey(kWhite), Grey(0),      Grey(kWhite), Grey(kWhite),
        Grey(0),      Grey(kWhite), Grey(0),      Grey(kWhite), Grey(0),  //
        Grey(kWhite), Grey(kWhite), Grey(kWhite), Grey(kWhite), Grey(kWhite),
        Grey(kWhite), Grey(kWhite), Grey(0),      Grey(0),      Grey(0)}},
      {"P2 with maxval 100 scaled to 16 bits",
       "P2 4 1 100\n0 1 50 100",
       4,
       1,
       {Grey(0), Grey(655), Grey(32768), Grey(kWhite)}},
      {"P3 plain colour with comments between samples",
       "P3 2 1 255\n1 2 3 # first\n 255 0 128",
       2,
       1,
       {{257, 514, 771}, {kWhite, 0, 32896}}},
      {"P3 maxval 1000", "P3 1 1 1000 1000 500 1", 1, 1, {{kWhite, 32768, 66}}},
      {"P5 8-bit, times 257",
       "P5 3 1 255\n\x00\x80\xff"s,
       3,
       1,
       {Grey(0), Grey(128 * 257), Grey(kWhite)}},
      {"P5 maxval 100", "P5 2 1 100\r\x19\x64"s, 2, 1, {Grey(16384), Grey(kWhite)}},
      {"P5 16-bit big-endian", "P5 1 1 65535\n\x01\x02"s, 1, 1, {Grey(0x0102)}},
      {"P6 maxval 1000, two bytes a sample",
       "P6 1 1 1000\n\x03\xe8\x01\xf4\x00\x01"s,
       1,
       1,
       {{kWhite, 32768, 66}}},
      {"P6 with comments in the header and data after the picture",
       "P6#c\n1#c\n1#c\n255\n\x10\x20\x30 trailing"s,
       1,
       1,
       {{0x1010, 0x2020, 0x3030}}},
      {"P5 maxval 1, whitespace byte as data",
       "P5 2 1 1\n\x01\x00"s,
       2,
       1,
       {Grey(kWhite), Grey(0)}},
  });
}

TEST(PnmDecoderTest, RefusesDamagedFilesWithOneLine) {
  ExpectRefusals({
      {"P6 2 2 255", "the image data is truncated (0 of 12 bytes)"},
      {"P6 2 2 255\nabcdefghijk", "the image data is truncated (11 of 12 bytes)"},
      {"P5 2 1 256\n\x01\x02\x03", "the image data is truncated (3 of 4 bytes)"},
      {"P4 9 2\n\x01\x02\x03", "the image data is truncated (3 of 4 bytes)"},
      {"P3 2 1 255 1 2 3 4 5", "the image data is truncated (5 of 6 samples)"},
      {"P1 2 2 0 1 1", "the image data is truncated (3 of 4 samples)"},
      {"P5 10737418240 1 255\n", "the PNM width has more than 9 digits"},
      {"P2 1 1 255 0000000001", "the PNM sample has more than 9 digits"},
      {"P5 1 1 0\n\x00"s, "the PNM maximum value 0 is not 1 to 65535"},
      {"P5 1 1 65536\n\x00\x00"s, "the PNM maximum value 65536 is not 1 to 65535"},
      {"P2 2 1 100 50 101", "a sample is 101, more than the maximum value 100"},
      {"P5 1 1 100\n\x65", "a sample is 101, more than the maximum value 100"},
      {"P5 1 1 1000\n\x03\xe9", "a sample is 1001, more than the maximum value 1000"},
      {"P1 2 1 0 2", "a PBM pixel is neither 0 nor 1"},
      {"P6 2 x 255", "bad PNM header: expected the height, found \"x\""},
      {"P6 2 \x1b 255", "bad PNM header: expected the height, found \"\\x1b\""},
      {"P62 2 255", "bad PNM header: no space after the magic number"},
      {"P5 1 1 255x\x00"s, "bad PNM header: no space before the image data"},
      {"P6 2 2", "the PNM header ends before the maximum value"},
      {"P3 1 1 255 7 x 9", "bad PNM data: expected the sample, found \"x\""},
      {"P6 0 4 255\n", "the picture is 0 x 4 pixels, which is empty"},
      {"P5 16385 1 255\n",
       "the picture is 16385 x 1 pixels, more than the limit of 16384 per side"},
  });
}

}  // namespace
}  // namespace tesselox::io::test
