#pragma once

// A plane inside a dirty buffer, for tests that check a copy touched only what it should.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/plane_view.h"

namespace tesselox::test {

constexpr std::uint8_t kDirt = 0xA5;
constexpr std::ptrdiff_t kGuard = 72;

// A plane inside a dirty buffer: dirt before and after it and in the padding of its rows. A
// source ends with its last pixel, so that the address sanitizer sees a read past it; its bytes
// differ from pixel to pixel and within a pixel.
struct DirtyPlane {
  DirtyPlane(std::int32_t w, std::int32_t h, int bytes, int padding, bool source)
      : buffer(static_cast<std::size_t>(kGuard + (h - 1) * (w * bytes + padding) + w * bytes +
                                        (source ? 0 : kGuard)),
               kDirt),
        view{buffer.data() + kGuard, w, h, w * bytes + padding, bytes} {
    for (std::int32_t y = 0; source && y < h; ++y) {
      for (std::int32_t at = 0; at < w * bytes; ++at) {
        view.bytes[y * view.stride + at] = static_cast<std::uint8_t>(at * 29 + y * 71 + 3);
      }
    }
  }
  // Whether dst holds `want` (packed rows) and nothing outside its pixels has changed.
  ::testing::AssertionResult Holds(const std::vector<std::uint8_t>& want) const {
    const std::ptrdiff_t rowBytes = view.width * view.pixelBytes;
    for (std::ptrdiff_t k = 0; k < static_cast<std::ptrdiff_t>(buffer.size()); ++k) {
      const std::ptrdiff_t at = k - kGuard, y = at / view.stride, x = at % view.stride;
      const bool inside =
          at >= 0 && at < (view.height - 1) * view.stride + rowBytes && x < rowBytes;
      const std::uint8_t expected =
          inside ? want[static_cast<std::size_t>(y * rowBytes + x)] : kDirt;
      if (buffer[static_cast<std::size_t>(k)] != expected) {
        return ::testing::AssertionFailure()
               << (inside ? "pixel byte " : "outside the plane, byte ") << x << " of row " << y;
      }
    }
    return ::testing::AssertionSuccess();
  }
  std::vector<std::uint8_t> buffer;
  PlaneView view;
};

}  // namespace tesselox::test
