#pragma once

// Pixels for the tests: every pixel carries its own coordinates and a tag, so a destination pixel
// tells which source pixel it came from.

#include <cstdint>
#include <optional>
#include <ostream>

#include "filter/plane_view.h"

namespace tesselox {

// Pixels compare byte for byte (found by argument-dependent lookup from GoogleTest).
inline bool operator==(const Pixel& a, const Pixel& b) {
  for (int k = 0; k < 6; ++k) {
    if (a.bytes[k] != b.bytes[k]) return false;
  }
  return true;
}

namespace test {

// Tags: 1 an image pixel, 2 a guard pixel, 3 line padding or capacity beyond the frame, 4 a
// destination pixel nothing has written yet.
inline constexpr std::uint8_t kImageTag = 1, kGuardTag = 2, kBeyondTag = 3, kUnwrittenTag = 4;

// A pixel naming its own position; never all zero.
inline Pixel Tagged(std::int32_t x, std::int32_t y, std::uint8_t tag = kImageTag) {
  const auto ux = static_cast<std::uint16_t>(x + 1);
  const auto uy = static_cast<std::uint16_t>(y + 1);
  return Pixel{{static_cast<std::uint8_t>(ux), static_cast<std::uint8_t>(ux >> 8),
                static_cast<std::uint8_t>(uy), static_cast<std::uint8_t>(uy >> 8), tag, 0x5A}};
}

// Six-byte pixels with `stride` pixels from one row to the next, as a plane.
inline PlaneView ViewOf(Pixel* pixels, std::int32_t width, std::int32_t height,
                        std::int32_t stride) {
  return PlaneView{reinterpret_cast<std::uint8_t*>(pixels), width, height,
                   std::ptrdiff_t{stride} * std::ptrdiff_t{sizeof(Pixel)}, sizeof(Pixel)};
}

inline bool IsZero(const Pixel& p) {
  return p == Pixel{};
}

struct Position {
  std::int32_t x;
  std::int32_t y;
  bool operator==(const Position&) const = default;
};

inline void PrintTo(const Position& p, std::ostream* out) {
  *out << "(" << p.x << ", " << p.y << ")";
}

// The image position a pixel made by Tagged(x, y) names, if it is an image pixel.
inline std::optional<Position> TagOf(const Pixel& p) {
  if (p.bytes[4] != kImageTag || p.bytes[5] != 0x5A) return std::nullopt;
  return Position{(p.bytes[0] | p.bytes[1] << 8) - 1, (p.bytes[2] | p.bytes[3] << 8) - 1};
}

}  // namespace test
}  // namespace tesselox
