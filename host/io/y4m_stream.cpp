#include "host/io/y4m_stream.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <istream>
#include <numeric>
#include <ostream>
#include <sstream>
#include <utility>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

constexpr std::size_t kMaxLine = 4096;
constexpr char kMagic[] = "YUV4MPEG2";
constexpr char kFrameLine[] = "FRAME\n";
constexpr std::size_t kFrameLineBytes = 6;  // a whole number of 16-bit samples

std::int32_t ParseSide(const std::string& token, const std::string& name) {
  std::int32_t v = 0;
  const char* first = token.data() + 1;
  const char* last = token.data() + token.size();
  const auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last || v <= 0 || v > kMaxFrameSide) {
    throw IoError(name + ": Y4M header has a bad size " + Printable(token) + " (1 to " +
                  std::to_string(kMaxFrameSide) + " allowed)");
  }
  return v;
}

// "N:D" in digits; with `positive`, neither may be 0 (a frame rate; a pixel aspect of 0:0
// means unknown).
bool IsRatio(const std::string& v, bool positive = false) {
  const auto colon = v.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == v.size()) return false;
  for (std::size_t k = 0; k < v.size(); ++k) {
    if (k != colon && (v[k] < '0' || v[k] > '9')) return false;
  }
  const auto zero = [&](std::size_t from, std::size_t to) {
    return v.find_first_not_of('0', from) >= to;
  };
  return !positive || (!zero(0, colon) && !zero(colon + 1, v.size()));
}

// The depth a colour space's suffix names after its base ("p10" after "420"; "10" after
// "mono"), 8 for none, 0 for one that is not a supported depth.
int DepthOf(std::string_view suffix, bool withP) {
  if (suffix.empty()) return 8;
  if (withP) {
    if (suffix[0] != 'p') return 0;
    suffix.remove_prefix(1);
  }
  for (const std::string_view depth : {"9", "10", "12", "14", "16"}) {
    if (suffix == depth) return std::stoi(std::string(depth));
  }
  return 0;
}

std::int32_t ChromaWidth(Subsampling s, std::int32_t width) {
  return s == Subsampling::kMono ? 0 : s == Subsampling::k444 ? width : (width + 1) / 2;
}

std::int32_t ChromaHeight(Subsampling s, std::int32_t height) {
  return s == Subsampling::kMono ? 0 : s == Subsampling::k420 ? (height + 1) / 2 : height;
}

std::size_t Area(std::int32_t width, std::int32_t height) {
  return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

std::string FourFourFourName(int depth) {
  return depth == 8 ? "444" : "444p" + std::to_string(depth);
}

// The planes of one frame inside a buffer: where each starts, in samples.
struct Planes {
  std::size_t luma, cb, cr;
  std::int32_t chromaWidth, chromaHeight;
};

Planes PlanesOf(const SampleFormat& f, std::int32_t width, std::int32_t height) {
  const std::int32_t cw = ChromaWidth(f.subsampling, width);
  const std::int32_t ch = ChromaHeight(f.subsampling, height);
  const std::size_t luma = Area(width, height);
  return Planes{0, luma, luma + Area(cw, ch), cw, ch};
}

}  // namespace

std::optional<SampleFormat> FormatOf(const Y4mHeader& header) {
  const std::string_view space = header.colourSpace;
  SampleFormat format;
  if (space == "420" || space == "420jpeg" || space == "420paldv" || space == "420mpeg2") {
    format.subsampling = Subsampling::k420;
  } else if (space.starts_with("mono")) {
    format.subsampling = Subsampling::kMono;
    format.depth = DepthOf(space.substr(4), false);
  } else if (space.size() >= 3) {
    const std::string_view base = space.substr(0, 3);
    if (base == "420")
      format.subsampling = Subsampling::k420;
    else if (base == "422")
      format.subsampling = Subsampling::k422;
    else if (base == "444")
      format.subsampling = Subsampling::k444;
    else
      return std::nullopt;
    format.depth = DepthOf(space.substr(3), true);
  } else {
    return std::nullopt;
  }
  if (format.depth == 0) return std::nullopt;
  format.fullRange = std::find(header.extensions.begin(), header.extensions.end(),
                               "COLORRANGE=FULL") != header.extensions.end();
  return format;
}

PlaneLevels LumaLevels(const SampleFormat& format) {
  const int shift = format.depth - 8;
  return PlaneLevels{static_cast<std::uint16_t>(format.fullRange ? 0 : 16 << shift),
                     static_cast<std::uint16_t>((1 << format.depth) - 1)};
}

PlaneLevels ChromaLevels(const SampleFormat& format) {
  return PlaneLevels{static_cast<std::uint16_t>(1 << (format.depth - 1)),
                     static_cast<std::uint16_t>((1 << format.depth) - 1)};
}

