#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "host/io/picture.h"

namespace tesselox::io {

// The largest picture a decoder may allocate for. Pictures are refused from their header alone,
// before any pixel memory is allocated.
struct PictureLimits {
  std::int32_t maxSide = kMaxFrameSide;
  std::int64_t maxPixels = kMaxFramePixels;
};

// What every decoder is handed besides the bytes: the input's name for its messages, the
// limits, and a list for notices (one line each, such as an alpha channel that was dropped).
class DecodeContext {
 public:
  DecodeContext(std::string name, PictureLimits limits, std::vector<std::string>* notices)
      : name_(std::move(name)), limits_(limits), notices_(notices) {}

  // Throws IoError "NAME: WHAT". WHAT must not hold raw file bytes: quote them with Printable.
  [[noreturn]] void Fail(std::string_view what) const;
  // Refuses an empty picture or one beyond the limits, naming its size and the limit.
  void CheckSize(std::int64_t width, std::int64_t height) const;
  // Refuses with "the image data is truncated (HAVE of NEED UNIT)"; the check only when
  // have < need.
  [[noreturn]] void Truncated(std::uint64_t have, std::uint64_t need, std::string_view unit) const;
  void CheckComplete(std::uint64_t have, std::uint64_t need, std::string_view unit) const {
    if (have < need) Truncated(have, need, unit);
  }
  void Notice(std::string_view what) const;

  const std::string& Name() const { return name_; }
  const PictureLimits& Limits() const { return limits_; }

 private:
  std::string name_;
  PictureLimits limits_;
  std::vector<std::string>* notices_;
};

using Bytes = std::span<const std::uint8_t>;

// One decoder per format. Each checks the size in the header against the limits before it
// allocates the picture, and turns grey into three equal channels and 8-bit samples into 16-bit
// ones by multiplying by 257. Bytes after the picture are ignored.
Picture DecodePng(Bytes bytes, const DecodeContext& context);
Picture DecodeJpeg(Bytes bytes, const DecodeContext& context);
Picture DecodeBmp(Bytes bytes, const DecodeContext& context);
Picture DecodePnm(Bytes bytes, const DecodeContext& context);

// A sample from 0 to maxValue (at least 1) scaled to 16 bits, rounded to nearest: 0 stays 0,
// maxValue becomes 65535, and with maxValue 255 every value becomes v * 257.
inline std::uint16_t ScaleToSixteen(std::uint32_t value, std::uint32_t maxValue) {
  return static_cast<std::uint16_t>((std::uint64_t{value} * 65535u + maxValue / 2) / maxValue);
}

inline Pixel PixelFromChannels(std::uint16_t r, std::uint16_t g, std::uint16_t b) {
  return Pixel{{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8),
                static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g >> 8),
                static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(b >> 8)}};
}

}  // namespace tesselox::io
