#include "host/io/picture_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/io_error.h"
#include "picture_checks.h"

namespace tesselox::io::test {
namespace {

// Every channel value differs between neighbours and between channels, so a swapped channel,
// row or column shows.
std::vector<std::uint8_t> Samples(int width, int height) {
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  for (std::size_t k = 0; k < rgb.size(); ++k) rgb[k] = static_cast<std::uint8_t>(k * 37 + 11);
  return rgb;
}

// A bottom-up 24-bit bitmap of top-down RGB samples.
std::vector<std::uint8_t> Bmp(int width, int height, const std::vector<std::uint8_t>& rgb) {
  std::vector<std::vector<std::uint8_t>> rows;
  for (int y = height - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row;
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* s = &rgb[3 * (static_cast<std::size_t>(y) * width + x)];
      row.insert(row.end(), {s[2], s[1], s[0]});
    }
    rows.push_back(row);
  }
  return BmpFile({.width = width, .height = height, .bits = 24, .data = PaddedRows(rows)});
}

std::vector<std::uint8_t> Ppm(int width, int height, const std::vector<std::uint8_t>& rgb) {
  const std::string head =
      "P6\n# made by a test\n" + std::to_string(width) + " " + std::to_string(height) + "\n255\n";
  std::vector<std::uint8_t> bytes(head.begin(), head.end());
  bytes.insert(bytes.end(), rgb.begin(), rgb.end());
  return bytes;
}

struct FormatCase {
  const char* name;
  std::function<std::vector<std::uint8_t>(int, int, const std::vector<std::uint8_t>&)> encode;
  int tolerance;  // 0: lossless
};

TEST(PictureFileTest, DecodesEachFormatToSixteenBitChannels) {
  const int w = 13, h = 7;
  const auto rgb = Samples(w, h);
  const FormatCase cases[] = {
      {"png",
       [](int cw, int ch, const auto& s) {
         return EncodePng(PictureFromInterleaved(s.data(), cw, ch));
       },
       0},
      {"bmp", [](int cw, int ch, const auto& s) { return Bmp(cw, ch, s); }, 0},
      {"ppm", [](int cw, int ch, const auto& s) { return Ppm(cw, ch, s); }, 0},
      {"jpeg",
       [](int cw, int ch, const auto&) {
         // JPEG is lossy: a flat colour survives it closely.
         const std::vector<std::uint8_t> flat(static_cast<std::size_t>(cw) * ch * 3, 200);
         return JpegFile(cw, ch, 3, flat, 100);
       },
       3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Picture image = DecodePicture(c.encode(w, h, rgb), c.name);
    ASSERT_EQ(image.width, w);
    ASSERT_EQ(image.height, h);
    for (std::size_t k = 0; k < image.pixels.size(); ++k) {
      for (int ch = 0; ch < 3; ++ch) {
        const std::uint16_t v = Channel(image.pixels[k], ch);
        const int expected = c.tolerance == 0 ? rgb[3 * k + ch] : 200;
        ASSERT_EQ(v % 257, 0) << "pixel " << k;
        ASSERT_LE(std::abs(v / 257 - expected), c.tolerance) << "pixel " << k << " channel " << ch;
      }
    }
  }
}

TEST(PictureFileTest, EveryByteValueSurvivesTheTripToSixteenBitsAndBack) {
  std::vector<std::uint8_t> rgb;
  for (int v = 0; v < 256; ++v)
    rgb.insert(rgb.end(), {std::uint8_t(v), std::uint8_t(255 - v), std::uint8_t(v ^ 0x5A)});
  const Picture image = PictureFromInterleaved(rgb.data(), 256, 1);
  EXPECT_EQ(Channel(image.pixels[255], 0), 65535);
  EXPECT_EQ(Channel(image.pixels[1], 0), 257);
  EXPECT_EQ(InterleavedFromPicture(image), rgb);
}

TEST(PictureFileTest, PngOfAPictureDecodesToTheSamePixels) {
  const auto rgb = Samples(31, 17);
  const Picture image = PictureFromInterleaved(rgb.data(), 31, 17);
  const auto png = EncodePng(image);
  std::istringstream stream(std::string(png.begin(), png.end()));
  const Picture back = ReadPicture(stream, "round trip");
  ASSERT_EQ(back.width, 31);
  ASSERT_EQ(back.height, 17);
  for (std::size_t k = 0; k < image.pixels.size(); ++k) {
    for (int b = 0; b < 6; ++b) ASSERT_EQ(back.pixels[k].bytes[b], image.pixels[k].bytes[b]) << k;
  }
}

TEST(PictureFileTest, UnreadableInputNamesTheInput) {
  const auto png = EncodePng(PictureFromInterleaved(Samples(8, 8).data(), 8, 8));
  std::vector<std::uint8_t> wide = {'P', '5', ' ', '2', '0', '0', '0', '0',
                                    ' ', '1', ' ', '2', '5', '5', '\n'};
  wide.resize(wide.size() + 20000, 7);
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"empty", {}, "empty input"},
      {"text",
       {'h', 'e', 'l', 'l', 'o'},
       "not a PNG, JPEG, BMP or PNM picture (it starts with \"hello\")"},
      {"cut png", std::vector<std::uint8_t>(png.begin(), png.begin() + 40),
       "unreadable PNG (the file is truncated)"},
      {"bad ppm", {'P', '6', '\n', '0', ' ', '4', '\n', '2', '5', '5', '\n'}, "is 0 x 4 pixels"},
      {"cut ppm",
       {'P', '6', ' ', '2', ' ', '2', ' ', '2', '5', '5', '\n', 'a', 'b', 'c'},
       "truncated (3 of 12 bytes)"},
      {"cut 16-bit pgm",
       {'P', '5', '#', '\n', '2', ' ', '1', ' ', '9', '9', '9', ' ', 0, 1, 2},
       "truncated (3 of 4 bytes)"},
      {"too wide", wide, "is 20000 x 1 pixels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string refusal = RefusalOf(c.bytes, "pic.png");
    EXPECT_EQ(refusal.rfind("pic.png: ", 0), 0u) << refusal;
    EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
    EXPECT_EQ(refusal.find('\n'), std::string::npos) << refusal;
  }
}

// A file of `prefix` and then `filler` bytes up to `size`, counting what is read of it.
class LongFile : public std::streambuf {
 public:
  LongFile(std::string prefix, std::uint64_t size) : prefix_(std::move(prefix)), size_(size) {}
  std::uint64_t Served() const { return served_; }