std::size_t FrameBytes(const SampleFormat& format, std::int32_t width, std::int32_t height) {
  const Planes p = PlanesOf(format, width, height);
  const std::size_t samples = p.cr + Area(p.chromaWidth, p.chromaHeight);
  return samples * (format.depth > 8 ? 2 : 1);
}

Y4mReader::Y4mReader(std::istream& in, std::string name) : in_(in), name_(std::move(name)) {
  bool atEnd = false;
  const std::string line = ReadLine("header", &atEnd);
  if (atEnd) throw IoError(name_ + ": empty input");
  std::istringstream tokens(line);
  std::string token;
  if (!(tokens >> token) || token != kMagic)
    throw IoError(name_ + ": not a Y4M stream (no YUV4MPEG2 header)");
  std::string seen;  // the tags given so far; each may stand once, X excepted
  while (tokens >> token) {
    const std::string value = token.substr(1);
    if (token[0] != 'X' && seen.find(token[0]) != std::string::npos)
      throw IoError(name_ + ": Y4M header gives " + Printable(token.substr(0, 1)) + " twice");
    seen += token[0];
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
        if (!IsRatio(value, true))
          throw IoError(name_ + ": Y4M header has a bad frame rate " + Printable(token));
        header_.frameRate = value;
        break;
      case 'A':
        if (!IsRatio(value))
          throw IoError(name_ + ": Y4M header has a bad pixel aspect " + Printable(token));
        header_.aspect = value;
        break;
      case 'I':
        header_.interlace = value;
        break;
      case 'X':
        if (value.starts_with("COLORRANGE=") && value != "COLORRANGE=FULL" &&
            value != "COLORRANGE=LIMITED") {
          throw IoError(name_ + ": Y4M header has a bad colour range " + Printable(token) +
                        " (FULL or LIMITED)");
        }
        header_.extensions.push_back(value);
        break;
      default:
        break;  // unknown tags are skipped, as readers of this format are meant to
    }
  }
  if (header_.width == 0 || header_.height == 0)
    throw IoError(name_ + ": Y4M header lacks the frame width (W) or height (H)");
  if (static_cast<std::int64_t>(header_.width) * header_.height > kMaxFramePixels) {
    throw IoError(name_ + ": Y4M frames of " + std::to_string(header_.width) + " x " +
                  std::to_string(header_.height) + " pixels are larger than the " +
                  std::to_string(kMaxFramePixels) + " pixels the host accepts");
  }
  const auto format = FormatOf(header_);
  if (!format) {
    throw IoError(name_ + ": Y4M colour space C" + Printable(header_.colourSpace) +
                  " is not supported (C420 and its sitings, C422, C444, Cmono at 8 bits; "
                  "C420pN, C422pN, C444pN, CmonoN at N = 9, 10, 12, 14, 16)");
  }
  format_ = *format;
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

bool Y4mReader::NextFrame() {
  bool atEnd = false;
  const std::string line = ReadLine("FRAME", &atEnd);
  if (atEnd) return false;
  if (line.compare(0, 5, "FRAME") != 0 || (line.size() > 5 && line[5] != ' ')) {
    throw IoError(name_ + ": Y4M frame " + std::to_string(frames_ + 1) +
                  " does not start with FRAME");
  }
  const std::size_t bytes = FrameBytes(format_, header_.width, header_.height);
  auto* buffer = reinterpret_cast<char*>(samples_.data());
  if (samples_.size() * 2 >= bytes) {
    ReadBytes(buffer, bytes, 0, bytes);
  } else {
    // The first frame's buffer grows as its bytes arrive: a header that claims a huge frame
    // costs no memory until the data is there.
    for (std::size_t have = 0; have < bytes;) {
      const std::size_t next = std::min(bytes, std::max<std::size_t>(2 * have, 1 << 20));
      samples_.resize((next + 1) / 2);
      ReadBytes(reinterpret_cast<char*>(samples_.data()) + have, next - have, have, bytes);
      have = next;
    }
  }
  if (format_.depth > 8 && format_.depth < 16) CheckSamples(bytes / 2);
  ++frames_;
  return true;
}

void Y4mReader::CheckSamples(std::size_t count) const {
  // Any bit above the depth: one pass that the compiler vectorises, then a search only on
  // failure.
  const auto high = static_cast<std::uint16_t>(~((1u << format_.depth) - 1));
  const std::uint16_t* samples = samples_.data();
  std::uint16_t any = 0;
  for (std::size_t k = 0; k < count; ++k) any |= samples[k];
  if ((any & high) == 0) return;
  const std::uint16_t* bad =
      std::find_if(samples, samples + count, [&](std::uint16_t v) { return (v & high) != 0; });
  throw IoError(name_ + ": Y4M frame " + std::to_string(frames_ + 1) + " has a sample of " +
                std::to_string(*bad) + ", more than " + std::to_string(format_.depth) +
                " bits hold (" + std::to_string((1 << format_.depth) - 1) + ")");
}

