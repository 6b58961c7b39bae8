// Windows bitmaps: the 12-byte core header and the 40- to 124-byte info headers; 1-, 4- and 8-bit
// palettes, 16-, 24- and 32-bit pixels with the standard layouts or bit-field masks, RLE8 and
// RLE4; bottom-up and top-down. Pixels that RLE data skips stay black. JPEG or PNG inside a
// bitmap, and OS/2's own variants, are refused.

#include <array>
#include <vector>

#include "host/io/io_error.h"
#include "host/io/picture_decoder.h"

namespace tesselox::io {
namespace {

constexpr std::uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;
constexpr std::size_t kFileHeader = 14;

std::uint32_t Le16(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8;
}
std::uint32_t Le32(const std::uint8_t* p) {
  return Le16(p) | Le16(p + 2) << 16;
}

// One channel's bits within a 16- or 32-bit pixel.
struct Mask {
  std::uint32_t mask = 0;
  int shift = 0;
  std::uint32_t max = 0;  // mask >> shift; 0 for an absent channel

  std::uint16_t Of(std::uint32_t pixel) const {
    return max == 0 ? 0 : ScaleToSixteen((pixel & mask) >> shift, max);
  }
};

Mask MakeMask(std::uint32_t mask, std::uint32_t bitsPerPixel, const DecodeContext& context) {
  Mask m;
  if (mask == 0) return m;
  if (bitsPerPixel < 32 && mask >> bitsPerPixel != 0)
    context.Fail("a BMP bit mask does not fit in " + std::to_string(bitsPerPixel) + " bits");
  m.mask = mask;
  while ((mask & 1) == 0) {
    mask >>= 1;
    ++m.shift;
  }
  if ((std::uint64_t{mask} & (std::uint64_t{mask} + 1)) != 0)
    context.Fail("a BMP bit mask has gaps");
  m.max = mask;
  return m;
}

std::string CompressionName(std::uint32_t compression) {
  switch (compression) {
    case 4:
      return "JPEG";
    case 5:
      return "PNG";
    default:
      return "compression " + std::to_string(compression);
  }
}

class BmpDecoder {
 public:
  BmpDecoder(Bytes bytes, const DecodeContext& context) : bytes_(bytes), context_(context) {}

  Picture Decode() {
    ReadHeader();
    ReadPalette();
    if (offset_ < headerEnd_ || offset_ > bytes_.size()) {
      context_.Fail("the BMP pixel data offset " + std::to_string(offset_) + " lies " +
                    (offset_ > bytes_.size() ? "past the end of the file" : "inside the header"));
    }
    return compression_ == kRle8 || compression_ == kRle4 ? DecodeRle() : DecodeRows();
  }

 private:
  void NeedHeader(std::size_t end) const {
    if (bytes_.size() < end) {
      context_.Fail("the BMP header is truncated (" + std::to_string(bytes_.size()) + " of " +
                    std::to_string(end) + " bytes)");
    }
  }

  void ReadHeader() {
    NeedHeader(kFileHeader + 4);
    const std::uint8_t* b = bytes_.data();
    offset_ = Le32(b + 10);
    const std::uint32_t size = Le32(b + kFileHeader);
    if (size != 12 && size != 40 && size != 52 && size != 56 && size != 108 && size != 124)
      context_.Fail("a BMP header of " + std::to_string(size) + " bytes is not supported");
    NeedHeader(kFileHeader + size);
    std::int64_t width = 0, height = 0;
    if (size == 12) {
      core_ = true;
      width = Le16(b + 18);
      height = Le16(b + 20);
      bits_ = Le16(b + 24);
    } else {
      width = static_cast<std::int32_t>(Le32(b + 18));
      height = static_cast<std::int32_t>(Le32(b + 22));
      bits_ = Le16(b + 28);
      compression_ = Le32(b + 30);
      colours_ = Le32(b + 46);
      if (height < 0) {
        topDown_ = true;
        height = -height;
      }
    }
    context_.CheckSize(width, height);
    width_ = static_cast<std::int32_t>(width);
    height_ = static_cast<std::int32_t>(height);

    const bool fields = compression_ == kBitFields || compression_ == kAlphaBitFields;
    const bool valid =
        (compression_ == kRgb &&
         (bits_ == 1 || bits_ == 4 || bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32)) ||
        (compression_ == kRle8 && bits_ == 8) || (compression_ == kRle4 && bits_ == 4) ||
        (fields && (bits_ == 16 || bits_ == 32));
    if (!valid) {
      context_.Fail("a " + std::to_string(bits_) + "-bit BMP with " +
                    CompressionName(compression_) + " is not supported");
    }
    if (topDown_ && (compression_ == kRle8 || compression_ == kRle4))
      context_.Fail("a top-down BMP cannot be RLE-compressed");

    headerEnd_ = kFileHeader + size;
    std::array<std::uint32_t, 4> masks{};
    if (fields) {
      // A 40-byte header is followed by the masks; the larger ones hold them.
      const std::size_t count = compression_ == kAlphaBitFields ? 4 : 3;
      const std::size_t at = size == 40 ? headerEnd_ : kFileHeader + 40;
      if (size == 40) headerEnd_ += 4 * count;
      NeedHeader(at + 4 * count);
      for (std::size_t k = 0; k < count; ++k) masks[k] = Le32(b + at + 4 * k);
      if (size >= 56) masks[3] = Le32(b + kFileHeader + 52);
    } else if (bits_ == 16) {
      masks = {0x7c00, 0x03e0, 0x001f, 0};
    } else if (bits_ == 32) {
      masks = {0xff0000, 0x00ff00, 0x0000ff, 0};
    }
    for (std::size_t k = 0; k < 4; ++k) {
      for (std::size_t j = 0; j < k; ++j) {
        if (masks[k] & masks[j]) context_.Fail("the BMP bit masks overlap");
      }
      masks_[k] = MakeMask(masks[k], bits_, context_);
    }
    if (masks_[3].max != 0) context_.Notice("the alpha channel is dropped");
  }

