#pragma once

// Small picture files made in memory for the decoders' tests: PNG and JPEG through the same
// libraries the host uses, BMP and PNM byte by byte.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "host/io/picture.h"

namespace tesselox::io::test {

using Channels = std::array<std::uint16_t, 3>;

// Every pixel's three 16-bit channels, row by row, for comparing whole pictures.
std::vector<Channels> ChannelsOf(const Picture& image);

std::vector<std::uint8_t> BytesOf(const std::string& text);

struct PngLayout {
  int width = 1;
  int height = 1;
  int colourType = 2;  // PNG_COLOR_TYPE_*
  int depth = 8;
  bool interlaced = false;
  std::vector<std::uint8_t> rows = {};  // packed as in the file, rows one after another
  std::vector<std::array<std::uint8_t, 3>> palette = {};  // RGB
  std::vector<std::uint8_t> transparency = {};            // the tRNS chunk's bytes, if any
};
std::vector<std::uint8_t> PngFile(const PngLayout& layout);

// A JPEG of 1 (grey), 3 (RGB) or 4 (CMYK) components: baseline, progressive with libjpeg's
// usual ten scans, or progressive with one scan per coefficient and bit (380 scans).
enum class JpegScans { Baseline, Progressive, OneScanPerCoefficient };
std::vector<std::uint8_t> JpegFile(int width, int height, int components,
                                   const std::vector<std::uint8_t>& samples, int quality = 100,
                                   JpegScans scans = JpegScans::Baseline);

// The file without the first marker segment of type `marker` (0xdb: the quantisation tables).
std::vector<std::uint8_t> WithoutSegment(const std::vector<std::uint8_t>& jpeg,
                                         std::uint8_t marker);

// The BMP header's compression values (0: none).
inline constexpr std::uint32_t kBmpRle8 = 1, kBmpRle4 = 2, kBmpBitFields = 3, kBmpJpeg = 4;

struct BmpLayout {
  std::uint32_t headerSize = 40;
  std::int32_t width = 1;
  std::int32_t height = 1;  // negative: top-down
  std::uint16_t bits = 24;
  std::uint32_t compression = 0;
  std::uint32_t colours = 0;                // the header's count of palette entries
  std::vector<std::uint32_t> palette = {};  // 0xRRGGBB
  std::vector<std::uint32_t> masks = {};    // into the header (52+ bytes) or after it (40)
  std::vector<std::uint8_t> data = {};      // the pixel data as in the file
};
std::vector<std::uint8_t> BmpFile(const BmpLayout& layout);

// The first `size` bytes of a file, as a transfer cut short leaves it.
std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size);

// Rows padded to 4 bytes each, as bitmaps store them.
std::vector<std::uint8_t> PaddedRows(const std::vector<std::vector<std::uint8_t>>& rows);

}  // namespace tesselox::io::test
