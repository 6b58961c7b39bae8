#include <gtest/gtest.h>

#include <png.h>

#include <string>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/picture_file.h"
#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

struct PngCase {
  const char* what;
  PngLayout layout;
  std::vector<Channels> pixels;
  bool alphaNotice = false;
};

TEST(PngFileTest, DecodesEveryColourTypeAndDepthExactly) {
  const PngCase cases[] = {
      {"grey, 1 bit",
       {.width = 3, .colourType = PNG_COLOR_TYPE_GRAY, .depth = 1, .rows = {0xa0}},
       {Grey(65535), Grey(0), Grey(65535)}},
      {"grey, 2 bits",
       {.width = 4, .colourType = PNG_COLOR_TYPE_GRAY, .depth = 2, .rows = {0x1b}},
       {Grey(0), Grey(85 * 257), Grey(170 * 257), Grey(65535)}},
      {"grey, 4 bits",
       {.width = 2, .colourType = PNG_COLOR_TYPE_GRAY, .depth = 4, .rows = {0x7f}},
       {Grey(119 * 257), Grey(65535)}},
      {"grey, 16 bits, big-endian in the file",
       {.width = 2,
        .colourType = PNG_COLOR_TYPE_GRAY,
        .depth = 16,
        .rows = {0x12, 0x34, 0xff, 0xfe}},
       {Grey(0x1234), Grey(0xfffe)}},
      {"RGB, 8 bits",
       {.width = 1, .colourType = PNG_COLOR_TYPE_RGB, .rows = {1, 2, 255}},
       {{257, 514, 65535}}},
      {"RGB, 16 bits",
       {.width = 1,
        .colourType = PNG_COLOR_TYPE_RGB,
        .depth = 16,
        .rows = {0x01, 0x02, 0x80, 0x01, 0xff, 0xff}},
       {{0x0102, 0x8001, 0xffff}}},
      {"palette, 2 bits",
       {.width = 3,
        .colourType = PNG_COLOR_TYPE_PALETTE,
        .depth = 2,
        .rows = {0x24},
        .palette = {{{10, 20, 30}}, {{40, 50, 60}}, {{70, 80, 90}}}},
       {{10 * 257, 20 * 257, 30 * 257},
        {70 * 257, 80 * 257, 90 * 257},
        {40 * 257, 50 * 257, 60 * 257}}},
      {"grey and alpha, the alpha dropped",
       {.width = 1, .colourType = PNG_COLOR_TYPE_GRAY_ALPHA, .rows = {100, 7}},
       {Grey(100 * 257)},
       true},
      {"RGBA, 16 bits, the alpha dropped",
       {.width = 1,
        .colourType = PNG_COLOR_TYPE_RGB_ALPHA,
        .depth = 16,
        .rows = {0, 1, 0, 2, 0, 3, 0, 4}},
       {{1, 2, 3}},
       true},
      {"palette with transparency",
       {.width = 1,
        .colourType = PNG_COLOR_TYPE_PALETTE,
        .rows = {1},
        .palette = {{{1, 2, 3}}, {{4, 5, 6}}},
        .transparency = {0}},
       {{4 * 257, 5 * 257, 6 * 257}},
       true},
      {"grey with a transparent value",
       {.width = 2, .colourType = PNG_COLOR_TYPE_GRAY, .rows = {9, 10}, .transparency = {9}},
       {Grey(9 * 257), Grey(10 * 257)},
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(DecodeWhole(PngFile(c.layout), "pic.png"),
              (Decoded{c.layout.width, c.layout.height, c.pixels,
                       AlphaNotice("pic.png", c.alphaNotice)}));
  }
}

// Sixteen-bit values that differ in both bytes, per channel and per pixel.
Picture SixteenBitPicture(std::int32_t width, std::int32_t height) {
  Picture image(width, height);
  std::uint32_t v = 0x1234;
  for (Pixel& p : image.pixels) {
    for (auto& b : p.bytes) {
      v = v * 1103515245u + 12345u;
      b = static_cast<std::uint8_t>(v >> 16);
    }
  }
  return image;
}

TEST(PngFileTest, InterlacedPicturesComeOutInPlace) {
  const int w = 13, h = 11;
  std::vector<std::uint8_t> rows;
  for (int k = 0; k < w * h * 6; ++k) rows.push_back(static_cast<std::uint8_t>(k * 7 + k / 5));
  PngLayout layout{.width = w,
                   .height = h,
                   .colourType = PNG_COLOR_TYPE_RGB,
                   .depth = 16,
                   .interlaced = true,
                   .rows = rows};
  const Picture image = DecodePicture(PngFile(layout), "interlaced.png");
  layout.interlaced = false;
  EXPECT_EQ(ChannelsOf(image), ChannelsOf(DecodePicture(PngFile(layout), "plain.png")));
  EXPECT_EQ(Channel(image.At(12, 10), 2), rows[rows.size() - 2] << 8 | rows.back());
}

TEST(PngFileTest, SixteenBitOutputKeepsEveryBitAndEightBitOutputRounds) {
  const Picture image = SixteenBitPicture(17, 9);
  const Picture exact = DecodePicture(EncodePng(image, 16), "16.png");
  EXPECT_EQ(ChannelsOf(exact), ChannelsOf(image));
  const Picture rounded = DecodePicture(EncodePng(image, 8), "8.png");
  ASSERT_EQ(rounded.pixels.size(), image.pixels.size());
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(Channel(rounded.pixels[k], c), ChannelToByte(Channel(image.pixels[k], c)) * 257)
          << k;
    }
  }
  EXPECT_EQ(EncodePng(image), EncodePng(image, 8));
  EXPECT_THROW(EncodePng(image, 12), IoError);
}