void Y4mReader::ReadBytes(char* to, std::size_t count, std::size_t before, std::size_t total) {
  in_.read(to, static_cast<std::streamsize>(count));
  const auto got = static_cast<std::size_t>(in_.gcount());
  if (got == count) return;
  if (in_.bad()) throw IoError(name_ + ": read error");
  throw IoError(name_ + ": Y4M frame " + std::to_string(frames_ + 1) + " is truncated (" +
                std::to_string(before + got) + " of " + std::to_string(total) + " bytes)");
}

void Y4mReader::Decode(Pixel* dst, std::ptrdiff_t stride) {
  const RowKernels& k = FastRowKernels();
  const std::int32_t w = header_.width, h = header_.height;
  const std::size_t width = static_cast<std::size_t>(w);
  rows_.assign(3 * width, 0);  // mono leaves both chroma rows neutral
  std::uint16_t* y = rows_.data();
  std::uint16_t* cb = y + width;
  std::uint16_t* cr = cb + width;
  const Planes p = PlanesOf(format_, w, h);
  const std::uint16_t lumaOffset = LumaLevels(format_).offset;
  const std::uint16_t chromaOffset = ChromaLevels(format_).offset;
  const bool wide = format_.depth > 8;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples_.data());
  const std::uint16_t* words = samples_.data();
  std::int32_t chromaRow = -1;  // the chroma row now in cb and cr
  for (std::int32_t row = 0; row < h; ++row) {
    const std::size_t lumaAt = p.luma + static_cast<std::size_t>(row) * width;
    if (wide)
      k.widen16(y, words + lumaAt, width, lumaOffset);
    else
      k.widen8(y, bytes + lumaAt, width, lumaOffset);
    const std::int32_t wanted = format_.subsampling == Subsampling::k420 ? row / 2 : row;
    if (p.chromaWidth > 0 && wanted != chromaRow) {
      chromaRow = wanted;
      const std::size_t at = static_cast<std::size_t>(wanted) * p.chromaWidth;
      const bool twice = p.chromaWidth != w;
      for (const auto& [plane, out] : {std::pair{p.cb + at, cb}, std::pair{p.cr + at, cr}}) {
        if (wide)
          (twice ? k.widenTwice16 : k.widen16)(out, words + plane, width, chromaOffset);
        else
          (twice ? k.widenTwice8 : k.widen8)(out, bytes + plane, width, chromaOffset);
      }
    }
    k.interleave(dst + row * stride, y, cb, cr, width);
  }
}

bool Y4mReader::ReadFrame(Picture& frame) {
  if (!NextFrame()) return false;
  if (frame.width != header_.width || frame.height != header_.height)
    frame = Picture(header_.width, header_.height);
  Decode(frame.pixels.data(), frame.width);
  return true;
}

std::string ScaledAspect(const std::string& aspect, const CopyExtents& extents) {
  const auto colon = aspect.find(':');
  if (!IsRatio(aspect, true)) return aspect;  // unknown, or absent
  std::uint64_t n = 0, d = 0;
  const char* text = aspect.data();
  const auto nEnd = std::from_chars(text, text + colon, n);
  const auto dEnd = std::from_chars(text + colon + 1, text + aspect.size(), d);
  if (nEnd.ec != std::errc() || dEnd.ec != std::errc()) return "";
  const std::uint64_t across = static_cast<std::uint64_t>(extents.srcCx * extents.dstCy);
  const std::uint64_t down = static_cast<std::uint64_t>(extents.dstCx * extents.srcCy);
  if (across == 0 || down == 0) return "";
  // Reduce each factor against the others first, so that the products stay small.
  const auto reduce = [](std::uint64_t& a, std::uint64_t& b) {
    const std::uint64_t g = std::gcd(a, b);
    a /= g;
    b /= g;
  };
  std::uint64_t a = across, b = down;
  reduce(a, b);
  reduce(n, d);
  reduce(n, b);
  reduce(a, d);
  constexpr std::uint64_t kMax = INT32_MAX;
  if (n > kMax || a > kMax || d > kMax || b > kMax || n * a > kMax || d * b > kMax) return "";
  return std::to_string(n * a) + ":" + std::to_string(d * b);
}

Y4mWriter::Y4mWriter(std::ostream& out, Y4mHeader input, CopyExtents extents)
    : out_(out), input_(std::move(input)), extents_(extents) {}

