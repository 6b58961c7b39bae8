#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "filter/fit_request.h"
#include "host/io/frame_size.h"

namespace tesselox::io {

struct FieldEdit {
  std::string label;  // a field's label in kFieldSpecs
  std::string value;  // typed as it stands, key by key
  bool operator==(const FieldEdit&) const = default;
};

// The output when --out is not given; its folder is the one folder the host makes.
inline constexpr std::string_view kDefaultOutput = "out/tesselox.png";

// What the arguments ask for; option_table.h says which option sets what.
struct Options {
  std::string module;  // empty: the built module
  std::string in;      // empty: the built-in test pattern; "-": standard input
  std::string out{kDefaultOutput};
  std::vector<FieldEdit> edits;
  std::optional<Size> scale;    // --scale: the whole input frame to this size, before the edits
  FitMode fit = FitMode::None;  // --fit: how --scale places the frame
  Sampling sampling = Sampling::Edge;  // --sampling: how --scale samples it
  Size max = kDefaultLargestFrame;
  std::optional<Size> capacity;  // absent: the larger of max and the input, per side
  std::int32_t frames = 1;
  std::int32_t outDepth = 8;  // bits per channel of a PNG output: 8 or 16
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

}  // namespace tesselox::io
