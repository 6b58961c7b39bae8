#pragma once

// Images for the filter's tests: every pixel carries its own coordinates, so a destination
// pixel tells which source pixel it came from, and guard pixels around each image show any
// read or write outside it.

#include <cstdint>
#include <optional>
#include <vector>

#include "filter/image_view.h"

namespace tesselox {

// Pixels compare byte for byte (found by argument-dependent lookup from GoogleTest).
inline bool operator==(const Pixel& a, const Pixel& b) {
  for (int k = 0; k < 6; ++k) {
    if (a.bytes[k] != b.bytes[k]) return false;
  }
  return true;
}

namespace test {

// A pixel naming its own position; never all zero. Tag 1 marks image pixels, 2 guard pixels.
inline Pixel Tagged(std::int32_t x, std::int32_t y, std::uint8_t tag = 1) {
  const auto ux = static_cast<std::uint16_t>(x + 1);
  const auto uy = static_cast<std::uint16_t>(y + 1);
  return Pixel{{static_cast<std::uint8_t>(ux), static_cast<std::uint8_t>(ux >> 8),
                static_cast<std::uint8_t>(uy), static_cast<std::uint8_t>(uy >> 8), tag, 0x5A}};
}

inline bool IsZero(const Pixel& p) {
  return p == Pixel{};
}

struct Position {
  std::int32_t x;
  std::int32_t y;
  bool operator==(const Position&) const = default;
};

// The image position a pixel made by Tagged(x, y) names, if it is an image pixel.
inline std::optional<Position> TagOf(const Pixel& p) {
  if (p.bytes[4] != 1 || p.bytes[5] != 0x5A) return std::nullopt;
  return Position{(p.bytes[0] | p.bytes[1] << 8) - 1, (p.bytes[2] | p.bytes[3] << 8) - 1};
}

// An image of width x height inside a buffer with `guard` pixels of padding on every side
// (stride = width + 2 * guard). Pixels are tagged with their coordinates, or zero when blank.
class GuardedImage {
 public:
  GuardedImage(std::int32_t width, std::int32_t height, bool blank, std::int32_t guard = 2)
      : width_(width),
        height_(height),
        guard_(guard),
        stride_(width + 2 * guard),
        buffer_(static_cast<std::size_t>(stride_) * (height + 2 * guard)) {
    for (std::int32_t y = -guard; y < height + guard; ++y) {
      for (std::int32_t x = -guard; x < width + guard; ++x) {
        const bool inside = x >= 0 && x < width && y >= 0 && y < height;
        Raw(x, y) = inside ? (blank ? Pixel{} : Tagged(x, y)) : Tagged(x, y, 2);
      }
    }
  }

  ImageView View() { return ImageView{&Raw(0, 0), width_, height_, stride_}; }
  const Pixel& At(std::int32_t x, std::int32_t y) const { return Raw(x, y); }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  // True when no guard pixel has changed.
  bool GuardsIntact() const {
    for (std::int32_t y = -guard_; y < height_ + guard_; ++y) {
      for (std::int32_t x = -guard_; x < width_ + guard_; ++x) {
        const bool inside = x >= 0 && x < width_ && y >= 0 && y < height_;
        if (!inside && !(Raw(x, y) == Tagged(x, y, 2))) return false;
      }
    }
    return true;
  }

 private:
  Pixel& Raw(std::int32_t x, std::int32_t y) {
    return buffer_[static_cast<std::size_t>((y + guard_) * stride_ + x + guard_)];
  }
  const Pixel& Raw(std::int32_t x, std::int32_t y) const {
    return buffer_[static_cast<std::size_t>((y + guard_) * stride_ + x + guard_)];
  }

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t guard_;
  std::int32_t stride_;
  std::vector<Pixel> buffer_;
};

}  // namespace test
}  // namespace tesselox
