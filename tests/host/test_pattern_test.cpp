#include "host/io/test_pattern.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <vector>

namespace tesselox::io {
namespace {

std::array<int, 3> Rgb(const Picture& image, int x, int y) {
  const Pixel& p = image.At(x, y);
  return {Channel(p, 0) / 257, Channel(p, 1) / 257, Channel(p, 2) / 257};
}

bool Same(const Pixel& a, const Pixel& b) {
  for (int k = 0; k < 6; ++k) {
    if (a.bytes[k] != b.bytes[k]) return false;
  }
  return true;
}

TEST(TestPatternTest, DefaultPatternHasBarsRampAndGrid) {
  const Picture image = MakeTestPattern();
  ASSERT_EQ(image.width, 1440);
  ASSERT_EQ(image.height, 1080);
  const std::array<std::array<int, 3>, 8> bars = {{{255, 255, 255},
                                                   {255, 255, 0},
                                                   {0, 255, 255},
                                                   {0, 255, 0},
                                                   {255, 0, 255},
                                                   {255, 0, 0},
                                                   {0, 0, 255},
                                                   {0, 0, 0}}};
  for (int k = 0; k < 8; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(Rgb(image, 180 * k + 90, 135), bars[k]);
  }
  const PatternLayout layout = LayoutOfPattern(1440, 1080);
  EXPECT_EQ(layout.columns * layout.rows, 60);
  const int rampRow = (layout.barsBottom + layout.rampBottom) / 2;
  EXPECT_EQ(Rgb(image, 0, rampRow), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(Rgb(image, 1439, rampRow), (std::array<int, 3>{255, 255, 255}));
  for (int x = 1; x < 1440; ++x) {
    ASSERT_GE(Rgb(image, x, rampRow)[0], Rgb(image, x - 1, rampRow)[0]) << x;
  }
  for (const Pixel& p : image.pixels) {
    for (int c = 0; c < 3; ++c) ASSERT_EQ(Channel(p, c) % 257, 0);
  }
}

TEST(TestPatternTest, NoSizeIsSymmetricSoMirroringShows) {
  for (const auto& [w, h] :
       std::vector<std::pair<int, int>>{{1440, 1080}, {640, 360}, {97, 61}, {16, 16}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
    const Picture image = MakeTestPattern(w, h);
    bool leftRight = true, topBottom = true;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        leftRight = leftRight && Same(image.At(x, y), image.At(w - 1 - x, y));
        topBottom = topBottom && Same(image.At(x, y), image.At(x, h - 1 - y));
      }
    }
    EXPECT_FALSE(leftRight);
    EXPECT_FALSE(topBottom);
  }
}

TEST(TestPatternTest, EveryDigitAndEveryCellLabelLooksDifferent) {
  const Pixel ink = PixelFromBytes(1, 2, 3);
  std::set<std::vector<bool>> glyphs;
  for (int number = 0; number <= 60; ++number) {
    SCOPED_TRACE(number);
    Picture canvas(20, 6);
    const int drawn = DrawNumber(canvas, 1, 1, number, 1, ink);
    EXPECT_EQ(drawn, number < 10 ? 3 : 7);
    std::vector<bool> dots;
    for (const Pixel& p : canvas.pixels) dots.push_back(Same(p, ink));
    EXPECT_TRUE(glyphs.insert(dots).second) << "drawn like an earlier number";
    // Nothing outside the digits' box.
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 20; ++x) {
        if (y < 1 || y > 5 || x < 1 || x > drawn) {
          ASSERT_FALSE(Same(canvas.At(x, y), ink)) << x << "," << y;
        }
      }
    }
  }
}

TEST(TestPatternTest, NumbersAtTheEdgeAreClipped) {
  Picture canvas(4, 4);
  const Pixel ink = PixelFromBytes(9, 9, 9);
  DrawNumber(canvas, -5, -2, 88, 3, ink);
  DrawNumber(canvas, 2, 2, 8, 3, ink);
  EXPECT_TRUE(Same(canvas.At(3, 3), ink));
}

}  // namespace
}  // namespace tesselox::io
