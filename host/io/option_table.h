#pragma once

// The host's options, one row each: parsing, the help text, the tests and scripts/run all read
// this table. scripts/run reads the rows as text to learn which options take a value, so each
// row stays on one line, starting with its name.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/io/frame_size.h"
#include "host/io/options.h"

namespace tesselox::io {

enum class OptionKind {
  Flag,    // no value; sets a bool
  Path,    // a non-empty path, "-" where the option allows it
  Size,    // WxH
  Count,   // a whole number 1 to kMaxCount
  Depth,   // 8 or 16
  Edit,    // "LABEL=VALUE"; repeatable, in order
  Choice,  // one of the core's names for a fit mode or a sampling
};

inline constexpr std::int32_t kMaxCount = 1000000;

// Where an option's value goes in Options; the kind says which alternative.
using OptionTarget =
    std::variant<bool Options::*, std::string Options::*, Size Options::*,
                 std::optional<Size> Options::*, std::int32_t Options::*,
                 std::vector<FieldEdit> Options::*, FitMode Options::*, Sampling Options::*>;

struct OptionSpec {
  std::string_view name;
  OptionKind kind;
  OptionTarget target;
  std::string_view value;  // what the help shows after the name; empty for a flag
  std::string_view help;   // a default that Options does not hold is written here
};

// In the help's order. "-h" is "--help".
// clang-format off
inline const std::array<OptionSpec, 17> kOptions = {{
    {"--module", OptionKind::Path, &Options::module, "PATH", "module to load (default: the built Tesselox.auf)"},
    {"--in", OptionKind::Path, &Options::in, "PATH", "input picture (PNG, JPEG, BMP, PNM) or Y4M stream, - for stdin (default: a built-in 1440x1080 test pattern)"},
    {"--out", OptionKind::Path, &Options::out, "PATH", "output PNG for a picture, Y4M for a Y4M stream, - for stdout"},
    {"--set", OptionKind::Edit, &Options::edits, "\"LABEL=VALUE\"", "type VALUE into the field LABEL after initialisation; repeatable, applied in order"},
    {"--scale", OptionKind::Size, &Options::scale, "WxH", "scale the whole input frame to WxH: types its corner and size into the fields, before any --set (raises --max to fit)"},
    {"--fit", OptionKind::Choice, &Options::fit, "MODE", "with --scale: none, stretch, contain (the largest rectangle of the input's shape, centred), cover (filled, the input cropped about its centre) or integer (the largest whole multiple, centred)"},
    {"--sampling", OptionKind::Choice, &Options::sampling, "MODE", "with --scale: edge (each pixel's source under its left/top edge) or center (under its centre, as Pillow NEAREST)"},
    {"--max", OptionKind::Size, &Options::max, "WxH", "the largest frame size the host reports to the module"},
    {"--capacity", OptionKind::Size, &Options::capacity, "WxH", "the frame buffers' capacity (default: the larger of --max and the input)"},
    {"--out-depth", OptionKind::Depth, &Options::outDepth, "8|16", "bits per channel of the output PNG"},
    {"--frames", OptionKind::Count, &Options::frames, "N", "filter the still input N times and report milliseconds per frame"},
    {"--print-fields", OptionKind::Flag, &Options::printFields, "", "after the run, print each field's label, text and range"},
    {"--screenshot", OptionKind::Path, &Options::screenshot, "PATH", "after the --set edits, save a PNG of the configuration window"},
    {"--show", OptionKind::Flag, &Options::show, "", "open the configuration window and a live preview of the output"},
    {"--strict", OptionKind::Flag, &Options::strict, "", "refuse to run when a typed value is not what the filter will use"},
    {"--help", OptionKind::Flag, &Options::help, "", "print this help"},
    {"--version", OptionKind::Flag, &Options::version, "", "print the host's version"},
}};
// clang-format on

// The row named `name` ("-h" finds "--help"), or nullptr.
const OptionSpec* FindOption(std::string_view name);

// The usage line, then one line per option with the default that Options starts with.
std::string HelpText();

}  // namespace tesselox::io
