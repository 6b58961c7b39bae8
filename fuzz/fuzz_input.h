#pragma once

// The fuzzer's input layout, shared with the seed generator: one flag byte, then eighteen
// little-endian 32-bit integers. A short input reads its missing bytes as zero, so every byte
// string is a valid input.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "module/parameters.h"

namespace tesselox::fuzz {

// Flag bits.
// tesselox_copy_plane on two planes of six-byte pixels with their own strides.
inline constexpr std::uint8_t kDirectCopy = 1;
inline constexpr std::uint8_t kNoGuard = 2;  // buffers exactly their size, so ASan sees overruns
inline constexpr std::uint8_t kSmallValues = 4;  // the twelve values folded into -80..80
// Lines of up to 4200 pixels (more than one 2048-pixel chunk of the row walk) in images of at
// most four lines, so that a run stays quick; with kSmallValues the values fold into -4400..4400.
inline constexpr std::uint8_t kWide = 8;
// Direct copy only: the plain row routines instead of their vector twins, through the core's own
// calls (the C API always takes the fastest).
inline constexpr std::uint8_t kPlain = 16;
// Direct copy only: the copy also sets every destination pixel it does not draw to zero, as a
// frame render does (the C API's fill).
inline constexpr std::uint8_t kClear = 32;
// Direct copy through the C API only: both planes stored bottom-up (negative strides).
inline constexpr std::uint8_t kBottomUp = 64;
// Direct copy through the C API only: a frame of three planes instead (luma, a plane subsampled
// by the shifts in srcPad's low bits, packed 4:2:2 of dstPad's sample size), each checked against
// the model of its kind.
inline constexpr std::uint8_t kFrame = 128;

inline constexpr std::size_t kInputSize = 1 + 18 * 4;

struct FuzzInput {
  std::uint8_t flags = 0;
  // RenderFrame: the buffers' capacity (may be zero or negative). Direct copy: the destination
  // image's width and height.
  std::int32_t capacityWidth = 0;
  std::int32_t capacityHeight = 0;
  // RenderFrame: the record's width and height, any value. Direct copy: the source image's.
  std::int32_t width = 0;
  std::int32_t height = 0;
  // Direct copy: extra pixels at the end of each source and destination line.
  std::int32_t srcPad = 0;
  std::int32_t dstPad = 0;
  ParameterValues values{};
};

inline FuzzInput Decode(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, kInputSize> bytes{};
  for (std::size_t k = 0; k < size && k < kInputSize; ++k) bytes[k] = data[k];
  auto word = [&bytes](std::size_t n) {
    const std::size_t at = 1 + 4 * n;
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(bytes[at]) |
                                     static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
                                     static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
                                     static_cast<std::uint32_t>(bytes[at + 3]) << 24);
  };
  FuzzInput in;
  in.flags = bytes[0];
  in.capacityWidth = word(0);
  in.capacityHeight = word(1);
  in.width = word(2);
  in.height = word(3);
  in.srcPad = word(4);
  in.dstPad = word(5);
  for (std::size_t k = 0; k < in.values.size(); ++k) in.values[k] = word(6 + k);
  return in;
}

inline std::vector<std::uint8_t> Encode(const FuzzInput& in) {
  std::vector<std::uint8_t> out{in.flags};
  auto put = [&out](std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    for (int shift = 0; shift < 32; shift += 8)
      out.push_back(static_cast<std::uint8_t>(u >> shift));
  };
  put(in.capacityWidth);
  put(in.capacityHeight);
  put(in.width);
  put(in.height);
  put(in.srcPad);
  put(in.dstPad);
  for (std::int32_t v : in.values) put(v);
  return out;
}

// Folds v into lo..hi, keeping values already inside: image dimensions stay small enough for
// thousands of runs a second.
inline std::int32_t Fold(std::int32_t v, std::int32_t lo, std::int32_t hi) {
  if (v >= lo && v <= hi) return v;
  const std::int64_t span = std::int64_t{hi} - lo + 1;
  return static_cast<std::int32_t>(lo + ((std::int64_t{v} % span) + span) % span);
}

}  // namespace tesselox::fuzz
