#include "host/io/options.h"

#include <algorithm>
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

std::string HelpText() {
  return "usage: tesselox-host [options]\n"
         "  --module PATH          module to load (default: the built Tesselox.auf)\n"
         "  --in PATH              input image (PNG, JPEG, BMP, PPM) or Y4M stream, - for stdin "
         "(default: a built-in 1440x1080 test pattern)\n"
         "  --out PATH             output PNG for an image, Y4M for a Y4M stream, - for stdout "
         "(default: out/tesselox.png)\n"
         "  --set \"LABEL=VALUE\"    type VALUE into the field LABEL after initialisation; "
         "repeatable, applied in order\n"
         "  --max WxH              the largest frame size the host reports to the module "
         "(default: 1920x1080)\n"
         "  --capacity WxH         the frame buffers' capacity (default: the larger of --max and "
         "the input)\n"
         "  --frames N             filter the still input N times and report milliseconds per "
         "frame (default: 1)\n"
         "  --print-fields         after the run, print each field's label, text and range\n"
         "  --screenshot PATH      after the --set edits, save a PNG of the configuration "
         "window\n"
         "  --show                 open the configuration window and a live preview of the "
         "output\n"
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
    const std::string& arg = args[k];
    auto value = [&]() -> const std::string& {
      if (k + 1 >= args.size()) throw IoError("option " + arg + " needs a value");
      return args[++k];
    };
    auto path = [&]() -> std::string {
      const std::string& v = value();
      if (v.empty()) throw IoError("option " + arg + " needs a non-empty path");
      return v;
    };
    auto size = [&]() -> Size {
      const std::string& v = value();
      const auto s = ParseSize(v);
      if (!s) {
        throw IoError("option " + arg + ": bad size \"" + v + "\" (want WxH, each 1 to " +
                      std::to_string(kMaxFrameSide) + ")");
      }
      return *s;
    };
    if (arg == "--set") {
      const std::string& v = value();
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
    if (arg == "--print-fields" || arg == "--show" || arg == "--help" || arg == "-h") {
      once(arg == "-h" ? "--help" : arg);
      if (arg == "--print-fields")
        options.printFields = true;
      else if (arg == "--show")
        options.show = true;
      else
        options.help = true;
      continue;
    }
    const std::pair<const char*, std::string*> paths[] = {{"--module", &options.module},
                                                          {"--in", &options.in},
                                                          {"--out", &options.out},
                                                          {"--screenshot", &options.screenshot}};
    bool handled = false;
    for (const auto& [name, target] : paths) {
      if (arg != name) continue;
      once(arg);
      *target = path();
      handled = true;
    }
    if (handled) continue;
    if (arg == "--max" || arg == "--capacity") {
      once(arg);
      const Size s = size();
      if (arg == "--max") {
        options.max = s;
      } else {
        options.capacity = s;
      }
      continue;
    }
    if (arg == "--frames") {
      once(arg);
      const std::string& v = value();
      const auto n = ParseCount(v, 1, 1000000);
      if (!n) throw IoError("option --frames: bad count \"" + v + "\" (want 1 to 1000000)");
      options.frames = *n;
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') throw IoError("unknown option " + arg + " (see --help)");
    throw IoError("unexpected argument \"" + arg + "\" (see --help)");
  }
  if (options.screenshot == "-") throw IoError("option --screenshot needs a file, not -");
  return options;
}

}  // namespace tesselox::io
