#include "host/io/picture_file.h"

#include <cstring>
#include <istream>
#include <ostream>
#include <limits>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

bool StartsWith(const std::vector<std::uint8_t>& bytes, std::string_view prefix) {
  return bytes.size() >= prefix.size() &&
         std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

Picture DecodePicture(const std::vector<std::uint8_t>& bytes, const std::string& name,
                      std::vector<std::string>* notices, const PictureLimits& limits) {
  if (bytes.empty()) throw IoError(name + ": empty input");
  const DecodeContext context(name, limits, notices);
  if (StartsWith(bytes, "\x89PNG\r\n\x1a\n")) return DecodePng(bytes, context);
  if (StartsWith(bytes, "\xff\xd8\xff")) return DecodeJpeg(bytes, context);
  if (StartsWith(bytes, "BM")) return DecodeBmp(bytes, context);
  if (bytes.size() >= 2 && bytes[0] == 'P' && bytes[1] >= '1' && bytes[1] <= '6')
    return DecodePnm(bytes, context);
  const std::string_view start(reinterpret_cast<const char*>(bytes.data()),
                               std::min<std::size_t>(bytes.size(), 8));
  throw IoError(name + ": not a PNG, JPEG, BMP or PNM picture (it starts with \"" +
                Printable(start) + "\")");
}

Picture ReadPicture(std::istream& in, const std::string& name, std::vector<std::string>* notices) {
  std::vector<std::uint8_t> bytes;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) throw IoError(name + ": read error");
  return DecodePicture(bytes, name, notices);
}

void WritePng(std::ostream& out, const Picture& image, int depth) {
  const std::vector<std::uint8_t> png = EncodePng(image, depth);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

}  // namespace tesselox::io
