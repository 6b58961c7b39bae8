#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

struct BmpCase {
  const char* what;
  BmpLayout layout;
  std::vector<Channels> pixels;  // top row first
  bool alphaNotice = false;
};

TEST(BmpDecoderTest, DecodesEachLayoutExactly) {
  const std::vector<std::uint32_t> four = {0x000000, 0xff0000, 0x00ff00, 0x0000ff};
  const std::vector<std::uint32_t> grey0 = {0x808080, 0xff0000, 0x00ff00, 0x0000ff};
  const BmpCase cases[] = {
      {"24-bit bottom-up, rows padded",
       {.width = 2,
        .height = 2,
        .bits = 24,
        .data = PaddedRows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})},
       {Rgb(0x09'08'07), Rgb(0x0c'0b'0a), Rgb(0x03'02'01), Rgb(0x06'05'04)}},
      {"24-bit top-down",
       {.width = 1, .height = -2, .bits = 24, .data = PaddedRows({{1, 2, 3}, {4, 5, 6}})},
       {Rgb(0x03'02'01), Rgb(0x06'05'04)}},
      {"1-bit palette, 10 wide",
       {.width = 10,
        .bits = 1,
        .palette = {0x102030, 0xa0b0c0},
        .data = PaddedRows({{0x81, 0x40}})},
       {Rgb(0xa0b0c0), Rgb(0x102030), Rgb(0x102030), Rgb(0x102030), Rgb(0x102030), Rgb(0x102030),
        Rgb(0x102030), Rgb(0xa0b0c0), Rgb(0x102030), Rgb(0xa0b0c0)}},
      {"4-bit palette, odd width",
       {.width = 3, .bits = 4, .colours = 4, .palette = four, .data = PaddedRows({{0x12, 0x30}})},
       {Rgb(0xff0000), Rgb(0x00ff00), Rgb(0x0000ff)}},
      {"8-bit with a short palette",
       {.width = 3,
        .bits = 8,
        .colours = 2,
        .palette = {0x010203, 0xfffefd},
        .data = PaddedRows({{1, 0, 1}})},
       {Rgb(0xfffefd), Rgb(0x010203), Rgb(0xfffefd)}},
      {"core header, 8-bit, three-byte palette",
       {.headerSize = 12,
        .width = 2,
        .bits = 8,
        .palette = std::vector(256, 0x445566u),
        .data = PaddedRows({{0, 255}})},
       {Rgb(0x445566), Rgb(0x445566)}},
      {"16-bit 5-5-5 without masks",
       {.width = 2, .bits = 16, .data = PaddedRows({{0x00, 0x7c, 0x1f, 0x00}})},
       {{65535, 0, 0}, {0, 0, 65535}}},
      {"16-bit 5-6-5 from bit fields after a 40-byte header",
       {.width = 2,
        .bits = 16,
        .compression = kBmpBitFields,
        .masks = {0xf800, 0x07e0, 0x001f},
        .data = PaddedRows({{0x20, 0x00, 0x1f, 0xf8}})},
       {{0, 65535 / 63, 0}, {65535, 0, 65535}}},
      {"32-bit BGRX ignores the fourth byte",
       {.width = 1, .bits = 32, .data = {0x10, 0x20, 0x30, 0x99}},
       {Rgb(0x302010)}},
      {"32-bit 10-10-10 bit fields in a 124-byte header, alpha dropped",
       {.headerSize = 124,
        .width = 1,
        .bits = 32,
        .compression = kBmpBitFields,
        .masks = {0x3ff00000, 0x000ffc00, 0x000003ff, 0xc0000000},
        .data = {0x01, 0x00, 0xf8, 0xff}},  // R 1023, G 512, B 1, alpha 3
       {{65535, 32800, 64}},
       true},
      // Pixels the RLE data skips are black, not palette entry 0.
      {"RLE8: runs, an absolute run, ends of line, a delta and the end mark",
       {.width = 4,
        .height = 3,
        .bits = 8,
        .compression = kBmpRle8,
        .palette = grey0,
        .data = {3, 1, 0, 0,                           // bottom row: 1 1 1, then end of line
                 0, 3, 2, 3, 2, 0,                     // middle row: absolute 2 3 2, padded
                 0, 0, 0, 2, 2, 0,                     // end of line; delta two to the right
                 2, 3, 0, 1}},                         // top row from x = 2: 3 3; end of picture
       {Rgb(0), Rgb(0), Rgb(0x0000ff), Rgb(0x0000ff),  //
        Rgb(0x00ff00), Rgb(0x0000ff), Rgb(0x00ff00), Rgb(0), Rgb(0xff0000), Rgb(0xff0000),
        Rgb(0xff0000), Rgb(0)}},
      {"RLE4: alternating runs and a nibble-packed absolute run",
       {.width = 5,
        .bits = 4,
        .compression = kBmpRle4,
        .palette = grey0,
        .data = {2, 0x12, 0, 3, 0x30, 0x10, 0, 1}},
       {Rgb(0xff0000), Rgb(0x00ff00), Rgb(0x0000ff), Rgb(0x808080), Rgb(0xff0000)}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeWhole(BmpFile(c.layout), "pic.bmp"),
              (Decoded{c.layout.width, std::abs(c.layout.height), c.pixels,
                       AlphaNotice("pic.bmp", c.alphaNotice)}));
  }
}

