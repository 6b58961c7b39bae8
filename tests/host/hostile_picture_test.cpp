// Files that once crashed the host, read memory they should not, or made it allocate gigabytes
// before refusing: each is refused with one line or decoded exactly, and none may make the
// decoder allocate more than the picture it describes.

#include <gtest/gtest.h>

#include <png.h>

#include <optional>
#include <string>
#include <vector>

#include "allocation_probe.h"
#include "host/io/io_error.h"
#include "host/io/picture_file.h"
#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

using namespace std::string_literals;

std::vector<std::uint8_t> Hex(std::string_view hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t k = 0; k + 1 < hex.size(); k += 2)
    bytes.push_back(
        static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(k, 2)), nullptr, 16)));
  return bytes;
}

// A valid 1 x 1 PNG up to its header's CRC, then a chunk whose type is a newline, an escape and
// "[2": the type must not reach the one-line error as it is.
std::vector<std::uint8_t> PngWithControlChunkType() {
  auto png = Cut(PngFile({.colourType = PNG_COLOR_TYPE_GRAY, .rows = {0}}), 33);
  const auto chunk = Hex("000000000a1b5b3200000000");
  png.insert(png.end(), chunk.begin(), chunk.end());
  return png;
}

std::vector<std::uint8_t> Bmp24(std::int32_t width, std::int32_t height, bool withPixels) {
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  return BmpFile({.width = width,
                  .height = height,
                  .data = std::vector<std::uint8_t>(
                      withPixels ? stride * static_cast<std::size_t>(height) : 0, 0x33)});
}

struct HostileCase {
  const char* what;
  std::vector<std::uint8_t> bytes;
  std::string refusal;             // empty: the picture decodes to `pixels`
  std::vector<Channels> pixels{};  // row by row
};

TEST(HostilePictureTest, EachIsRefusedWithOneLineOrDecodedExactly) {
  const auto jpeg = JpegFile(8, 8, 1, std::vector<std::uint8_t>(64, 128));
  const HostileCase cases[] = {
      {"PNG data chunk claiming 0x80000000 bytes",
       Hex("89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b558000000049444154"),
       "unreadable PNG (PNG unsigned integer out of range)"},
      {"PNG chunk type with a newline and an escape", PngWithControlChunkType(),
       "unreadable PNG ([0A][1B][5B][32]: invalid chunk type)"},
      {"PPM header without pixels", BytesOf("P6 2 2 255"),
       "the image data is truncated (0 of 12 bytes)"},
      {"complete 16-bit PGM", BytesOf("P5 1 1 65535\n\x01\x02"s), "", {Grey(0x0102)}},
      {"PNM side with eleven digits", BytesOf("P5 10737418240 1 255\n"),
       "the PNM width has more than 9 digits"},
      {"PGM with maxval 100",
       BytesOf("P5 3 1 100\n\x00\x32\x64"s),
       "",
       {Grey(0), Grey(32768), Grey(65535)}},
      {"PPM with maxval 1000",
       BytesOf("P6 1 1 1000\n\x03\xe8\x00\x00\x01\xf4"s),
       "",
       {{65535, 0, 32768}}},
      {"plain PPM", BytesOf("P3 1 1 255 255 128 0"), "", {{65535, 128 * 257, 0}}},
      {"JPEG Huffman table overflowing its counts", Hex("ffd8ffc4007100ffd9"),
       "unreadable JPEG (Premature end of JPEG file)"},
      {"JPEG Huffman table whose counts add up past 256",
       Hex("ffd8ffc4001300ffffffffffffffffffffffffffffffffffd9"),
       "unreadable JPEG (Bogus Huffman table definition)"},
      {"JPEG without its quantisation table", WithoutSegment(jpeg, 0xdb),
       "unreadable JPEG (Quantization table 0x00 was not defined)"},
      {"JPEG cut after its headers", Cut(jpeg, jpeg.size() - 40),
       "unreadable JPEG (Premature end of JPEG file)"},
      {"BMP cut to 100 bytes", Cut(Bmp24(64, 64, true), 100),
       "the image data is truncated (46 of 12288 bytes)"},
      {"BMP cut in half", Cut(Bmp24(64, 64, true), (54 + 12288) / 2),
       "the image data is truncated (6117 of 12288 bytes)"},
      {"54-byte BMP header of 20000 x 20000", Bmp24(20000, 20000, false),
       "the picture is 20000 x 20000 pixels, more than the limit of 16384 per side"},
      {"54-byte BMP header within the limits", Bmp24(8192, 8192, false),
       "the image data is truncated (0 of 201326592 bytes)"},
      {"GIF header", BytesOf("GIF89a\x01\x00\x01\x00\x00\x00\x00"s),
       "not a PNG, JPEG, BMP or PNM picture (it starts with \"GIF89a\\x01\\x00\")"},
      {"Photoshop header", BytesOf("8BPS\x00\x01\x00\x00"s),
       "not a PNG, JPEG, BMP or PNM picture (it starts with \"8BPS\\x00\\x01\\x00\\x00\")"},
      {"Radiance header", BytesOf("#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n"),
       "not a PNG, JPEG, BMP or PNM picture (it starts with \"#?RADIAN\")"},
      {"Softimage header", Hex("5380f634000000000000000050494354"),
       "not a PNG, JPEG, BMP or PNM picture (it starts with \"S\\x80\\xf64\\x00\\x00\\x00\\x00\")"},
      {"TGA header", Hex("000002000000000000000000200000010000201800"),
       "not a PNG, JPEG, BMP or PNM picture (it starts with "
       "\"\\x00\\x00\\x02\\x00\\x00\\x00\\x00\\x00\")"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<AllocationProbe> probe(std::in_place);
    try {
      const Picture image = DecodePicture(c.bytes, "in");
      EXPECT_EQ(c.refusal, "") << "accepted";
      EXPECT_EQ(ChannelsOf(image), c.pixels);
    } catch (const IoError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message, "in: " + c.refusal);
      for (const char ch : message) EXPECT_TRUE(ch >= 0x20 && ch < 0x7f) << int(ch);
    }
    EXPECT_LT(probe->Largest(), std::size_t{1} << 16);
  }
}

// The refusal comes from the header alone, whatever the limit: a 2 x 2 picture under a limit
// of 3 pixels allocates nothing of its size.
TEST(HostilePictureTest, SmallerLimitsRefuseBeforeAllocating) {
  const PictureLimits limits{.maxSide = 2, .maxPixels = 3};
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"png", PngFile({.width = 2, .height = 2, .rows = std::vector<std::uint8_t>(12)})},
      {"jpeg", JpegFile(2, 2, 3, std::vector<std::uint8_t>(12))},
      {"bmp", Bmp24(2, 2, true)},
      {"pnm", BytesOf("P6 2 2 255\n............")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(RefusalOf(c.bytes, "in", limits),
              "in: the picture is 2 x 2 pixels (4), more than the limit of 3 pixels");
    EXPECT_NO_THROW(DecodePicture(c.bytes, "in", nullptr, {.maxSide = 2, .maxPixels = 4}));
  }
}

}  // namespace
}  // namespace tesselox::io::test
