#include "picture_checks.h"

#include <ostream>

#include "host/io/io_error.h"
#include "host/io/picture_file.h"

namespace tesselox::io::test {

Channels Grey(std::uint16_t value) {
  return {value, value, value};
}

Channels Rgb(std::uint32_t rrggbb) {
  return {static_cast<std::uint16_t>((rrggbb >> 16 & 255) * 257),
          static_cast<std::uint16_t>((rrggbb >> 8 & 255) * 257),
          static_cast<std::uint16_t>((rrggbb & 255) * 257)};
}

void PrintTo(const Decoded& decoded, std::ostream* out) {
  *out << decoded.width << " x " << decoded.height << " {";
  for (const Channels& c : decoded.pixels)
    *out << " (" << c[0] << ", " << c[1] << ", " << c[2] << ")";
  *out << " }";
  for (const std::string& notice : decoded.notices) *out << " notice \"" << notice << '"';
}

Decoded DecodeWhole(const std::vector<std::uint8_t>& bytes, const std::string& name) {
  Decoded decoded;
  const Picture image = DecodePicture(bytes, name, &decoded.notices);
  decoded.width = image.width;
  decoded.height = image.height;
  decoded.pixels = ChannelsOf(image);
  return decoded;
}

std::vector<std::string> AlphaNotice(const std::string& name, bool dropped) {
  if (!dropped) return {};
  return {name + ": the alpha channel is dropped"};
}

std::string RefusalOf(const std::vector<std::uint8_t>& bytes, const std::string& name,
                      const PictureLimits& limits) {
  try {
    DecodePicture(bytes, name, nullptr, limits);
    return "accepted";
  } catch (const IoError& e) {
    return e.what();
  }
}

}  // namespace tesselox::io::test
