#pragma once

// Pixels behind guard pixels, which show a stray write where no sanitizer runs (as under Wine),
// or in an allocation of exactly their size, where AddressSanitizer reports any access outside.

#include <cstddef>
#include <cstdint>
#include <memory>

#include "filter/plane_view.h"
#include "test_image.h"

namespace tesselox::test {

// `count` pixels on the heap with `guard` guard pixels before and after them (none: an exact
// allocation).
class GuardedBuffer {
 public:
  GuardedBuffer(std::size_t count, std::size_t guard)
      : count_(count), guard_(guard), storage_(new Pixel[count + 2 * guard]) {
    for (std::size_t k = 0; k < guard_; ++k) {
      storage_[k] = GuardPixel(k);
      storage_[guard_ + count_ + k] = GuardPixel(guard_ + k);
    }
  }

  Pixel* Body() { return storage_.get() + guard_; }
  const Pixel* Body() const { return storage_.get() + guard_; }
  std::size_t Count() const { return count_; }

  // True when no guard pixel has changed.
  bool GuardsIntact() const {
    for (std::size_t k = 0; k < guard_; ++k) {
      if (!(storage_[k] == GuardPixel(k)) ||
          !(storage_[guard_ + count_ + k] == GuardPixel(guard_ + k)))
        return false;
    }
    return true;
  }

 private:
  static Pixel GuardPixel(std::size_t k) {
    return Tagged(static_cast<std::int32_t>(k), 0, kGuardTag);
  }

  std::size_t count_;
  std::size_t guard_;
  std::unique_ptr<Pixel[]> storage_;
};

// An image of width x height (at least 1 x 1) with `guard` guard pixels on every side: a guarded
// buffer whose lines are `guard` pixels wider on each side (stride = width + 2 * guard). Pixels
// are tagged with their coordinates, or zero when blank.
class GuardedImage {
 public:
  GuardedImage(std::int32_t width, std::int32_t height, bool blank, std::int32_t guard = 2)
      : width_(width),
        height_(height),
        guard_(guard),
        stride_(width + 2 * guard),
        buffer_(static_cast<std::size_t>(stride_) * height,
                static_cast<std::size_t>(guard) * stride_) {
    for (std::int32_t y = 0; y < height; ++y) {
      for (std::int32_t x = -guard; x < width + guard; ++x) {
        const bool inside = x >= 0 && x < width;
        Raw(x, y) = inside ? (blank ? Pixel{} : Tagged(x, y)) : Tagged(x, y, kGuardTag);
      }
    }
  }

  PlaneView View() { return ViewOf(&Raw(0, 0), width_, height_, stride_); }
  const Pixel& At(std::int32_t x, std::int32_t y) const { return Raw(x, y); }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  // True when no guard pixel has changed: above, below, and beside every line.
  bool GuardsIntact() const {
    if (!buffer_.GuardsIntact()) return false;
    for (std::int32_t y = 0; y < height_; ++y) {
      for (std::int32_t x = -guard_; x < width_ + guard_; ++x) {
        if ((x < 0 || x >= width_) && !(Raw(x, y) == Tagged(x, y, kGuardTag))) return false;
      }
    }
    return true;
  }

 private:
  Pixel& Raw(std::int32_t x, std::int32_t y) {
    return buffer_.Body()[static_cast<std::size_t>(y * stride_ + x + guard_)];
  }
  const Pixel& Raw(std::int32_t x, std::int32_t y) const {
    return buffer_.Body()[static_cast<std::size_t>(y * stride_ + x + guard_)];
  }

  std::int32_t width_;
  std::int32_t height_;
  std::int32_t guard_;
  std::int32_t stride_;
  GuardedBuffer buffer_;
};

}  // namespace tesselox::test
