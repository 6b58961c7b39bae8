#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "filter/plane_view.h"

namespace tesselox::io {

// The largest width or height the host accepts anywhere: frames, --max and --capacity.
inline constexpr std::int32_t kMaxFrameSide = 16384;

// The largest frame area, in pixels, that the host accepts for an input, the output and the
// buffers' capacity: the host is a 32-bit process, and a frame costs its pixels several times
// over (the decoded input, two frame buffers, the output, then the PNG encoder's copies). Checked
// before anything is allocated. The host is linked large-address-aware, which gives it 4 GB
// under Wine and 64-bit Windows (Wine 8: 3.7 GB in 64 MB blocks, 1.8 GB without the flag).
// Measured under Wine with the worst case, a noise picture or a 4:4:4 stream copied 1:1 into an
// output as large as the input: 10000 x 10000 runs (2.4 GB at its peak), 10500 x 10500 and
// 11000 x 11000 run out of address space; without the flag even 8192 x 8192 does. 8192 x 8192,
// two thirds of what fits, leaves room for a different layout of the address space.
inline constexpr std::int64_t kMaxFramePixels = std::int64_t{8192} * 8192;

// A frame as the host hands it to a module: 6-byte pixels holding three 16-bit little-endian
// channels (R, G, B for pictures; Y, Cb, Cr for video). Rows are packed, stride == width.
struct Picture {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Pixel> pixels;

  Picture() = default;
  Picture(std::int32_t w, std::int32_t h)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}

  Pixel& At(std::int32_t x, std::int32_t y) {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
  const Pixel& At(std::int32_t x, std::int32_t y) const {
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                  static_cast<std::size_t>(x)];
  }
};

// 8-bit channel values become 16-bit ones by multiplying by 257 (0 -> 0, 255 -> 65535), which
// ChannelToByte undoes exactly; other 16-bit values round to the nearest 8-bit value.
inline Pixel PixelFromBytes(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  // v * 257 stored little-endian is simply the byte twice.
  return Pixel{{a, a, b, b, c, c}};
}

inline std::uint16_t Channel(const Pixel& p, int channel) {
  return static_cast<std::uint16_t>(p.bytes[2 * channel] | p.bytes[2 * channel + 1] << 8);
}

inline std::uint8_t ChannelToByte(std::uint16_t v) {
  return static_cast<std::uint8_t>((static_cast<std::uint32_t>(v) + 128u) / 257u);
}

// Interleaved 8-bit samples, three per pixel, to an Picture and back.
Picture PictureFromInterleaved(const std::uint8_t* samples, std::int32_t width,
                               std::int32_t height);
std::vector<std::uint8_t> InterleavedFromPicture(const Picture& image);

}  // namespace tesselox::io
