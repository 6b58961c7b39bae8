#include "host/io/frame_size.h"

#include <charconv>

#include "host/io/io_error.h"
#include "host/io/picture.h"

namespace tesselox::io {

std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high) {
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low ||
      v > high) {
    return std::nullopt;
  }
  return v;
}

std::string SizeText(Size size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::optional<Size> ParseSize(std::string_view text) {
  const auto x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  const auto w = ParseCount(text.substr(0, x), 1, kMaxFrameSide);
  const auto h = ParseCount(text.substr(x + 1), 1, kMaxFrameSide);
  if (!w || !h) return std::nullopt;
  return Size{*w, *h};
}

void CheckFrameArea(Size size, const std::string& what) {
  const std::int64_t pixels = std::int64_t{size.width} * size.height;
  if (pixels <= kMaxFramePixels) return;
  throw IoError(what + " is " + SizeText(size) + " (" + std::to_string(pixels) +
                " pixels), more than the host's limit of " + std::to_string(kMaxFramePixels) +
                " pixels");
}

}  // namespace tesselox::io
