#include "host/io/picture.h"

namespace tesselox::io {

Picture PictureFromInterleaved(const std::uint8_t* samples, std::int32_t width,
                               std::int32_t height) {
  Picture image(width, height);
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    const std::uint8_t* s = samples + 3 * k;
    image.pixels[k] = PixelFromBytes(s[0], s[1], s[2]);
  }
  return image;
}

std::vector<std::uint8_t> InterleavedFromPicture(const Picture& image) {
  std::vector<std::uint8_t> samples(image.pixels.size() * 3);
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    for (int c = 0; c < 3; ++c) samples[3 * k + c] = ChannelToByte(Channel(image.pixels[k], c));
  }
  return samples;
}

}  // namespace tesselox::io