void Y4mWriter::WriteHeader(std::int32_t width, std::int32_t height) {
  const auto format = FormatOf(input_);
  if (!format) throw IoError("cannot write Y4M colour space C" + Printable(input_.colourSpace));
  format_ = *format;
  written_ = input_;
  written_.width = width;
  written_.height = height;
  const bool oddWidth = width % 2 != 0, oddHeight = height % 2 != 0;
  const char* needs = format_.subsampling == Subsampling::k420 && (oddWidth || oddHeight)
                          ? "4:2:0 needs an even width and height"
                      : format_.subsampling == Subsampling::k422 && oddWidth
                          ? "4:2:2 needs an even width"
                          : nullptr;
  if (needs != nullptr) {
    format_.subsampling = Subsampling::k444;
    written_.colourSpace = FourFourFourName(format_.depth);
    note_ = std::string(needs) + ": wrote C" + written_.colourSpace + " for the " +
            std::to_string(width) + " x " + std::to_string(height) + " output";
  }
  if (width != input_.width || height != input_.height) written_.interlace.clear();
  written_.aspect = ScaledAspect(input_.aspect, extents_);
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

  frame_.resize((kFrameLineBytes + FrameBytes(format_, width, height) + 1) / 2);
  std::copy_n(kFrameLine, kFrameLineBytes, reinterpret_cast<char*>(frame_.data()));
  rows_.resize(6 * static_cast<std::size_t>(width));
}

void Y4mWriter::WriteFrame(const Pixel* pixels, std::int32_t w, std::int32_t h,
                           std::ptrdiff_t stride) {
  if (frames_ == 0) {
    if (w <= 0 || h <= 0) {
      throw IoError("cannot write a Y4M frame of " + std::to_string(w) + " x " + std::to_string(h) +
                    " pixels");
    }
    WriteHeader(w, h);
  } else if (w != written_.width || h != written_.height) {
    throw IoError("output frame " + std::to_string(frames_ + 1) + " is " + std::to_string(w) +
                  " x " + std::to_string(h) + ", but the stream is " +
                  std::to_string(written_.width) + " x " + std::to_string(written_.height));
  }
  const RowKernels& k = FastRowKernels();
  const std::size_t width = static_cast<std::size_t>(w);
  const Planes p = PlanesOf(format_, w, h);
  const PlaneLevels luma = LumaLevels(format_), chroma = ChromaLevels(format_);
  const bool wide = format_.depth > 8;
  auto* bytes = reinterpret_cast<std::uint8_t*>(frame_.data()) + kFrameLineBytes;
  std::uint16_t* words = frame_.data() + kFrameLineBytes / 2;
  auto narrow = [&](std::size_t at, const std::uint16_t* from, std::size_t n, PlaneLevels l) {
    if (wide)
      k.narrow16(words + at, from, n, l);
    else
      k.narrow8(bytes + at, from, n, l);
  };
  auto average = [&](std::size_t at, const std::uint16_t* a, const std::uint16_t* b) {
    const std::size_t n = static_cast<std::size_t>(p.chromaWidth);
    if (wide)
      k.average16(words + at, a, b, n, chroma);
    else
      k.average8(bytes + at, a, b, n, chroma);
  };

  // Rows go in pairs for 4:2:0 (sizes are then even), one at a time otherwise.
  const std::int32_t step = format_.subsampling == Subsampling::k420 ? 2 : 1;
  for (std::int32_t row = 0; row < h; row += step) {
    std::uint16_t* set[2][3];
    for (std::int32_t r = 0; r < step; ++r) {
      for (int c = 0; c < 3; ++c) set[r][c] = rows_.data() + (3 * r + c) * width;
      k.deinterleave(pixels + (row + r) * stride, set[r][0], set[r][1], set[r][2], width);
      narrow(p.luma + static_cast<std::size_t>(row + r) * width, set[r][0], width, luma);
    }
    const std::size_t at = static_cast<std::size_t>(row / step) * p.chromaWidth;
    switch (format_.subsampling) {
      case Subsampling::k444:
        narrow(p.cb + at, set[0][1], width, chroma);
        narrow(p.cr + at, set[0][2], width, chroma);
        break;
      case Subsampling::k422:
        average(p.cb + at, set[0][1], set[0][1]);
        average(p.cr + at, set[0][2], set[0][2]);
        break;
      case Subsampling::k420:
        average(p.cb + at, set[0][1], set[1][1]);
        average(p.cr + at, set[0][2], set[1][2]);
        break;
      case Subsampling::kMono:
        break;
    }
  }
  ClearWriteFailure();
  out_.write(reinterpret_cast<const char*>(frame_.data()),
             static_cast<std::streamsize>(kFrameLineBytes + FrameBytes(format_, w, h)));
  if (!out_) throw IoError(WriteFailure() + " after " + std::to_string(frames_) + " frames");
  ++frames_;
}

void Y4mWriter::WriteFrame(const Picture& frame) {
  WriteFrame(frame.pixels.data(), frame.width, frame.height, frame.width);
}

}  // namespace tesselox::io
