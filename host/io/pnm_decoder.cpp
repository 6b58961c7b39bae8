// PBM, PGM and PPM, plain (P1-P3) and binary (P4-P6). Comments may stand wherever whitespace
// may; samples above the maximum value are refused; 16-bit samples are big-endian.

#include "host/io/io_error.h"
#include "host/io/picture_decoder.h"

namespace tesselox::io {
namespace {

// Nine digits cannot overflow anything below; more are refused, whatever their value.
constexpr int kMaxDigits = 9;

bool IsSpace(std::uint8_t c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}
bool IsDigit(std::uint8_t c) {
  return c >= '0' && c <= '9';
}

class PnmReader {
 public:
  PnmReader(Bytes bytes, const DecodeContext& context) : bytes_(bytes), context_(context) {}

  std::size_t At() const { return at_; }
  void Skip(std::size_t count) { at_ += count; }
  bool AtEnd() const { return at_ >= bytes_.size(); }
  std::uint8_t Peek() const { return bytes_[at_]; }

  // Skips whitespace and comments; true if something other than the end follows.
  bool SkipSeparators() {
    while (at_ < bytes_.size()) {
      if (IsSpace(bytes_[at_])) {
        ++at_;
      } else if (bytes_[at_] == '#') {
        while (at_ < bytes_.size() && bytes_[at_] != '\n' && bytes_[at_] != '\r') ++at_;
      } else {
        return true;
      }
    }
    return false;
  }

  // A decimal number after optional separators; `what` names it in the refusal.
  std::uint32_t Number(const char* what) {
    // The samples of a plain picture are numbers too, but no part of the header.
    const std::string part = std::string_view(what) == "sample" ? "data" : "header";
    if (!SkipSeparators()) context_.Fail("the PNM " + part + " ends before the " + what);
    if (!IsDigit(bytes_[at_])) {
      context_.Fail("bad PNM " + part + ": expected the " + what + ", found \"" +
                    Printable(std::string_view(reinterpret_cast<const char*>(&bytes_[at_]), 1)) +
                    "\"");
    }
    std::uint32_t value = 0;
    int digits = 0;
    while (at_ < bytes_.size() && IsDigit(bytes_[at_])) {
      if (++digits > kMaxDigits) {
        context_.Fail(std::string("the PNM ") + what + " has more than " +
                      std::to_string(kMaxDigits) + " digits");
      }
      value = value * 10 + static_cast<std::uint32_t>(bytes_[at_++] - '0');
    }
    return value;
  }

  std::uint16_t Sample(std::uint32_t value, std::uint32_t maxValue) const {
    if (value > maxValue) {
      context_.Fail("a sample is " + std::to_string(value) + ", more than the maximum value " +
                    std::to_string(maxValue));
    }
    return ScaleToSixteen(value, maxValue);
  }

  const std::uint8_t* Data() const { return bytes_.data() + at_; }
  std::size_t Left() const { return bytes_.size() - at_; }

 private:
  Bytes bytes_;
  const DecodeContext& context_;
  std::size_t at_ = 0;
};

}  // namespace

Picture DecodePnm(Bytes bytes, const DecodeContext& context) {
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6')
    context.Fail("not a PNM picture");
  const int kind = bytes[1] - '0';
  const bool plain = kind <= 3;
  const bool bitmap = kind == 1 || kind == 4;
  const int channels = kind == 3 || kind == 6 ? 3 : 1;
  PnmReader reader(bytes, context);
  reader.Skip(2);
  if (!reader.AtEnd() && !IsSpace(reader.Peek()) && reader.Peek() != '#')
    context.Fail("bad PNM header: no space after the magic number");
  const std::uint32_t width = reader.Number("width");
  const std::uint32_t height = reader.Number("height");
  const std::uint32_t maxValue = bitmap ? 1 : reader.Number("maximum value");
  if (maxValue < 1 || maxValue > 65535)
    context.Fail("the PNM maximum value " + std::to_string(maxValue) + " is not 1 to 65535");
  context.CheckSize(width, height);

  const std::uint64_t samples = std::uint64_t{width} * height * channels;
  if (!plain) {
    // One whitespace character ends the header; the raster follows it byte for byte.
    if (!reader.AtEnd()) {
      if (!IsSpace(reader.Peek())) context.Fail("bad PNM header: no space before the image data");
      reader.Skip(1);
    }
    const std::uint64_t need = bitmap            ? std::uint64_t{(width + 7) / 8} * height
                               : maxValue > 255u ? samples * 2
                                                 : samples;
    context.CheckComplete(reader.Left(), need, "bytes");
  }

  Picture image(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
  auto store = [&](std::size_t index, const std::uint16_t* v) {
    image.pixels[index] =
        channels == 3 ? PixelFromChannels(v[0], v[1], v[2]) : PixelFromChannels(v[0], v[0], v[0]);
  };
  std::uint16_t v[3] = {};
  if (plain) {
    std::uint64_t read = 0;
    auto next = [&]() -> std::uint16_t {
      if (!reader.SkipSeparators()) context.Truncated(read, samples, "samples");
      ++read;
      if (bitmap) {
        // Plain bits need no separators: "0110" is four pixels. 1 is black.
        const std::uint8_t c = reader.Peek();
        if (c != '0' && c != '1') context.Fail("a PBM pixel is neither 0 nor 1");
        reader.Skip(1);
        return c == '1' ? 0 : 65535;
      }
      return reader.Sample(reader.Number("sample"), maxValue);
    };
    for (std::size_t k = 0; k < image.pixels.size(); ++k) {
      for (int c = 0; c < channels; ++c) v[c] = next();
      store(k, v);
    }
    return image;
  }

  const std::uint8_t* data = reader.Data();
  if (bitmap) {
    const std::size_t stride = (width + 7) / 8;
    for (std::uint32_t y = 0; y < height; ++y) {
      for (std::uint32_t x = 0; x < width; ++x) {
        const bool black = (data[y * stride + x / 8] >> (7 - x % 8)) & 1;
        v[0] = black ? 0 : 65535;
        store(std::size_t{y} * width + x, v);
      }
    }
    return image;
  }
  const bool wide = maxValue > 255;
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    for (int c = 0; c < channels; ++c) {
      const std::uint32_t raw = wide ? std::uint32_t{data[0]} << 8 | data[1] : data[0];
      data += wide ? 2 : 1;
      v[c] = reader.Sample(raw, maxValue);
    }
    store(k, v);
  }
  return image;
}

}  // namespace tesselox::io