  void ReadPalette() {
    if (bits_ > 8) return;
    const std::uint32_t most = 1u << bits_;
    std::size_t count = colours_ == 0 || colours_ > most ? most : colours_;
    const std::size_t entry = core_ ? 3 : 4;
    // Writers that leave out unused entries without saying so start the pixels early.
    if (offset_ >= headerEnd_ && offset_ < headerEnd_ + count * entry)
      count = (offset_ - headerEnd_) / entry;
    const std::size_t end = headerEnd_ + count * entry;
    if (bytes_.size() < end) {
      context_.Fail("the BMP palette is truncated (" + std::to_string(bytes_.size() - headerEnd_) +
                    " of " + std::to_string(count * entry) + " bytes)");
    }
    palette_.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
      const std::uint8_t* e = bytes_.data() + headerEnd_ + k * entry;
      palette_.push_back(PixelFromBytes(e[2], e[1], e[0]));
    }
    headerEnd_ = end;
  }

  const Pixel& Entry(std::uint32_t index) const {
    if (index >= palette_.size()) {
      context_.Fail("a BMP pixel refers to palette entry " + std::to_string(index) + " of " +
                    std::to_string(palette_.size()));
    }
    return palette_[index];
  }

  Picture DecodeRows() const {
    const std::uint64_t stride =
        (std::uint64_t{static_cast<std::uint32_t>(width_)} * bits_ + 31) / 32 * 4;
    context_.CheckComplete(bytes_.size() - offset_, stride * static_cast<std::uint32_t>(height_),
                           "bytes");
    Picture image(width_, height_);
    for (std::int32_t row = 0; row < height_; ++row) {
      const std::uint8_t* p = bytes_.data() + offset_ + row * stride;
      Pixel* out = &image.At(0, topDown_ ? row : height_ - 1 - row);
      for (std::int32_t x = 0; x < width_; ++x) {
        switch (bits_) {
          case 1:
          case 4:
          case 8: {
            const std::uint32_t bit = static_cast<std::uint32_t>(x) * bits_;
            const std::uint32_t index = (p[bit / 8] >> (8 - bits_ - bit % 8)) & ((1u << bits_) - 1);
            out[x] = Entry(index);
            break;
          }
          case 24:
            out[x] = PixelFromBytes(p[3 * x + 2], p[3 * x + 1], p[3 * x]);
            break;
          default: {
            const std::uint32_t v = bits_ == 16 ? Le16(p + 2 * x) : Le32(p + 4 * x);
            out[x] = PixelFromChannels(masks_[0].Of(v), masks_[1].Of(v), masks_[2].Of(v));
          }
        }
      }
    }
    return image;
  }

  Picture DecodeRle() const {
    const bool four = compression_ == kRle4;
    Picture image(width_, height_);
    std::size_t at = offset_;
    std::int64_t x = 0, row = 0;  // rows counted from the bottom
    auto put = [&](std::uint32_t index) {
      if (row >= height_) context_.Fail("the BMP's RLE data goes past the last row");
      if (x >= width_) context_.Fail("a BMP RLE run goes past the end of a row");
      image.At(static_cast<std::int32_t>(x), height_ - 1 - static_cast<std::int32_t>(row)) =
          Entry(index);
      ++x;
    };
    auto truncated = [&]() {
      context_.Fail("the image data is truncated (the RLE data ends in row " +
                    std::to_string(row + 1) + " of " + std::to_string(height_) + ")");
    };
    for (;;) {
      if (bytes_.size() - at < 2) {
        if (row >= height_) break;  // complete without its end mark
        truncated();
      }
      const std::uint32_t count = bytes_[at], value = bytes_[at + 1];
      at += 2;
      if (count > 0) {
        for (std::uint32_t k = 0; k < count; ++k)
          put(four ? (k % 2 == 0 ? value >> 4 : value & 15) : value);
      } else if (value == 0) {
        x = 0;
        ++row;
      } else if (value == 1) {
        break;
      } else if (value == 2) {
        if (bytes_.size() - at < 2) truncated();
        x += bytes_[at];
        row += bytes_[at + 1];
        at += 2;
        if (x > width_ || row > height_) context_.Fail("a BMP RLE delta leaves the picture");
      } else {
        const std::size_t length = four ? (value + 1) / 2 : value;
        const std::size_t padded = (length + 1) / 2 * 2;
        if (bytes_.size() - at < padded) truncated();
        for (std::uint32_t k = 0; k < value; ++k) {
          const std::uint8_t byte = bytes_[at + (four ? k / 2 : k)];
          put(four ? (k % 2 == 0 ? byte >> 4 : byte & 15u) : byte);
        }
        at += padded;
      }
    }
    return image;
  }

  Bytes bytes_;
  const DecodeContext& context_;
  std::size_t offset_ = 0;     // of the pixel data
  std::size_t headerEnd_ = 0;  // the end of the headers, masks and palette
  bool core_ = false;
  bool topDown_ = false;
  std::uint32_t bits_ = 0;
  std::uint32_t compression_ = kRgb;
  std::uint32_t colours_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  std::array<Mask, 4> masks_{};  // R, G, B, alpha
  std::vector<Pixel> palette_;
};

}  // namespace

Picture DecodeBmp(Bytes bytes, const DecodeContext& context) {
  return BmpDecoder(bytes, context).Decode();
}

}  // namespace tesselox::io
