// libFuzzer target for what the host reads from outside: bytes are taken the way the host takes
// an input file (a Y4M stream when they start with 'Y', a picture otherwise), and bytes that
// start with "--" are command-line arguments separated by NUL. Refusals (IoError) are expected;
// any other exception, crash, sanitizer report or leak is a fault.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/io/capacity.h"
#include "host/io/io_error.h"
#include "host/io/options.h"
#include "host/io/picture_file.h"
#include "host/io/y4m_stream.h"

namespace {

using namespace tesselox::io;

// Pictures up to the host's side limit but a smaller area, so that each run stays quick; the
// area check itself is the same code whatever the limit.
constexpr PictureLimits kLimits{.maxSide = kMaxFrameSide, .maxPixels = 512 * 512};
constexpr std::int64_t kMaxY4mPixels = 512 * 512;
constexpr int kMaxY4mFrames = 4;

void CheckPicture(const Picture& image) {
  if (image.width < 1 || image.height < 1 ||
      static_cast<std::int64_t>(image.width) * image.height > kLimits.maxPixels ||
      image.pixels.size() != static_cast<std::size_t>(image.width) * image.height) {
    __builtin_trap();
  }
}

// The frame size a Y4M header names, read as loosely as possible; each frame is decoded whole
// into a picture, so large frames are skipped to keep runs short.
bool Y4mFrameTooLarge(std::string_view text) {
  const std::string_view line = text.substr(0, text.find('\n'));
  std::int64_t width = 0, height = 0;
  for (std::size_t at = 0; at < line.size(); ++at) {
    if (at > 0 && line[at - 1] != ' ') continue;
    if (line[at] != 'W' && line[at] != 'H') continue;
    std::int64_t value = 0;
    for (std::size_t k = at + 1; k < line.size() && line[k] >= '0' && line[k] <= '9'; ++k)
      value = std::min<std::int64_t>(value * 10 + (line[k] - '0'), 1 << 30);
    (line[at] == 'W' ? width : height) = value;
  }
  return width * height > kMaxY4mPixels;
}

void FuzzY4m(std::string_view text) {
  if (Y4mFrameTooLarge(text)) return;
  std::istringstream in{std::string(text)};
  Y4mReader reader(in, "fuzz.y4m");
  Picture frame;
  for (int k = 0; k < kMaxY4mFrames && reader.ReadFrame(frame); ++k) CheckPicture(frame);
}

// A refusal is one line that quotes no control character from the file.
bool IsOneCleanLine(std::string_view message) {
  for (const char c : message) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

void FuzzPicture(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::string> notices;
  Picture image;
  try {
    image = DecodePicture(bytes, "fuzz", &notices, kLimits);
  } catch (const IoError& e) {
    if (!IsOneCleanLine(e.what())) __builtin_trap();
    return;
  }
  CheckPicture(image);
  for (const std::string& notice : notices) {
    if (!IsOneCleanLine(notice)) __builtin_trap();
  }
  // What the host writes back must read back as the same picture.
  const Picture again = DecodePicture(EncodePng(image, 16), "again", nullptr, kLimits);
  if (again.pixels.size() != image.pixels.size() ||
      std::memcmp(again.pixels.data(), image.pixels.data(),
                  image.pixels.size() * sizeof(tesselox::Pixel)) != 0) {
    __builtin_trap();
  }
}

void FuzzOptions(std::string_view text) {
  std::vector<std::string> args;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\0', start);
    args.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  const Options options = ParseOptions(args);
  const Size capacity = EffectiveCapacity(options, Size{options.max.width, 1});
  if (capacity.width < 1 || capacity.height < 1 || capacity.width > kMaxFrameSide ||
      capacity.height > kMaxFrameSide || (options.outDepth != 8 && options.outDepth != 16)) {
    __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    if (text.starts_with("--")) {
      FuzzOptions(text);
    } else if (text.starts_with("Y")) {
      FuzzY4m(text);
    } else {
      FuzzPicture(std::vector<std::uint8_t>(data, data + size));
    }
  } catch (const IoError&) {
  }
  return 0;
}
