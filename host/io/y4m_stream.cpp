#include "host/io/y4m_stream.h"

#include <charconv>
#include <istream>
#include <ostream>
#include <sstream>
#include <utility>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr char kMagic[] = "YUV4MPEG2";

std::int32_t ParseSide(const std::string& token, const std::string& name) {
  std::int32_t v = 0;
  const char* first = token.data() + 1;
  const char* last = token.data() + token.size();
  const auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last || v <= 0 || v > kMaxFrameSide) {
    throw IoError(name + ": Y4M header has a bad size " + token + " (1 to " +
                  std::to_string(kMaxFrameSide) + " allowed)");
  }
  return v;
}

bool IsRatio(const std::string& v) {
  const auto colon = v.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == v.size()) return false;
  for (std::size_t k = 0; k < v.size(); ++k) {
    if (k != colon && (v[k] < '0' || v[k] > '9')) return false;
  }
  return true;
}

std::size_t ChromaSide(std::int32_t side) {
  return (static_cast<std::size_t>(side) + 1) / 2;
}

std::size_t FrameBytes(const Y4mHeader& h) {
  const std::size_t luma = static_cast<std::size_t>(h.width) * static_cast<std::size_t>(h.height);
  const std::size_t chroma =
      IsFourTwoZero(h.colourSpace) ? ChromaSide(h.width) * ChromaSide(h.height) : luma;
  return luma + 2 * chroma;
}

}  // namespace

bool IsFourTwoZero(const std::string& colourSpace) {
  return colourSpace == "420" || colourSpace == "420jpeg" || colourSpace == "420paldv" ||
         colourSpace == "420mpeg2";
}

Y4mReader::Y4mReader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {
  bool atEnd = false;
  const std::string line = ReadLine("header", &atEnd);
  if (atEnd) throw IoError(name_ + ": empty input");
  std::istringstream tokens(line);
  std::string token;
  if (!(tokens >> token) || token != kMagic)
    throw IoError(name_ + ": not a Y4M stream (no YUV4MPEG2 header)");
  while (tokens >> token) {
    const std::string value = token.substr(1);
    switch (token[0]) {
      case 'W':
        header_.width = ParseSide(token, name_);
        break;
      case 'H':
        header_.height = ParseSide(token, name_);
        break;
      case 'C':
        header_.colourSpace = value;
        break;
      case 'F':
        if (!IsRatio(value)) throw IoError(name_ + ": Y4M header has a bad frame rate " + token);
        header_.frameRate = value;
        break;
      case 'A':
        if (!IsRatio(value)) throw IoError(name_ + ": Y4M header has a bad pixel aspect " + token);
        header_.aspect = value;
        break;
      case 'I':
        header_.interlace = value;
        break;
      case 'X':
        header_.extensions.push_back(value);
        break;
      default:
        break;  // unknown tags are skipped, as readers of this format are meant to
    }
  }
  if (header_.width == 0 || header_.height == 0)
    throw IoError(name_ + ": Y4M header lacks the frame width (W) or height (H)");
  if (header_.colourSpace != "444" && !IsFourTwoZero(header_.colourSpace)) {
    throw IoError(name_ + ": Y4M colour space C" + header_.colourSpace +
                  " is not supported (8-bit C444, C420, C420jpeg, C420paldv, C420mpeg2 are)");
  }
  planes_.resize(FrameBytes(header_));
}

std::string Y4mReader::ReadLine(const char* what, bool* atEnd) {
  std::string line;
  *atEnd = false;
  for (;;) {
    const int c = in_.get();
    if (c == std::char_traits<char>::eof()) {
      if (in_.bad()) throw IoError(name_ + ": read error");
      if (line.empty()) {
        *atEnd = true;
        return line;
      }
      throw IoError(name_ + ": Y4M stream ends inside a " + what + " line (after " +
                    std::to_string(frames_) + " frames)");
    }
    if (c == '\n') return line;
    if (line.size() >= kMaxLine) throw IoError(name_ + ": Y4M " + what + " line too long");
    line.push_back(static_cast<char>(c));
  }
}

void Y4mReader::ReadPlane(std::uint8_t* dst, std::size_t bytes) {
  in_.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(bytes));
  if (static_cast<std::size_t>(in_.gcount()) != bytes) {
    if (in_.bad()) throw IoError(name_ + ": read error");
    throw IoError(name_ + ": Y4M frame " + std::to_string(frames_ + 1) + " is truncated (" +
                  std::to_string(in_.gcount()) + " of " + std::to_string(bytes) +
                  " bytes of a plane)");
  }
}

