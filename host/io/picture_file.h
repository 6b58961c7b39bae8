#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/io/picture.h"
#include "host/io/picture_decoder.h"

namespace tesselox::io {

// Decodes a PNG, JPEG, BMP or PNM (PBM, PGM, PPM) picture, recognised by its first bytes, to
// 6-byte pixels; anything else is refused. The size is checked against `limits` before pixel
// memory is allocated. `name` starts every message; notices (such as a dropped alpha channel)
// are appended to `notices` when given, one line each.
Picture DecodePicture(const std::vector<std::uint8_t>& bytes, const std::string& name,
                      std::vector<std::string>* notices = nullptr,
                      const PictureLimits& limits = {});

// Reads the stream, then decodes it. Only as much is read as the format (from the first bytes)
// and the picture's size (from its header) allow: a large file that is no picture costs a few
// bytes, one whose header promises a small picture a little more than that picture.
Picture ReadPicture(std::istream& in, const std::string& name,
                    std::vector<std::string>* notices = nullptr);

// An RGB PNG of the picture with 8 bits per channel (16-bit channels rounded) or 16 (exact).
std::vector<std::uint8_t> EncodePng(const Picture& image, int depth = 8);

// Encodes the picture as EncodePng does and writes it to `out`.
void WritePng(std::ostream& out, const Picture& image, int depth = 8);

}  // namespace tesselox::io
