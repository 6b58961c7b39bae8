#include "host/io/options.h"

#include <algorithm>
#include <cctype>

#include "module/field_table.h"
#include "host/io/io_error.h"
#include "host/io/option_table.h"
#include "host/io/picture.h"

namespace tesselox::io {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string KnownLabels() {
  std::string all;
  for (const FieldSpec& field : kFieldSpecs) {
    if (!all.empty()) all += ", ";
    all += '"';
    all += field.label;
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

FieldEdit ParseEdit(const std::string& v) {
  const auto eq = v.find('=');
  if (eq == std::string::npos) throw IoError("option --set: \"" + v + "\" is not LABEL=VALUE");
  const std::string_view label = Trim(std::string_view(v).substr(0, eq));
  if (!FieldNamed(label)) {
    throw IoError("option --set: unknown field label \"" + std::string(label) +
                  "\" (known: " + KnownLabels() + ")");
  }
  return FieldEdit{std::string(label), v.substr(eq + 1)};
}

// The "width" and "height" fields start at their own smallest value; a smaller largest frame
// would give them an empty range.
void CheckLargestFrame(Size max) {
  const Size smallest{kFieldSpecs[Index(FieldId::Width)].low,
                      kFieldSpecs[Index(FieldId::Height)].low};
  if (max.width < smallest.width || max.height < smallest.height) {
    throw IoError("option --max: " + SizeText(max) + " is below the smallest frame " +
                  SizeText(smallest) + " the width and height fields take");
  }
}

// The value of an option of `kind` (not a flag), from its text, into `options`.
void Store(Options& options, const OptionSpec& option, const std::string& v) {
  const std::string name(option.name);
  switch (option.kind) {
    case OptionKind::Flag:
      break;
    case OptionKind::Path:
      if (v.empty()) throw IoError("option " + name + " needs a non-empty path");
      options.*std::get<std::string Options::*>(option.target) = v;
      break;
    case OptionKind::Size: {
      const auto s = ParseSize(v);
      if (!s) {
        throw IoError("option " + name + ": bad size \"" + v + "\" (want WxH, each 1 to " +
                      std::to_string(kMaxFrameSide) + ")");
      }
      if (option.target == OptionTarget{&Options::max}) CheckLargestFrame(*s);
      std::visit(
          [&](auto member) {
            if constexpr (requires { options.*member = *s; }) options.*member = *s;
          },
          option.target);
      break;
    }
    case OptionKind::Count: {
      const auto n = ParseCount(v, 1, kMaxCount);
      if (!n) {
        throw IoError("option " + name + ": bad count \"" + v + "\" (want 1 to " +
                      std::to_string(kMaxCount) + ")");
      }
      options.*std::get<std::int32_t Options::*>(option.target) = *n;
      break;
    }
    case OptionKind::Depth:
      if (v != "8" && v != "16")
        throw IoError("option " + name + ": bad depth \"" + v + "\" (want 8 or 16)");
      options.*std::get<std::int32_t Options::*>(option.target) = v == "8" ? 8 : 16;
      break;
    case OptionKind::Edit:
      (options.*std::get<std::vector<FieldEdit> Options::*>(option.target)).push_back(ParseEdit(v));
      break;
    case OptionKind::Choice:
      if (const auto* fit = std::get_if<FitMode Options::*>(&option.target)) {
        const auto mode = FitModeNamed(v);
        if (!mode) {
          throw IoError("option " + name + ": unknown mode \"" + v +
                        "\" (known: " + std::string(FitModeNames()) + ")");
        }
        options.** fit = *mode;
      } else {
        const auto sampling = SamplingNamed(v);
        if (!sampling) {
          throw IoError("option " + name + ": unknown mode \"" + v +
                        "\" (known: " + std::string(SamplingNames()) + ")");
        }
        options.*std::get<Sampling Options::*>(option.target) = *sampling;
      }
      break;
  }
}

// The module is told of a largest frame that holds the --scale output, unless --max says
// otherwise.
void FitLargestFrame(Options& options, bool maxGiven) {
  if (!options.scale) return;
  const Size scale = *options.scale;
  if (maxGiven && (scale.width > options.max.width || scale.height > options.max.height)) {
    throw IoError("option --scale: " + SizeText(scale) + " is larger than --max " +
                  SizeText(options.max));
  }
  options.max =
      Size{std::max(options.max.width, scale.width), std::max(options.max.height, scale.height)};
}

}  // namespace

Options ParseOptions(const std::vector<std::string>& args) {
  Options options;
  std::vector<const OptionSpec*> seen;
  for (std::size_t k = 0; k < args.size(); ++k) {
    // "--name=value" is "--name value" in one argument.
    std::string arg = args[k];
    std::optional<std::string> attached;
    if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      attached = arg.substr(eq + 1);
      arg.resize(eq);
    }
    const OptionSpec* option = FindOption(arg);
    if (option == nullptr) {
      if (arg.size() > 1 && arg[0] == '-') throw IoError("unknown option " + arg + " (see --help)");
      throw IoError("unexpected argument \"" + arg + "\" (see --help)");
    }
    const std::string name(option->name);
    if (option->kind == OptionKind::Flag && attached)
      throw IoError("option " + arg + " takes no value");
    if (option->kind != OptionKind::Edit) {
      if (std::find(seen.begin(), seen.end(), option) != seen.end())
        throw IoError("option " + name + " given twice");
      seen.push_back(option);
    }
    if (option->kind == OptionKind::Flag) {
      options.*std::get<bool Options::*>(option->target) = true;
      continue;
    }
    if (!attached && k + 1 >= args.size()) throw IoError("option " + arg + " needs a value");
    Store(options, *option, attached ? *attached : args[++k]);
  }
  FitLargestFrame(options, std::find(seen.begin(), seen.end(), FindOption("--max")) != seen.end());
  // Both say how --scale types the fields: alone they would do nothing.
  for (const char* needsScale : {"--fit", "--sampling"}) {
    if (!options.scale && std::find(seen.begin(), seen.end(), FindOption(needsScale)) != seen.end())
      throw IoError(std::string("option ") + needsScale +
                    " works with --scale WxH, which is missing");
  }
  if (options.screenshot == "-") throw IoError("option --screenshot needs a file, not -");
  if (!options.screenshot.empty() && !EndsWithNoCase(options.screenshot, ".png")) {
    throw IoError("option --screenshot " + options.screenshot +
                  ": the window is saved as PNG; name it .png");
  }
  return options;
}

}  // namespace tesselox::io
