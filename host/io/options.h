#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/field_table.h"

namespace tesselox::io {

// The labels of the module's twelve fields, in field order; --set accepts exactly these.
inline constexpr auto kFieldLabels = [] {
  std::array<std::string_view, kFieldCount> labels{};
  for (std::size_t k = 0; k < labels.size(); ++k) labels[k] = kFieldSpecs[k].label;
  return labels;
}();

struct Size {
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const Size&) const = default;
};

struct FieldEdit {
  std::string label;  // one of kFieldLabels
  std::string value;  // typed as it stands, key by key
  bool operator==(const FieldEdit&) const = default;
};

// The output when --out is not given; its folder is the one folder the host makes.
inline constexpr std::string_view kDefaultOutput = "out/tesselox.png";

struct Options {
  std::string module;  // empty: the built module
  std::string in;      // empty: the built-in test pattern; "-": standard input
  std::string out{kDefaultOutput};
  std::vector<FieldEdit> edits;
  std::optional<Size> scale;  // --scale: the whole input frame to this size, before the edits
  Size max{1920, 1080};
  std::optional<Size> capacity;  // absent: the larger of max and the input, per side
  std::int32_t frames = 1;
  int outDepth = 8;  // bits per channel of a PNG output: 8 or 16
  bool printFields = false;
  std::string screenshot;  // empty: none
  bool show = false;
  bool strict = false;  // a --set notice is an error
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name; "--name=value" is the same as "--name value".
// Throws IoError with one line naming the problem: an unknown option, a missing or bad value, an
// option given twice, an unknown field label, a screenshot not named .png.
Options ParseOptions(const std::vector<std::string>& args);

// One line per option.
std::string HelpText();

// "1920x1080" (also with X), each side 1 to kMaxFrameSide; nothing when malformed.
std::optional<Size> ParseSize(std::string_view text);

// --capacity if given, else per side the larger of --max and the input.
Size EffectiveCapacity(const Options& options, Size input);

// Which option set the buffers' capacity, for messages: "--capacity WxH", "--max WxH" or the
// input.
std::string CapacityOrigin(const Options& options, Size input);

// Throws IoError, naming the option responsible, when the buffers' capacity has more than
// kMaxFramePixels pixels.
void CheckCapacityArea(const Options& options, Size input);

// Throws IoError, one line naming `what`, its size and the limit, unless a frame of `size` has
// at most kMaxFramePixels pixels. For the input, which is checked before the buffers are.
void CheckFrameArea(Size size, const std::string& what);

// What --scale types, in field order: the whole input frame (corner 0,0, extent `input`) into
// a destination of corner 0,0 and extent `output`, in an output frame of that size.
std::vector<FieldEdit> ScaleEdits(Size output, Size input);

// The index of a field label, or nothing.
std::optional<int> FieldIndex(std::string_view label);

}  // namespace tesselox::io
