#pragma once

// What the decoders' tests compare: a decoded picture whole (size, pixels, notices), or the one
// line a refused file gets.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/io/picture_decoder.h"
#include "picture_files.h"

namespace tesselox::io::test {

// An 8-bit grey or colour as the decoders widen it to 16 bits a channel.
Channels Grey(std::uint16_t value);
Channels Rgb(std::uint32_t rrggbb);

struct Decoded {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<Channels> pixels = {};  // row by row
  std::vector<std::string> notices = {};
  bool operator==(const Decoded&) const = default;
};
void PrintTo(const Decoded& decoded, std::ostream* out);

// DecodePicture's result as a Decoded; a refusal throws as DecodePicture does.
Decoded DecodeWhole(const std::vector<std::uint8_t>& bytes, const std::string& name);

// The notice a picture whose alpha channel is dropped gets, or none.
std::vector<std::string> AlphaNotice(const std::string& name, bool dropped);

// The one-line message DecodePicture refuses `bytes` with; "accepted" when it decodes them.
std::string RefusalOf(const std::vector<std::uint8_t>& bytes, const std::string& name,
                      const PictureLimits& limits = {});

}  // namespace tesselox::io::test