std::vector<std::uint8_t> WithCrcOff(std::vector<std::uint8_t> png, std::size_t at) {
  png[at] ^= 1;
  return png;
}

TEST(PngFileTest, RefusesDamagedFilesWithOneLine) {
  const auto png = PngFile({.width = 40,
                            .height = 30,
                            .colourType = PNG_COLOR_TYPE_RGB,
                            .rows = std::vector<std::uint8_t>(40 * 30 * 3, 0x5a)});
  auto Cut = [&](std::size_t size) {
    return std::vector<std::uint8_t>(png.begin(), png.begin() + size);
  };
  auto Sized = [&](std::uint32_t width, std::uint32_t height) {
    // Only the header's size fields change: the decoder must refuse before reading further.
    auto bytes = png;
    for (int k = 0; k < 4; ++k) {
      bytes[16 + k] = static_cast<std::uint8_t>(width >> (24 - 8 * k));
      bytes[20 + k] = static_cast<std::uint8_t>(height >> (24 - 8 * k));
    }
    return bytes;
  };
  const struct {
    std::vector<std::uint8_t> bytes;
    std::string message;
  } cases[] = {
      {Cut(8), "unreadable PNG (the file is truncated)"},
      {Cut(30), "unreadable PNG (the file is truncated)"},
      {Cut(png.size() - 20), "unreadable PNG (the file is truncated)"},
      {WithCrcOff(png, 30), "unreadable PNG (IHDR: CRC error)"},
      {Sized(20000, 1), "the picture is 20000 x 1 pixels, more than the limit of 16384 per side"},
      {Sized(0x80000000u, 1),
       "the picture is 2147483648 x 1 pixels, more than the limit of 16384 per side"},
      {Sized(16384, 16384),
       "the picture is 16384 x 16384 pixels (268435456), more than the limit of 67108864 pixels"},
      {Sized(0, 1), "the picture is 0 x 1 pixels, which is empty"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(RefusalOf(c.bytes, "pic.png"), "pic.png: " + c.message);
  }
}

}  // namespace
}  // namespace tesselox::io::test
