#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tesselox::io {

// Paths travel through the host as UTF-8 text and reach the file system only through these two
// conversions: on Windows a std::filesystem::path holds UTF-16 and its std::string constructor
// reads the ANSI code page, which has no room for most names; elsewhere the bytes pass as they
// are.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace tesselox::io
