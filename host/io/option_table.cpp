#include "host/io/option_table.h"

#include <algorithm>
#include <type_traits>

namespace tesselox::io {
namespace {

// The value a default-constructed Options holds for the option, as the help shows it; empty
// where there is none to show (a flag, an optional value, an empty path).
std::string DefaultText(const OptionSpec& option) {
  static const Options defaults;
  return std::visit(
      [](auto member) -> std::string {
        const auto& value = defaults.*member;
        using Value = std::decay_t<decltype(value)>;
        if constexpr (std::is_same_v<Value, std::string>) return value;
        if constexpr (std::is_same_v<Value, Size>) return SizeText(value);
        if constexpr (std::is_same_v<Value, std::int32_t>) return std::to_string(value);
        if constexpr (std::is_same_v<Value, FitMode> || std::is_same_v<Value, Sampling>)
          return std::string(NameOf(value));
        return "";
      },
      option.target);
}

}  // namespace

const OptionSpec* FindOption(std::string_view name) {
  if (name == "-h") name = "--help";
  for (const OptionSpec& option : kOptions) {
    if (option.name == name) return &option;
  }
  return nullptr;
}

std::string HelpText() {
  constexpr std::size_t kHelpColumn = 23;  // where the descriptions start, after two spaces
  std::string text = "usage: tesselox-host [options]\n";
  for (const OptionSpec& option : kOptions) {
    std::string line = std::string(option.name);
    // Appended piece by piece: GCC 12 misreads string concatenation here under -Wrestrict.
    if (!option.value.empty()) line.append(" ").append(option.value);
    line.resize(std::max(line.size() + 1, kHelpColumn), ' ');
    line += option.help;
    if (const std::string value = DefaultText(option); !value.empty())
      line.append(" (default: ").append(value).append(")");
    text.append("  ").append(line).append("\n");
  }
  return text;
}

}  // namespace tesselox::io
