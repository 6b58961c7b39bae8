#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tesselox::io {

// A frame's width and height in pixels.
struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Size&) const = default;
};

// The largest frame the host reports to the module unless --max says otherwise: full HD. The
// module's fields are created with ranges of their own (1920 x 1440 for "width" and "height",
// kFieldSpecs) and take this one at initialisation; the host's session and the tests start from
// it too.
inline constexpr Size kDefaultLargestFrame{1920, 1080};

// "1920x1080", as every message writes a size.
std::string SizeText(Size size);

// A whole number in low..high, nothing else; nothing when it is not.
std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high);

// "1920x1080" (also with X), each side 1 to kMaxFrameSide; nothing when malformed.
std::optional<Size> ParseSize(std::string_view text);

// Throws IoError, one line naming `what`, its size and the limit, unless a frame of `size` has
// at most kMaxFramePixels pixels. For the input, which is checked before the buffers are.
void CheckFrameArea(Size size, const std::string& what);

}  // namespace tesselox::io
