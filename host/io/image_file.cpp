#include "host/io/image_file.h"

#include <cctype>
#include <istream>
#include <iterator>
#include <limits>

#include <stb/stb_image.h>
#include <stb/stb_image_write.h>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

// stb_image accepts a binary PPM/PGM whose pixel data stops short and leaves the rest of its
// buffer uninitialised, so the data length is checked here first.
void CheckPnmComplete(const std::vector<std::uint8_t>& bytes, const std::string& name) {
  if (bytes.size() < 2 || bytes[0] != 'P' || (bytes[1] != '5' && bytes[1] != '6')) return;
  std::size_t at = 2;
  auto number = [&]() -> std::uint64_t {
    for (;;) {
      while (at < bytes.size() && std::isspace(bytes[at])) ++at;
      if (at < bytes.size() && bytes[at] == '#') {
        while (at < bytes.size() && bytes[at] != '\n' && bytes[at] != '\r') ++at;
        continue;
      }
      break;
    }
    std::uint64_t v = 0;
    while (at < bytes.size() && std::isdigit(bytes[at]) && v < (1u << 30))
      v = v * 10 + (bytes[at++] - '0');
    return v;
  };
  const std::uint64_t width = number(), height = number(), maxValue = number();
  ++at;  // the one whitespace character before the data
  const std::uint64_t need =
      width * height * (bytes[1] == '6' ? 3u : 1u) * (maxValue > 255 ? 2u : 1u);
  if (width > 0 && height > 0 && at <= bytes.size() && bytes.size() - at < need) {
    throw IoError(name + ": the image data is truncated (" + std::to_string(bytes.size() - at) +
                  " of " + std::to_string(need) + " bytes)");
  }
}

}  // namespace

Image DecodeImage(const std::vector<std::uint8_t>& bytes, const std::string& name) {
  if (bytes.empty()) throw IoError(name + ": empty input");
  if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw IoError(name + ": file too large");
  CheckPnmComplete(bytes, name);
  int width = 0, height = 0, channels = 0;
  stbi_uc* rgb = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                       &height, &channels, 3);
  if (rgb == nullptr) {
    throw IoError(name + ": not a readable PNG, JPEG, BMP or PPM image (" + stbi_failure_reason() +
                  ")");
  }
  Image image;
  try {
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide) {
      throw IoError(name + ": the image is " + std::to_string(width) + " x " +
                    std::to_string(height) + " pixels (1 to " + std::to_string(kMaxFrameSide) +
                    " per side allowed)");
    }
    image = ImageFromInterleaved(rgb, width, height);
  } catch (...) {
    stbi_image_free(rgb);
    throw;
  }
  stbi_image_free(rgb);
  return image;
}

Image ReadImage(std::istream& in, const std::string& name) {
  std::vector<std::uint8_t> bytes;
  char chunk[1 << 16];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    bytes.insert(bytes.end(), chunk, chunk + in.gcount());
  }
  if (in.bad()) throw IoError(name + ": read error");
  return DecodeImage(bytes, name);
}

std::vector<std::uint8_t> EncodePng(const Image& image) {
  if (image.width <= 0 || image.height <= 0)
    throw IoError("cannot write a PNG of " + std::to_string(image.width) + " x " +
                  std::to_string(image.height) + " pixels");
  const std::vector<std::uint8_t> rgb = InterleavedFromImage(image);
  std::vector<std::uint8_t> png;
  auto append = [](void* context, void* data, int size) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(context);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    out->insert(out->end(), bytes, bytes + size);
  };
  if (stbi_write_png_to_func(append, &png, image.width, image.height, 3, rgb.data(),
                             image.width * 3) == 0) {
    throw IoError("PNG encoding failed");
  }
  return png;
}

}  // namespace tesselox::io
