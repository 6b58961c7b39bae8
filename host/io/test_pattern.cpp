#include "host/io/test_pattern.h"

#include <algorithm>
#include <array>
#include <string>

namespace tesselox::io {
namespace {

// 3 x 5 glyphs, one row per entry, bit 2 the left dot.
constexpr std::array<std::array<std::uint8_t, 5>, 10> kDigits = {{
    {7, 5, 5, 5, 7},  // 0
    {2, 6, 2, 2, 7},  // 1
    {7, 1, 7, 4, 7},  // 2
    {7, 1, 3, 1, 7},  // 3
    {5, 5, 7, 1, 1},  // 4
    {7, 4, 7, 1, 7},  // 5
    {7, 4, 7, 5, 7},  // 6
    {7, 1, 2, 2, 2},  // 7
    {7, 5, 7, 5, 7},  // 8
    {7, 5, 7, 1, 7},  // 9
}};

// Bar k of the eight, white to black: red, green and blue each full or off, blue changing
// fastest and green slowest (white, yellow, cyan, green, magenta, red, blue, black).
Pixel BarColour(std::int32_t k) {
  const auto full = [](bool on) { return static_cast<std::uint8_t>(on ? 255 : 0); };
  return PixelFromBytes(full((k & 2) == 0), full((k & 4) == 0), full((k & 1) == 0));
}

void Fill(Picture& image, std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1,
          const Pixel& p) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, image.width);
  y1 = std::min(y1, image.height);
  for (std::int32_t y = y0; y < y1; ++y) {
    for (std::int32_t x = x0; x < x1; ++x) image.At(x, y) = p;
  }
}

}  // namespace

PatternLayout LayoutOfPattern(std::int32_t width, std::int32_t height) {
  PatternLayout layout{};
  layout.barsBottom = height / 4;
  layout.rampBottom = height * 3 / 8;
  layout.columns = std::max(1, width / 120);
  layout.rows = std::max(1, (height - layout.rampBottom) / 135);
  return layout;
}

std::int32_t DrawNumber(Picture& image, std::int32_t x, std::int32_t y, int number,
                        std::int32_t scale, const Pixel& ink) {
  const std::string digits = std::to_string(number);
  std::int32_t left = x;
  for (const char d : digits) {
    if (d < '0' || d > '9') continue;
    const auto& glyph = kDigits[static_cast<std::size_t>(d - '0')];
    for (std::int32_t row = 0; row < 5; ++row) {
      for (std::int32_t col = 0; col < 3; ++col) {
        if (glyph[static_cast<std::size_t>(row)] & (4 >> col)) {
          Fill(image, left + col * scale, y + row * scale, left + (col + 1) * scale,
               y + (row + 1) * scale, ink);
        }
      }
    }
    left += 4 * scale;
  }
  return left - x - scale;
}

Picture MakeTestPattern(std::int32_t width, std::int32_t height) {
  Picture image(width, height);
  const PatternLayout layout = LayoutOfPattern(width, height);

  for (std::int32_t k = 0; k < 8; ++k)
    Fill(image, width * k / 8, 0, width * (k + 1) / 8, layout.barsBottom, BarColour(k));

  for (std::int32_t x = 0; x < width; ++x) {
    const auto v = static_cast<std::uint8_t>(width > 1 ? x * 255 / (width - 1) : 0);
    Fill(image, x, layout.barsBottom, x + 1, layout.rampBottom, PixelFromBytes(v, v, v));
  }

  const Pixel line = PixelFromBytes(255, 255, 255);
  const Pixel ink = PixelFromBytes(255, 220, 0);
  const Pixel shades[2] = {PixelFromBytes(40, 60, 110), PixelFromBytes(70, 70, 70)};
  const std::int32_t gridHeight = height - layout.rampBottom;
  const std::int32_t lineWidth = std::max(1, std::min(width, height) / 360);
  // Digits as tall as a third of a cell, but never so wide that "99" leaves the cell.
  const std::int32_t cellW = width / layout.columns;
  const std::int32_t cellH = gridHeight / layout.rows;
  const std::int32_t scale = std::max(1, std::min(cellH / 15, cellW / 12));
  for (std::int32_t row = 0; row < layout.rows; ++row) {
    for (std::int32_t col = 0; col < layout.columns; ++col) {
      const std::int32_t x0 = width * col / layout.columns;
      const std::int32_t x1 = width * (col + 1) / layout.columns;
      const std::int32_t y0 = layout.rampBottom + gridHeight * row / layout.rows;
      const std::int32_t y1 = layout.rampBottom + gridHeight * (row + 1) / layout.rows;
      Fill(image, x0, y0, x1, y1, shades[(row + col) % 2]);
      Fill(image, x0, y0, x1, y0 + lineWidth, line);
      Fill(image, x0, y0, x0 + lineWidth, y1, line);
      DrawNumber(image, x0 + lineWidth + scale, y0 + lineWidth + scale,
                 row * layout.columns + col + 1, scale, ink);
    }
  }
  // Close the grid on the right and at the bottom.
  Fill(image, width - lineWidth, layout.rampBottom, width, height, line);
  Fill(image, 0, height - lineWidth, width, height, line);
  return image;
}

}  // namespace tesselox::io
