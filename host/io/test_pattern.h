#pragma once

#include <cstdint>

#include "host/io/picture.h"

namespace tesselox::io {

inline constexpr std::int32_t kPatternWidth = 1440;
inline constexpr std::int32_t kPatternHeight = 1080;

// The built-in input: colour bars across the top quarter, a grey ramp (black at the left)
// below them, and in the lower part a grid of cells numbered 1, 2, ... row by row from the top
// left, each number drawn near its cell's top-left corner. Nothing in it is symmetric, so a
// mirrored or scaled copy is obvious at a glance. Any size from 16 x 16 works; the default is
// the size the module's initial parameters expect.
Picture MakeTestPattern(std::int32_t width = kPatternWidth, std::int32_t height = kPatternHeight);

// The pattern's layout, for whoever wants to point at parts of it.
struct PatternLayout {
  std::int32_t barsBottom;  // rows [0, barsBottom) hold eight bars
  std::int32_t rampBottom;  // rows [barsBottom, rampBottom) hold the ramp
  std::int32_t columns;     // the grid fills rows [rampBottom, height)
  std::int32_t rows;
};
PatternLayout LayoutOfPattern(std::int32_t width, std::int32_t height);

// Draws the decimal digits of `number` with a 3 x 5 font, each font dot a scale x scale square,
// one dot of space between digits; returns the width drawn. Pixels outside the picture are
// skipped.
std::int32_t DrawNumber(Picture& image, std::int32_t x, std::int32_t y, int number,
                        std::int32_t scale, const Pixel& ink);

}  // namespace tesselox::io