bool Y4mReader::ReadFrame(Image& frame) {
  bool atEnd = false;
  const std::string line = ReadLine("FRAME", &atEnd);
  if (atEnd) return false;
  if (line.compare(0, 5, "FRAME") != 0 || (line.size() > 5 && line[5] != ' ')) {
    throw IoError(name_ + ": Y4M frame " + std::to_string(frames_ + 1) +
                  " does not start with FRAME");
  }
  ReadPlane(planes_.data(), planes_.size());

  const std::int32_t w = header_.width, h = header_.height;
  if (frame.width != w || frame.height != h) frame = Image(w, h);
  const std::size_t luma = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  const std::uint8_t* y = planes_.data();
  const std::uint8_t* cb = y + luma;
  if (IsFourTwoZero(header_.colourSpace)) {
    const std::size_t cw = ChromaSide(w);
    const std::uint8_t* cr = cb + cw * ChromaSide(h);
    for (std::int32_t row = 0; row < h; ++row) {
      const std::size_t crow = static_cast<std::size_t>(row / 2) * cw;
      for (std::int32_t col = 0; col < w; ++col) {
        const std::size_t k = static_cast<std::size_t>(row) * w + col;
        const std::size_t c = crow + static_cast<std::size_t>(col / 2);
        frame.pixels[k] = PixelFromBytes(y[k], cb[c], cr[c]);
      }
    }
  } else {
    const std::uint8_t* cr = cb + luma;
    for (std::size_t k = 0; k < luma; ++k) frame.pixels[k] = PixelFromBytes(y[k], cb[k], cr[k]);
  }
  ++frames_;
  return true;
}

Y4mWriter::Y4mWriter(std::ostream& out, Y4mHeader input) : out_(out), input_(std::move(input)) {}

void Y4mWriter::WriteHeader(std::int32_t width, std::int32_t height) {
  written_ = input_;
  written_.width = width;
  written_.height = height;
  if (IsFourTwoZero(input_.colourSpace) && (width % 2 != 0 || height % 2 != 0)) {
    written_.colourSpace = "444";
    note_ = "4:2:0 needs an even width and height: wrote C444 for the " + std::to_string(width) +
            " x " + std::to_string(height) + " output";
  }
  if (width != input_.width || height != input_.height) {
    written_.interlace.clear();
    written_.aspect.clear();
  }
  // Some writers name the subsampling again in an X tag; it would contradict a changed C.
  std::erase_if(written_.extensions,
                [](const std::string& x) { return x.rfind("YSCSS=", 0) == 0; });

  std::string line =
      std::string(kMagic) + " W" + std::to_string(width) + " H" + std::to_string(height);
  if (!written_.frameRate.empty()) line += " F" + written_.frameRate;
  if (!written_.interlace.empty()) line += " I" + written_.interlace;
  if (!written_.aspect.empty()) line += " A" + written_.aspect;
  line += " C" + written_.colourSpace;
  for (const std::string& x : written_.extensions) line += " X" + x;
  line += '\n';
  out_.write(line.data(), static_cast<std::streamsize>(line.size()));
  planes_.resize(FrameBytes(written_));
}

void Y4mWriter::WriteFrame(const Image& frame) {
  if (frames_ == 0) {
    if (frame.width <= 0 || frame.height <= 0) {
      throw IoError("cannot write a Y4M frame of " + std::to_string(frame.width) + " x " +
                    std::to_string(frame.height) + " pixels");
    }
    WriteHeader(frame.width, frame.height);
  } else if (frame.width != written_.width || frame.height != written_.height) {
    throw IoError("output frame " + std::to_string(frames_ + 1) + " is " +
                  std::to_string(frame.width) + " x " + std::to_string(frame.height) +
                  ", but the stream is " + std::to_string(written_.width) + " x " +
                  std::to_string(written_.height));
  }
  const std::int32_t w = frame.width, h = frame.height;
  const std::size_t luma = static_cast<std::size_t>(w) * static_cast<std::size_t>(h);
  std::uint8_t* y = planes_.data();
  std::uint8_t* cb = y + luma;
  for (std::size_t k = 0; k < luma; ++k) y[k] = ChannelToByte(Channel(frame.pixels[k], 0));
  if (IsFourTwoZero(written_.colourSpace)) {
    const std::int32_t cw = w / 2, ch = h / 2;
    std::uint8_t* cr = cb + static_cast<std::size_t>(cw) * ch;
    for (std::int32_t row = 0; row < ch; ++row) {
      for (std::int32_t col = 0; col < cw; ++col) {
        unsigned sum[2] = {2, 2};  // rounds the average to nearest
        for (int dy = 0; dy < 2; ++dy) {
          for (int dx = 0; dx < 2; ++dx) {
            const Pixel& p = frame.At(2 * col + dx, 2 * row + dy);
            sum[0] += ChannelToByte(Channel(p, 1));
            sum[1] += ChannelToByte(Channel(p, 2));
          }
        }
        const std::size_t c = static_cast<std::size_t>(row) * cw + col;
        cb[c] = static_cast<std::uint8_t>(sum[0] / 4);
        cr[c] = static_cast<std::uint8_t>(sum[1] / 4);
      }
    }
  } else {
    std::uint8_t* cr = cb + luma;
    for (std::size_t k = 0; k < luma; ++k) {
      cb[k] = ChannelToByte(Channel(frame.pixels[k], 1));
      cr[k] = ChannelToByte(Channel(frame.pixels[k], 2));
    }
  }
  out_.write("FRAME\n", 6);
  out_.write(reinterpret_cast<const char*>(planes_.data()),
             static_cast<std::streamsize>(planes_.size()));
  if (!out_) throw IoError("write error after " + std::to_string(frames_) + " frames");
  ++frames_;
}

}  // namespace tesselox::io