 protected:
  std::streamsize xsgetn(char* to, std::streamsize count) override {
    const auto n = static_cast<std::streamsize>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size_ - served_));
    for (std::streamsize k = 0; k < n; ++k, ++served_)
      to[k] = served_ < prefix_.size() ? prefix_[static_cast<std::size_t>(served_)] : '\x07';
    return n;
  }
  int_type underflow() override { return traits_type::eof(); }  // read only through xsgetn

 private:
  std::string prefix_;
  std::uint64_t size_, served_ = 0;
};

TEST(PictureFileTest, ReadsNoMoreThanTheFormatAndHeaderAllow) {
  constexpr std::uint64_t kHuge = std::uint64_t{1} << 28;  // far past any bound
  const struct {
    const char* what;
    std::string prefix;
    std::uint64_t mostRead;
    const char* message;  // empty: decoded
  } cases[] = {
      {"another format", "GIF89a", 8, "not a PNG, JPEG, BMP or PNM picture"},
      {"a small picture", "P5 4 4 255\n", (std::uint64_t{17} << 20), ""},
      {"a header beyond the limits", "P5 99999 1 255\n", std::uint64_t{1} << 16, "99999 x 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    LongFile file(c.prefix, kHuge);
    std::istream in(&file);
    std::string refusal;
    try {
      ReadPicture(in, "big");
    } catch (const IoError& e) {
      refusal = e.what();
    }
    EXPECT_LE(file.Served(), c.mostRead);
    EXPECT_EQ(refusal.empty(), *c.message == '\0') << refusal;
    EXPECT_NE(refusal.find(c.message), std::string::npos) << refusal;
  }
}

TEST(PictureFileTest, RefusesToEncodeAnEmptyPicture) {
  EXPECT_THROW(EncodePng(Picture(0, 5)), IoError);
  EXPECT_THROW(EncodePng(Picture(5, 0)), IoError);
}

}  // namespace
}  // namespace tesselox::io::test
