#pragma once

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tesselox::io {

// A problem with the host's input, output or options. what() is one line that names it.
class IoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Text from a file or the command line made safe to quote in a one-line error: printable ASCII
// and UTF-8 stay, every other byte (newlines, escapes, broken UTF-8) becomes \xNN, and the
// result is cut to `limit` bytes with "...".
inline std::string Printable(std::string_view text, std::size_t limit = 64) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  std::size_t k = 0;
  while (k < text.size() && out.size() < limit) {
    const auto c = static_cast<unsigned char>(text[k]);
    std::size_t length = c >= 0x20 && c < 0x7f    ? 1
                         : c >= 0xc2 && c <= 0xdf ? 2
                         : c >= 0xe0 && c <= 0xef ? 3
                         : c >= 0xf0 && c <= 0xf4 ? 4
                                                  : 0;
    for (std::size_t m = 1; m < length; ++m) {
      if (k + m >= text.size() || (static_cast<unsigned char>(text[k + m]) & 0xc0) != 0x80)
        length = 0;
    }
    if (length == 0) {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
      ++k;
    } else {
      out.append(text.substr(k, length));
      k += length;
    }
  }
  if (k < text.size()) out += "...";
  return out;
}

// Forgets the reason of an earlier failure, before a write whose failure WriteFailure explains.
inline void ClearWriteFailure() {
  errno = 0;
}

// "write error", with the reason the C runtime left when it left one ("No space left on
// device", "Broken pipe").
inline std::string WriteFailure() {
  const int code = errno;
#ifdef _WIN32
  // Wine's runtime calls both a full disk and a pipe whose reader has gone EINVAL (the
  // system's own codes stay out of reach by then); the host writes to no device, so it is one
  // of the two.
  if (code == EINVAL) return "write error (the disk is full, or the pipe's reader has gone)";
#endif
  return code != 0 ? std::string("write error (") + std::strerror(code) + ")" : "write error";
}

}  // namespace tesselox::io
