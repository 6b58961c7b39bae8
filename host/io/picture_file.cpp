#include "host/io/picture_file.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <istream>
#include <limits>
#include <optional>
#include <ostream>
#include <utility>

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

namespace {

// How much of a file is read before its header must have said how large the picture is:
// enough for any PNG, BMP or PNM header, and for the metadata a JPEG may carry before its frame
// header.
constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kHeaderBytes = std::size_t{1} << 16;
constexpr std::size_t kJpegHeaderBytes = std::size_t{16} << 20;
// Room beyond twice the pixels at 8 bytes each (16-bit RGBA, the widest sample any format
// has): compression that gains nothing, chunks and segments of metadata, palettes.
constexpr std::uint64_t kEncodingSlack = std::uint64_t{16} << 20;

bool KnownSignature(const std::vector<std::uint8_t>& b) {
  return StartsWith(b, "\x89PNG\r\n\x1a\n") || StartsWith(b, "\xff\xd8\xff") ||
         StartsWith(b, "BM") || (b.size() >= 2 && b[0] == 'P' && b[1] >= '1' && b[1] <= '6');
}

std::uint32_t BigEndian(const std::vector<std::uint8_t>& b, std::size_t at, int count) {
  std::uint32_t v = 0;
  for (int k = 0; k < count; ++k) v = v << 8 | b[at + static_cast<std::size_t>(k)];
  return v;
}

// The picture's width and height as its header gives them; nothing while the header is not
// (all) in `b`.
std::optional<std::pair<std::uint64_t, std::uint64_t>> HeaderSize(
    const std::vector<std::uint8_t>& b) {
  if (StartsWith(b, "\x89PNG") && b.size() >= 24)
    return {{BigEndian(b, 16, 4), BigEndian(b, 20, 4)}};
  if (StartsWith(b, "BM") && b.size() >= 26) {
    const auto side = [&](std::size_t at) {
      const auto v = static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                               static_cast<std::uint32_t>(b[at + 3]) << 24);
      return v < 0 ? -static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
    };
    return {{side(18), side(22)}};
  }
  if (b.size() >= 2 && b[0] == 'P') {
    // Magic number, width and height: tokens between whitespace and comments.
    std::uint64_t numbers[2] = {};
    std::size_t at = 2;
    for (auto& number : numbers) {
      for (;;) {
        while (at < b.size() && std::isspace(b[at])) ++at;
        if (at < b.size() && b[at] == '#') {
          while (at < b.size() && b[at] != '\n' && b[at] != '\r') ++at;
          continue;
        }
        break;
      }
      if (at >= b.size() || !std::isdigit(b[at])) return std::nullopt;
      for (int digits = 0; at < b.size() && std::isdigit(b[at]) && digits < 10; ++digits)
        number = number * 10 + (b[at++] - '0');
    }
    return {{numbers[0], numbers[1]}};
  }
  // JPEG: segments by their lengths up to a frame header (SOF0-SOF15 but DHT, JPG, DAC).
  for (std::size_t at = 2; at + 9 <= b.size();) {
    if (b[at] != 0xff) return std::pair<std::uint64_t, std::uint64_t>{0, 0};  // damaged
    const std::uint8_t marker = b[at + 1];
    if (marker >= 0xc0 && marker <= 0xcf && marker != 0xc4 && marker != 0xc8 && marker != 0xcc)
      return {{BigEndian(b, at + 7, 2), BigEndian(b, at + 5, 2)}};
    at += 2 + BigEndian(b, at + 2, 2);
  }
  return std::nullopt;
}

// Appends up to `limit` bytes in all from `in`.
void ReadUpTo(std::istream& in, std::vector<std::uint8_t>& bytes, std::uint64_t limit,
              const std::string& name) {
  char chunk[1 << 16];
  while (bytes.size() < limit) {
    const auto want =
        static_cast<std::streamsize>(std::min<std::uint64_t>(sizeof chunk, limit - bytes.size()));
    in.read(chunk, want);
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    if (in.gcount() < want) break;
  }
  if (in.bad()) throw IoError(name + ": read error");
}

}  // namespace

Picture ReadPicture(std::istream& in, const std::string& name, std::vector<std::string>* notices) {
  // The first bytes decide the format before anything large is read; then the header decides
  // how much a picture of its size can take, and the rest (bytes after the picture, or a
  // picture that lies about its size) is never read.
  std::vector<std::uint8_t> bytes;
  ReadUpTo(in, bytes, kSignatureBytes, name);
  if (KnownSignature(bytes)) {
    ReadUpTo(in, bytes, kHeaderBytes, name);
    auto size = HeaderSize(bytes);
    if (!size && StartsWith(bytes, "\xff\xd8")) {
      ReadUpTo(in, bytes, kJpegHeaderBytes, name);
      size = HeaderSize(bytes);
    }
    // Beyond the limits the decoder refuses it from the header alone, which is read.
    const PictureLimits limits;
    if (size && size->first <= static_cast<std::uint64_t>(limits.maxSide) &&
        size->second <= static_cast<std::uint64_t>(limits.maxSide)) {
      ReadUpTo(in, bytes, 2 * 8 * size->first * size->second + kEncodingSlack, name);
    }
  }
  return DecodePicture(bytes, name, notices);
}

void WritePng(std::ostream& out, const Picture& image, int depth) {
  const std::vector<std::uint8_t> png = EncodePng(image, depth);
  out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
}

}  // namespace tesselox::io
