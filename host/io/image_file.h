#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/io/image.h"

namespace tesselox::io {

// Decodes a PNG, JPEG, BMP or PPM/PGM picture (anything stb_image reads) to 8-bit RGB, then to
// 6-byte pixels. `name` only appears in the error message.
Image DecodeImage(const std::vector<std::uint8_t>& bytes, const std::string& name);

// Reads the whole stream, then decodes it.
Image ReadImage(std::istream& in, const std::string& name);

// An 8-bit RGB PNG of the image (16-bit channels rounded to 8 bits).
std::vector<std::uint8_t> EncodePng(const Image& image);

}  // namespace tesselox::io