std::vector<std::uint8_t> Patched(std::vector<std::uint8_t> bytes, std::size_t at,
                                  std::vector<std::uint8_t> with) {
  std::copy(with.begin(), with.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  return bytes;
}

TEST(BmpDecoderTest, RefusesDamagedOrUnsupportedFilesWithOneLine) {
  // 32 x 16 at 24 bits: 1536 bytes of pixels after a 54-byte header.
  const std::vector<std::uint8_t> full =
      BmpFile({.width = 32, .height = 16, .bits = 24, .data = std::vector<std::uint8_t>(1536, 7)});
  const std::vector<std::uint32_t> two = {0, 0xffffff};
  const struct {
    std::vector<std::uint8_t> bytes;
    std::string message;
  } cases[] = {
      {Cut(full, 100), "the image data is truncated (46 of 1536 bytes)"},
      {Cut(full, full.size() / 2), "the image data is truncated (741 of 1536 bytes)"},
      {Cut(full, full.size() - 1), "the image data is truncated (1535 of 1536 bytes)"},
      {Cut(full, 10), "the BMP header is truncated (10 of 18 bytes)"},
      {Cut(full, 40), "the BMP header is truncated (40 of 54 bytes)"},
      {BmpFile({.headerSize = 64}), "a BMP header of 64 bytes is not supported"},
      {BmpFile({.width = 20000, .height = 20000}),
       "the picture is 20000 x 20000 pixels, more than the limit of 16384 per side"},
      {BmpFile({.width = 8192, .height = -8193}),
       "the picture is 8192 x 8193 pixels (67117056), more than the limit of 67108864 pixels"},
      {BmpFile({.width = 1, .height = INT32_MIN}),
       "the picture is 1 x 2147483648 pixels, more than the limit of 16384 per side"},
      {BmpFile({.width = 0, .height = 5}), "the picture is 0 x 5 pixels, which is empty"},
      {BmpFile({.width = -3, .height = 5}), "the picture is -3 x 5 pixels, which is empty"},
      {BmpFile({.bits = 2}), "a 2-bit BMP with compression 0 is not supported"},
      {BmpFile({.bits = 24, .compression = kBmpJpeg}), "a 24-bit BMP with JPEG is not supported"},
      {BmpFile({.bits = 24, .compression = kBmpRle8}),
       "a 24-bit BMP with compression 1 is not supported"},
      {BmpFile({.height = -1, .bits = 8, .compression = kBmpRle8, .palette = two, .data = {0, 1}}),
       "a top-down BMP cannot be RLE-compressed"},
      {BmpFile({.width = 2, .bits = 1, .colours = 1, .palette = {0}, .data = {0x40, 0, 0, 0}}),
       "a BMP pixel refers to palette entry 1 of 1"},
      {BmpFile({.bits = 8, .data = {0, 0, 0, 0}}), "a BMP pixel refers to palette entry 0 of 0"},
      {BmpFile({.bits = 16, .compression = kBmpBitFields, .masks = {0xf00f, 0x0f00, 0x00f0}}),
       "a BMP bit mask has gaps"},
      {BmpFile({.bits = 16, .compression = kBmpBitFields, .masks = {0xff00, 0x0ff0, 0x000f}}),
       "the BMP bit masks overlap"},
      {BmpFile({.bits = 16, .compression = kBmpBitFields, .masks = {0xf0000, 0xf0, 0xf}}),
       "a BMP bit mask does not fit in 16 bits"},
      {Patched(full, 10, {0xff, 0xff, 0, 0}),
       "the BMP pixel data offset 65535 lies past the end of the file"},
      {Patched(full, 10, {20, 0, 0, 0}), "the BMP pixel data offset 20 lies inside the header"},
      {BmpFile(
           {.width = 2, .bits = 8, .compression = kBmpRle8, .palette = two, .data = {3, 1, 0, 1}}),
       "a BMP RLE run goes past the end of a row"},
      {BmpFile(
           {.width = 2, .bits = 8, .compression = kBmpRle8, .palette = two, .data = {0, 2, 3, 0}}),
       "a BMP RLE delta leaves the picture"},
      {BmpFile({.width = 2,
                .bits = 8,
                .compression = kBmpRle8,
                .palette = two,
                .data = {0, 0, 1, 1, 0, 1}}),
       "the BMP's RLE data goes past the last row"},
      {BmpFile({.width = 2,
                .height = 2,
                .bits = 8,
                .compression = kBmpRle8,
                .palette = two,
                .data = {2, 1, 0, 0, 1}}),
       "the image data is truncated (the RLE data ends in row 2 of 2)"},
      {BmpFile(
           {.width = 8, .bits = 8, .compression = kBmpRle8, .palette = two, .data = {0, 5, 1, 1}}),
       "the image data is truncated (the RLE data ends in row 1 of 1)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(RefusalOf(c.bytes, "pic.bmp"), "pic.bmp: " + c.message);
  }
}

}  // namespace
}  // namespace tesselox::io::test
