#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "host/io/picture_file.h"
#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

// 16 x 16 in four flat quadrants, so that a swapped row, column or channel shows even after
// lossy compression.
constexpr int kSide = 16;
constexpr std::uint8_t kQuadrants[4][3] = {{200, 30, 60}, {20, 220, 90}, {250, 250, 10}, {0, 0, 0}};

std::vector<std::uint8_t> Quadrants(int components) {
  std::vector<std::uint8_t> samples;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const std::uint8_t* q = kQuadrants[(y >= kSide / 2) * 2 + (x >= kSide / 2)];
      if (components == 1) {
        samples.push_back(q[0]);
      } else {
        samples.insert(samples.end(), q, q + components);
      }
    }
  }
  return samples;
}

TEST(JpegDecoderTest, DecodesGreyColourAndProgressivePictures) {
  const struct {
    const char* what;
    int components;
    JpegScans scans;
  } cases[] = {
      {"grey baseline", 1, JpegScans::Baseline},
      {"colour baseline", 3, JpegScans::Baseline},
      {"colour progressive", 3, JpegScans::Progressive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Picture image = DecodePicture(
        JpegFile(kSide, kSide, c.components, Quadrants(c.components), 100, c.scans), "pic.jpg");
    ASSERT_EQ(image.width, kSide);
    ASSERT_EQ(image.height, kSide);
    for (int q = 0; q < 4; ++q) {
      SCOPED_TRACE(q);
      const Pixel& p = image.At(q % 2 * kSide / 2 + 3, q / 2 * kSide / 2 + 3);
      for (int ch = 0; ch < 3; ++ch) {
        const std::uint16_t v = Channel(p, ch);
        EXPECT_EQ(v % 257, 0);
        EXPECT_LE(std::abs(v / 257 - kQuadrants[q][c.components == 1 ? 0 : ch]), 3) << ch;
      }
    }
  }
}

// A valid file, but each scan costs a pass over the whole picture.
TEST(JpegDecoderTest, RefusesTooManyScans) {
  const auto jpeg = JpegFile(kSide, kSide, 3, Quadrants(3), 100, JpegScans::OneScanPerCoefficient);
  EXPECT_EQ(RefusalOf(jpeg, "pic.jpg"), "pic.jpg: unreadable JPEG (more than 256 scans)");
}

TEST(JpegDecoderTest, RefusesDamagedOrUnsupportedFilesWithOneLine) {
  const auto jpeg = JpegFile(kSide, kSide, 3, Quadrants(3));
  auto Cut = [&](std::size_t size) {
    return std::vector<std::uint8_t>(jpeg.begin(),
                                     jpeg.begin() + static_cast<std::ptrdiff_t>(size));
  };
  auto Sized = [&](std::uint16_t width, std::uint16_t height) {
    auto bytes = jpeg;
    for (std::size_t at = 2; at + 9 < bytes.size();
         at += 2 + (bytes[at + 2] << 8 | bytes[at + 3])) {
      if (bytes[at + 1] != 0xc0) continue;  // the frame header
      bytes[at + 5] = static_cast<std::uint8_t>(height >> 8);
      bytes[at + 6] = static_cast<std::uint8_t>(height);
      bytes[at + 7] = static_cast<std::uint8_t>(width >> 8);
      bytes[at + 8] = static_cast<std::uint8_t>(width);
      break;
    }
    return bytes;
  };
  const struct {
    std::vector<std::uint8_t> bytes;
    std::string message;
  } cases[] = {
      {Cut(jpeg.size() / 2), "unreadable JPEG (Premature end of JPEG file)"},
      {Cut(jpeg.size() - 2), "unreadable JPEG (Premature end of JPEG file)"},
      {Cut(jpeg.size() - 1), "unreadable JPEG (Premature end of JPEG file)"},
      {Cut(3), "unreadable JPEG (Premature end of JPEG file)"},
      {WithoutSegment(jpeg, 0xdb), "unreadable JPEG (Quantization table 0x00 was not defined)"},
      {Sized(20000, 16), "the picture is 20000 x 16 pixels, more than the limit of 16384 per side"},
      {Sized(16, 0), "unreadable JPEG (Empty JPEG image (DNL not supported))"},
      {JpegFile(8, 8, 4, std::vector<std::uint8_t>(8 * 8 * 4, 9)), "a CMYK JPEG is not supported"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(RefusalOf(c.bytes, "pic.jpg"), "pic.jpg: " + c.message);
  }
}

}  // namespace
}  // namespace tesselox::io::test
