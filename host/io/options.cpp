#include "host/io/options.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "host/io/image.h"
#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

std::optional<std::int32_t> ParseCount(std::string_view text, std::int32_t low, std::int32_t high) {
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size() || v < low ||
      v > high) {
    return std::nullopt;
  }
  return v;
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string KnownLabels() {
  std::string all;
  for (const auto label : kFieldLabels) {
    if (!all.empty()) all += ", ";
    all += '"';
    all += label;
    all += '"';
  }
  return all;
}

bool EndsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t k = 0; k < suffix.size(); ++k) {
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + k])) != suffix[k])
      return false;
  }
  return true;
}

std::string SizeText(Size size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace

std::optional<Size> ParseSize(std::string_view text) {
  const auto x = text.find_first_of("xX");
  if (x == std::string_view::npos) return std::nullopt;
  const auto w = ParseCount(text.substr(0, x), 1, kMaxFrameSide);
  const auto h = ParseCount(text.substr(x + 1), 1, kMaxFrameSide);
  if (!w || !h) return std::nullopt;
  return Size{*w, *h};
}

std::optional<int> FieldIndex(std::string_view label) {
  for (std::size_t k = 0; k < kFieldLabels.size(); ++k) {
    if (kFieldLabels[k] == label) return static_cast<int>(k);
  }
  return std::nullopt;
}

Size EffectiveCapacity(const Options& options, Size input) {
  if (options.capacity) return *options.capacity;
  return Size{std::max(options.max.width, input.width), std::max(options.max.height, input.height)};
}

std::string CapacityOrigin(const Options& options, Size input) {
  if (options.capacity) return "option --capacity " + SizeText(*options.capacity);
  if (EffectiveCapacity(options, input) == options.max)
    return "option --max " + SizeText(options.max);
  return "the larger of --max " + SizeText(options.max) + " and the input " + SizeText(input) +
         " per side";
}

void CheckCapacityArea(const Options& options, Size input) {
  const Size capacity = EffectiveCapacity(options, input);
  if (std::int64_t{capacity.width} * capacity.height <= kMaxFramePixels) return;
  throw IoError("frame buffers of " + SizeText(capacity) + " (" + CapacityOrigin(options, input) +
                ") exceed the host's limit of " + std::to_string(kMaxFramePixels) + " pixels" +
                (options.capacity ? "" : "; give a smaller --max or a --capacity"));
}

void CheckFrameArea(Size size, const std::string& what) {
  const std::int64_t pixels = std::int64_t{size.width} * size.height;
  if (pixels <= kMaxFramePixels) return;
  throw IoError(what + " is " + SizeText(size) + " (" + std::to_string(pixels) +
                " pixels), more than the host's limit of " + std::to_string(kMaxFramePixels) +
                " pixels");
}

std::vector<FieldEdit> ScaleEdits(Size output, Size input) {
  // Source corner and extent, destination corner and extent, output size.
  // clang-format off
  const std::int32_t values[] = {0, 0, input.width, input.height,
                                 0, 0, output.width, output.height,
                                 output.width, output.height};
  // clang-format on
  std::vector<FieldEdit> edits;
  for (std::size_t k = 0; k < std::size(values); ++k)
    edits.push_back(FieldEdit{std::string(kFieldLabels[k]), std::to_string(values[k])});
  return edits;
}

std::string HelpText() {
  return "usage: tesselox-host [options]\n"
         "  --module PATH          module to load (default: the built Tesselox.auf)\n"
         "  --in PATH              input picture (PNG, JPEG, BMP, PNM) or Y4M stream, - for stdin "
         "(default: a built-in 1440x1080 test pattern)\n"
         "  --out PATH             output PNG for an image, Y4M for a Y4M stream, - for stdout "
         "(default: out/tesselox.png)\n"
         "  --set \"LABEL=VALUE\"    type VALUE into the field LABEL after initialisation; "
         "repeatable, applied in order\n"
         "  --scale WxH            scale the whole input frame to WxH: types its corner and size "
         "into the fields, before any --set (raises --max to fit)\n"
         "  --max WxH              the largest frame size the host reports to the module "
         "(default: 1920x1080)\n"
         "  --capacity WxH         the frame buffers' capacity (default: the larger of --max and "
         "the input)\n"
         "  --out-depth 8|16       bits per channel of the output PNG (default: 8)\n"
         "  --frames N             filter the still input N times and report milliseconds per "
         "frame (default: 1)\n"
         "  --print-fields         after the run, print each field's label, text and range\n"
         "  --screenshot PATH      after the --set edits, save a PNG of the configuration "
         "window\n"
         "  --show                 open the configuration window and a live preview of the "
         "output\n"
         "  --strict               refuse to run when a typed value is not what the filter will "
         "use\n"
         "  --help                 print this help\n";
}

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  std::vector<std::string> seen;
  auto once = [&](const std::string& name) {
    if (std::find(seen.begin(), seen.end(), name) != seen.end())
      throw IoError("option " + name + " given twice");
    seen.push_back(name);
  };
  for (std::size_t k = 0; k < args.size(); ++k) {
    // "--name=value" is "--name value" in one argument.
    std::string arg = args[k];
    std::optional<std::string> attached;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      attached = arg.substr(eq + 1);
      arg.resize(eq);
    }
    auto value = [&]() -> std::string {
      if (attached) return *attached;
      if (k + 1 >= args.size()) throw IoError("option " + arg + " needs a value");
      return args[++k];
    };
    auto path = [&]() -> std::string {
      const std::string v = value();
      if (v.empty()) throw IoError("option " + arg + " needs a non-empty path");
      return v;
    };
    auto size = [&]() -> Size {
      const std::string v = value();
      const auto s = ParseSize(v);
      if (!s) {
        throw IoError("option " + arg + ": bad size \"" + v + "\" (want WxH, each 1 to " +
                      std::to_string(kMaxFrameSide) + ")");
      }
      return *s;
    };
    if (arg == "--set") {
      const std::string v = value();
      const auto eq = v.find('=');
      if (eq == std::string::npos) throw IoError("option --set: \"" + v + "\" is not LABEL=VALUE");
      const std::string_view label = Trim(std::string_view(v).substr(0, eq));
      if (!FieldIndex(label)) {
        throw IoError("option --set: unknown field label \"" + std::string(label) +
                      "\" (known: " + KnownLabels() + ")");
      }
      options.edits.push_back(FieldEdit{std::string(label), v.substr(eq + 1)});
      continue;
    }
    const std::pair<const char*, bool*> flags[] = {{"--print-fields", &options.printFields},
                                                   {"--show", &options.show},
                                                   {"--strict", &options.strict},
                                                   {"--help", &options.help},
                                                   {"-h", &options.help}};
    bool handled = false;
    for (const auto& [name, target] : flags) {
      if (arg != name) continue;
      if (attached) throw IoError("option " + arg + " takes no value");
      once(arg == "-h" ? "--help" : arg);
      *target = true;
      handled = true;
    }
    if (handled) continue;
    const std::pair<const char*, std::string*> paths[] = {{"--module", &options.module},
                                                          {"--in", &options.in},
                                                          {"--out", &options.out},
                                                          {"--screenshot", &options.screenshot}};
    for (const auto& [name, target] : paths) {
      if (arg != name) continue;
      once(arg);
      *target = path();
      handled = true;
    }
    if (handled) continue;
    if (arg == "--max" || arg == "--capacity" || arg == "--scale") {
      once(arg);
      const Size s = size();
      if (arg == "--max") {
        // The "width" and "height" fields start at their own smallest value; a smaller largest
        // frame would give them an empty range.
        const std::int32_t low = kFieldSpecs[static_cast<int>(FieldId::Width)].low;
        const std::int32_t lowHeight = kFieldSpecs[static_cast<int>(FieldId::Height)].low;
        if (s.width < low || s.height < lowHeight) {
          throw IoError("option --max: " + SizeText(s) + " is below the smallest frame " +
                        std::to_string(low) + "x" + std::to_string(lowHeight) +
                        " the width and height fields take");
        }
        options.max = s;
      } else if (arg == "--scale") {
        options.scale = s;
      } else {
        options.capacity = s;
      }
      continue;
    }
    if (arg == "--frames") {
      once(arg);
      const std::string v = value();
      const auto n = ParseCount(v, 1, 1000000);
      if (!n) throw IoError("option --frames: bad count \"" + v + "\" (want 1 to 1000000)");
      options.frames = *n;
      continue;
    }
    if (arg == "--out-depth") {
      once(arg);
      const std::string v = value();
      if (v != "8" && v != "16")
        throw IoError("option --out-depth: bad depth \"" + v + "\" (want 8 or 16)");
      options.outDepth = v == "8" ? 8 : 16;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') throw IoError("unknown option " + arg + " (see --help)");
    throw IoError("unexpected argument \"" + arg + "\" (see --help)");
  }
  if (options.scale) {
    // The module is told of a largest frame that holds the output, unless --max says otherwise.
    const Size scale = *options.scale;
    const bool maxGiven = std::find(seen.begin(), seen.end(), "--max") != seen.end();
    if (maxGiven && (scale.width > options.max.width || scale.height > options.max.height)) {
      throw IoError("option --scale: " + SizeText(scale) + " is larger than --max " +
                    SizeText(options.max));
    }
    options.max =
        Size{std::max(options.max.width, scale.width), std::max(options.max.height, scale.height)};
  }
  if (options.screenshot == "-") throw IoError("option --screenshot needs a file, not -");
  if (!options.screenshot.empty() && !EndsWithNoCase(options.screenshot, ".png")) {
    throw IoError("option --screenshot " + options.screenshot +
                  ": the window is saved as PNG; name it .png");
  }
  return options;
}

}  // namespace tesselox::io
