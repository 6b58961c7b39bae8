#include "host/io/y4m_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

using namespace std::string_view_literals;

std::string Planes(std::size_t bytes, unsigned seed) {
  std::string s(bytes, '\0');
  for (std::size_t k = 0; k < bytes; ++k)
    s[k] = static_cast<char>((k * 131 + seed * 71 + k / 7) & 0xFF);
  return s;
}

std::string Stream(const std::string& header, const std::vector<std::string>& frames) {
  std::string s = header + "\n";
  for (const auto& f : frames) s += "FRAME\n" + f;
  return s;
}

std::vector<Picture> ReadAll(const std::string& bytes, Y4mHeader* header = nullptr) {
  std::istringstream in(bytes);
  Y4mReader reader(in, "clip.y4m");
  if (header) *header = reader.Header();
  std::vector<Picture> frames;
  Picture frame;
  while (reader.ReadFrame(frame)) frames.push_back(frame);
  EXPECT_EQ(reader.FramesRead(), static_cast<std::int64_t>(frames.size()));
  return frames;
}

std::string WriteAll(const Y4mHeader& input, const std::vector<Picture>& frames,
                     std::string* note = nullptr, CopyExtents extents = {}) {
  std::ostringstream out;
  Y4mWriter writer(out, input, extents);
  for (const auto& f : frames) writer.WriteFrame(f);
  if (note) *note = writer.Note();
  return out.str();
}

bool SamePixels(const Pixel* a, const Pixel* b, std::size_t n) {
  return n == 0 || std::memcmp(a, b, n * sizeof(Pixel)) == 0;
}

bool SamePixels(const std::vector<Pixel>& a, const std::vector<Pixel>& b) {
  return a.size() == b.size() && SamePixels(a.data(), b.data(), a.size());
}

// A pixel of channels y, cb, cr (taken modulo 2^16).
Pixel Yuv(int y, int cb, int cr) {
  Pixel p{};
  const int channels[3] = {y, cb, cr};
  for (int c = 0; c < 3; ++c) {
    p.bytes[2 * c] = static_cast<std::uint8_t>(channels[c] & 0xFF);
    p.bytes[2 * c + 1] = static_cast<std::uint8_t>((channels[c] >> 8) & 0xFF);
  }
  return p;
}

std::string HeaderLine(const std::string& stream) {
  return stream.substr(0, stream.find('\n'));
}

TEST(Y4mStreamTest, FourFourFourRoundTripsByteForByte) {
  const struct {
    int w, h;
    const char* header;
  } cases[] = {
      {4, 2, "YUV4MPEG2 W4 H2 F25:1 Ip A1:1 C444"},
      {5, 3, "YUV4MPEG2 W5 H3 F30000:1001 It A10:11 C444 XCOLORRANGE=LIMITED"},
      {1, 1, "YUV4MPEG2 W1 H1 C444"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    const std::size_t bytes = static_cast<std::size_t>(c.w) * c.h * 3;
    const std::string input =
        Stream(c.header, {Planes(bytes, 1), Planes(bytes, 2), Planes(bytes, 3)});
    Y4mHeader header;
    const auto frames = ReadAll(input, &header);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(WriteAll(header, frames), input);
  }
}

TEST(Y4mStreamTest, PixelsCarryLumaAndBothChromaSamples) {
  // 4:4:4: planes Y, Cb, Cr; 4:2:0: each chroma sample covers a 2 x 2 block, rounded up at odd
  // edges; 4:2:2 a 2 x 1 block. Channels hold luma less black (16, or 0 in full range) and
  // chroma less 128, scaled by the depth; mono chroma is neutral.
  const struct {
    const char* what;
    const char* header;
    std::string_view planes;
    // The Y, Cb and Cr samples each pixel must carry, row by row: the chroma rows show which
    // sample covers which pixel. No chroma samples: mono, every pixel's chroma neutral.
    std::vector<int> y, cb, cr;
    int black, neutral;  // the samples of a zero channel: luma, chroma
  } cases[] = {
      {"4:4:4 takes each plane whole",
       "YUV4MPEG2 W2 H1 C444",
       "\x10\x20\x30\x40\x50\x60"sv,
       {0x10, 0x20},
       {0x30, 0x40},
       {0x50, 0x60},
       16,
       128},
      {"4:2:0 at an odd size: the last row and column get blocks of their own",
       "YUV4MPEG2 W3 H3 C420jpeg",
       "\x01\x02\x03\x04\x05\x06\x07\x08\x09"
       "\xA0\xA1\xA2\xA3"
       "\xB0\xB1\xB2\xB3"sv,
       {1, 2, 3, 4, 5, 6, 7, 8, 9},
       {0xA0, 0xA0, 0xA1, /**/ 0xA0, 0xA0, 0xA1, /**/ 0xA2, 0xA2, 0xA3},
       {0xB0, 0xB0, 0xB1, /**/ 0xB0, 0xB0, 0xB1, /**/ 0xB2, 0xB2, 0xB3},
       16,
       128},
      {"4:2:2 in full range: a chroma pair per row, black at 0",
       "YUV4MPEG2 W3 H2 C422 XCOLORRANGE=FULL",
       "\x00\x01\xFF\x03\x04\x05"
       "\xA0\xA1\xA2\xA3"
       "\xB0\xB1\xB2\xB3"sv,
       {0, 1, 255, 3, 4, 5},
       {0xA0, 0xA0, 0xA1, /**/ 0xA2, 0xA2, 0xA3},
       {0xB0, 0xB0, 0xB1, /**/ 0xB2, 0xB2, 0xB3},
       0,
       128},
      {"10 bits, little-endian, black and neutral scaled",
       "YUV4MPEG2 W2 H1 C444p10",
       "\x40\x00\xFF\x03"
       "\x00\x02\x01\x00"
       "\x00\x00\x34\x01"sv,
       {64, 1023},
       {512, 1},
       {0, 0x134},
       64,
       512},
      {"16 bits, one chroma sample for a 2 x 2 frame",
       "YUV4MPEG2 W2 H2 C420p16 XCOLORRANGE=LIMITED",
       "\x00\x00\x00\x10\xFF\xFF\x34\x12"
       "\x00\x80"
       "\xFF\x7F"sv,
       {0, 0x1000, 0xFFFF, 0x1234},
       {0x8000, 0x8000, 0x8000, 0x8000},
       {0x7FFF, 0x7FFF, 0x7FFF, 0x7FFF},
       4096,
       32768},
      {"mono: neutral chroma",
       "YUV4MPEG2 W3 H1 Cmono",
       "\x10\x11\xEB"sv,
       {16, 17, 235},
       {},
       {},
       16,
       128},
      {"12-bit mono in full range",
       "YUV4MPEG2 W2 H1 Cmono12 XCOLORRANGE=FULL",
       "\x00\x00\xFF\x0F"sv,
       {0, 4095},
       {},
       {},
       0,
       2048},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const auto frames = ReadAll(Stream(c.header, {std::string(c.planes)}));
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(static_cast<std::size_t>(frames[0].width) * frames[0].height, c.y.size());
    const std::vector<int>* samples[3] = {&c.y, &c.cb, &c.cr};
    const int offsets[3] = {c.black, c.neutral, c.neutral};
    for (int ch = 0; ch < 3; ++ch) {
      std::vector<int> channel;
      for (const Pixel& p : frames[0].pixels) channel.push_back(Channel(p, ch));
      std::vector<int> expected(channel.size(), 0);
      for (std::size_t k = 0; k < samples[ch]->size(); ++k)
        expected[k] = ((*samples[ch])[k] - offsets[ch]) & 0xFFFF;
      EXPECT_EQ(channel, expected) << "channel " << ch;
    }
  }
}

TEST(Y4mStreamTest, EachFourTwoZeroSitingRoundTripsAtEvenSizes) {
  for (const char* space : {"", " C420", " C420jpeg", " C420paldv", " C420mpeg2"}) {
    SCOPED_TRACE(space);
    const std::string input = Stream(std::string("YUV4MPEG2 W6 H4 F24:1") + space,
                                     {Planes(6 * 4 + 2 * 3 * 2, 5), Planes(36, 6)});
    Y4mHeader header;
    const auto frames = ReadAll(input, &header);
    ASSERT_EQ(frames.size(), 2u);
    const std::string output = WriteAll(header, frames);
    EXPECT_EQ(output.substr(output.find('\n')), input.substr(input.find('\n')));
    EXPECT_NE(HeaderLine(output).find(*space ? space : " C420jpeg"), std::string::npos)
        << HeaderLine(output);
  }
}

TEST(Y4mStreamTest, WriterAveragesChromaOverEachBlock) {
  // Cb, Cr of a 2 x 2 frame, row by row; the rounded mean (half up) of each block or pair.
  const struct {
    const char* space;
    int cb[4], cr[4];
    std::string_view planes;  // what is written after FRAME
  } cases[] = {
      // Cb 10, 11, 20, 30: sum 71, 17.75 rounds to 18; Cr all 200.
      {"420mpeg2", {10, 11, 20, 30}, {200, 200, 200, 200}, "\x10\x11\x12\x13\x12\xC8"sv},
      // Exactly half rounds up, below neutral too: 125.5 -> 126, 130.5 -> 131.
      {"420", {125, 126, 125, 126}, {130, 131, 131, 130}, "\x10\x11\x12\x13\x7E\x83"sv},
      // 4:2:2 averages each row's pair: (10 + 11) / 2 -> 11, (20 + 30) / 2 -> 25.
      {"422", {10, 11, 20, 30}, {0, 255, 255, 255}, "\x10\x11\x12\x13\x0B\x19\x80\xFF"sv},
      // 10 bits: (1000 + 1001 + 3 + 4) / 4 = 502, written little-endian.
      {"420p10",
       {1000, 1001, 3, 4},
       {512, 512, 512, 512},
       "\x40\x00\x41\x00\x42\x00\x43\x00\xF6\x01\x00\x02"sv},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.space);
    Y4mHeader header;
    header.colourSpace = c.space;
    const auto format = FormatOf(header);
    ASSERT_TRUE(format);
    const int neutral = ChromaLevels(*format).offset;
    Picture frame(2, 2);
    for (int k = 0; k < 4; ++k)
      frame.pixels[k] = Yuv(k, c.cb[k] - neutral, c.cr[k] - neutral);  // luma black + k
    const std::string out = WriteAll(header, {frame});
    EXPECT_EQ(out.substr(out.find('\n') + 1), "FRAME\n" + std::string(c.planes));
  }
}

TEST(Y4mStreamTest, OutputHeaderKeepsWhatStillApplies) {
  const struct {
    const char* input;
    int w, h;
    const char* expected;
    bool noted;
    CopyExtents extents{};
  } cases[] = {
      // clang-format off
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 8, 6, "YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv",
       false},
      // The pixel aspect keeps the copied picture's display shape.
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 4, 6, "YUV4MPEG2 W4 H6 F25:1 A2:1 C420paldv",
       false, {8, 6, 4, 6}},
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 5, 6, "YUV4MPEG2 W5 H6 F25:1 A8:5 C444", true,
       {8, 6, 5, 6}},
      {"YUV4MPEG2 W720 H576 A16:15 C444", 360, 576, "YUV4MPEG2 W360 H576 A32:15 C444", false,
       {720, 576, 360, 576}},
      {"YUV4MPEG2 W8 H6 A4:3 C444", 6, 3, "YUV4MPEG2 W6 H3 A8:9 C444", false, {8, 6, 6, 3}},
      {"YUV4MPEG2 W8 H6 A0:0 C444", 4, 6, "YUV4MPEG2 W4 H6 A0:0 C444", false, {8, 6, 4, 6}},
      {"YUV4MPEG2 W8 H6 A1:1 C444", 8, 6, "YUV4MPEG2 W8 H6 C444", false, {8, 6, 0, 6}},
      {"YUV4MPEG2 W8 H6 A2147483647:1 C444", 8, 6, "YUV4MPEG2 W8 H6 C444", false, {2, 1, 1, 1}},
      {"YUV4MPEG2 W8 H6 F25:1 C420", 8, 7, "YUV4MPEG2 W8 H7 F25:1 C444", true},
      {"YUV4MPEG2 W8 H6 C444 XYSCSS=444 XCOLORRANGE=FULL", 5, 7,
       "YUV4MPEG2 W5 H7 C444 XCOLORRANGE=FULL", false},
      {"YUV4MPEG2 W8 H6 Q9 XYSCSS=420JPEG", 8, 6, "YUV4MPEG2 W8 H6 C420jpeg", false},
      {"YUV4MPEG2 W8 H6 C422p10 XYSCSS=422P10", 6, 3, "YUV4MPEG2 W6 H3 C422p10", false},
      {"YUV4MPEG2 W8 H6 C422", 7, 6, "YUV4MPEG2 W7 H6 C444", true},
      {"YUV4MPEG2 W8 H6 C420p12 XCOLORRANGE=FULL", 8, 5, "YUV4MPEG2 W8 H5 C444p12 XCOLORRANGE=FULL",
       true},
      {"YUV4MPEG2 W8 H6 C420p16", 3, 3, "YUV4MPEG2 W3 H3 C444p16", true},
      {"YUV4MPEG2 W8 H6 Cmono16", 3, 3, "YUV4MPEG2 W3 H3 Cmono16", false},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(std::string(c.input) + "\n");
    Y4mReader reader(in, "in");
    std::string note;
    const std::string out = WriteAll(reader.Header(), {Picture(c.w, c.h)}, &note, c.extents);
    EXPECT_EQ(HeaderLine(out), c.expected);
    EXPECT_EQ(!note.empty(), c.noted) << note;
    if (c.noted) {
      EXPECT_NE(note.find("C444"), std::string::npos) << note;
    }
  }
}

TEST(Y4mStreamTest, FrameParametersAreSkipped) {
  const std::string input = "YUV4MPEG2 W1 H1 C444\nFRAME Ixyz\n\x07\x08\x09";
  const auto frames = ReadAll(input);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(Channel(frames[0].pixels[0], 2), (9 - 128) & 0xFFFF);
}

// What a reader makes of `bytes`: whether the header got through, and the one line it refused
// the stream with ("" when it read to the end).
struct Refusal {
  bool opened = false;
  std::string message;
};

Refusal ReadUntilRefused(const std::string& bytes) {
  std::istringstream in(bytes);
  Refusal refusal;
  try {
    Y4mReader reader(in, "clip.y4m");
    refusal.opened = true;
    Picture frame;
    while (reader.ReadFrame(frame)) {
    }
  } catch (const IoError& e) {
    refusal.message = e.what();
  }
  return refusal;
}

struct BadStream {
  std::string bytes;
  const char* message;  // a part of the one line
};

// Each stream is refused with one line naming the problem: when the header is read (`atOpen`),
// or else while the frames are.
void ExpectRefused(const char* what, bool atOpen, const std::vector<BadStream>& cases) {
  SCOPED_TRACE(what);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    const Refusal refusal = ReadUntilRefused(c.bytes);
    EXPECT_EQ(refusal.opened, !atOpen);
    EXPECT_EQ(refusal.message.rfind("clip.y4m: ", 0), 0u) << refusal.message;
    EXPECT_NE(refusal.message.find(c.message), std::string::npos) << refusal.message;
  }
}

TEST(Y4mStreamTest, BadHeadersAreRefusedAtOpen) {
  ExpectRefused("not a header", true,
                {{"", "empty input"},
                 {"P6\n1 1\n255\nabc", "not a Y4M stream"},
                 {"YUV4MPEG2 W2 H2", "ends inside a header"},
                 {"YUV4MPEG2 W2 H2 X" + std::string(5000, 'a') + "\n", "too long"}});
  ExpectRefused("sizes", true,
                {{"YUV4MPEG2 H2 C444\n", "lacks the frame width"},
                 {"YUV4MPEG2 W0 H2\n", "bad size W0"},
                 {"YUV4MPEG2 W2 H99999\n", "bad size H99999"},
                 {"YUV4MPEG2 W2x H2\n", "bad size W2x"},
                 {"YUV4MPEG2 W2\x01 H2\n", "bad size W2\\x01"},  // control bytes quoted
                 {"YUV4MPEG2 W16384 H8193 C444p16\n",
                  "16384 x 8193 pixels are larger than the 67108864 pixels"}});
  ExpectRefused("colour spaces", true,
                {{"YUV4MPEG2 W2 H2 C411\n", "C411 is not supported"},
                 {"YUV4MPEG2 W2 H2 C420p11\n", "C420p11 is not supported"},
                 {"YUV4MPEG2 W2 H2 C444p8\n", "C444p8 is not supported"},
                 {"YUV4MPEG2 W2 H2 Cmonop10\n", "Cmonop10 is not supported"},
                 {"YUV4MPEG2 W2 H2 C\n", "colour space C is not"},
                 {"YUV4MPEG2 W2 H2 C4\x1b[2J\xff\n", "colour space C4\\x1b[2J\\xff is not"}});
  ExpectRefused("tags", true,
                {{"YUV4MPEG2 W2 H2 F25\n", "bad frame rate"},
                 {"YUV4MPEG2 W2 H2 F0:0\n", "bad frame rate F0:0"},
                 {"YUV4MPEG2 W2 H2 W4\n", "gives W twice"},
                 {"YUV4MPEG2 W2 H2 XCOLORRANGE=WEIRD\n", "bad colour range"}});
}

TEST(Y4mStreamTest, BadFramesAreRefusedWhileReading) {
  const std::string one = "YUV4MPEG2 W2 H2 C444\nFRAME\n" + Planes(12, 1);
  ExpectRefused("cut frames", false,
                {{"YUV4MPEG2 W2 H2 C444p10\nFRAME\n" + Planes(23, 1),
                  "frame 1 is truncated (23 of 24 bytes)"},
                 {one.substr(0, one.size() - 1), "frame 1 is truncated (11 of 12 bytes)"},
                 {"YUV4MPEG2 W8192 H8192 C444p16\nFRAME\n" + Planes(100, 1),
                  "frame 1 is truncated (100 of 402653184 bytes)"},
                 {"YUV4MPEG2 W1024 H1024 C444\nFRAME\n" + Planes(1572865, 1),
                  "frame 1 is truncated (1572865 of 3145728 bytes)"},  // past the first MiB
                 {one + "FRAME\n" + Planes(5, 1), "frame 2 is truncated"}});
  ExpectRefused("samples past the depth", false,
                {{"YUV4MPEG2 W2 H2 C444p10\nFRAME\n" + std::string(22, 0) + "\x19\x24",
                  "frame 1 has a sample of 9241, more than 10 bits hold (1023)"}});
  ExpectRefused("FRAME lines", false,
                {{one + "FRA", "ends inside a FRAME line (after 1 frames)"},
                 {one + "FRAMES\n" + Planes(12, 1), "frame 2 does not start with FRAME"}});
}

TEST(Y4mStreamTest, WriterRefusesAFrameOfAnotherSize) {
  std::ostringstream out;
  Y4mWriter writer(out, Y4mHeader{});
  writer.WriteFrame(Picture(4, 4));
  EXPECT_THROW(writer.WriteFrame(Picture(4, 2)), IoError);
  EXPECT_EQ(writer.FramesWritten(), 1);
  EXPECT_THROW(Y4mWriter(out, Y4mHeader{}).WriteFrame(Picture()), IoError);
}

// Samples of a whole frame of the format, every value within its depth, little-endian when wide.
std::string RandomPlanes(const SampleFormat& format, int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  const std::size_t bytes = FrameBytes(format, w, h);
  std::string s(bytes, '\0');
  const unsigned high = (1u << format.depth) - 1;
  for (std::size_t k = 0; k<bytes; k += format.depth> 8 ? 2 : 1) {
    const auto v = static_cast<unsigned>(random()) & high;
    s[k] = static_cast<char>(v & 0xFF);
    if (format.depth > 8) s[k + 1] = static_cast<char>(v >> 8);
  }
  return s;
}

const char* const kEverySpace[] = {"420",    "420jpeg", "420paldv", "420mpeg2", "422",    "444",
                                   "mono",   "420p9",   "420p10",   "420p12",   "420p14", "420p16",
                                   "422p10", "422p12",  "422p16",   "444p10",   "444p12", "444p16",
                                   "mono10", "mono12",  "mono16"};

TEST(Y4mStreamTest, EveryFormatRoundTripsByteForByteWhereTheSizeFits) {
  const struct { int w, h; } sizes[] = {{2, 2}, {6, 4}, {10, 6}, {1, 1}, {3, 5}, {7, 2}, {33, 17}};
  for (const char* space : kEverySpace) {
    for (const char* range : {"", " XCOLORRANGE=FULL", " XCOLORRANGE=LIMITED"}) {
      for (const auto& size : sizes) {
        const std::string header = "YUV4MPEG2 W" + std::to_string(size.w) + " H" +
                                   std::to_string(size.h) + " F30:1 C" + space + range;
        SCOPED_TRACE(header);
        Y4mHeader parsed;
        parsed.colourSpace = space;
        const auto format = FormatOf(parsed);
        ASSERT_TRUE(format);
        const std::string input = Stream(header, {RandomPlanes(*format, size.w, size.h, 1),
                                                  RandomPlanes(*format, size.w, size.h, 2)});
        Y4mHeader read;
        const auto frames = ReadAll(input, &read);
        ASSERT_EQ(frames.size(), 2u);
        std::string note;
        const std::string output = WriteAll(read, frames, &note);
        const bool fits =
            (format->subsampling != Subsampling::k420 || (size.w % 2 == 0 && size.h % 2 == 0)) &&
            (format->subsampling != Subsampling::k422 || size.w % 2 == 0);
        if (fits) {
          EXPECT_TRUE(output == input) << HeaderLine(output);
          EXPECT_EQ(note, "");
          continue;
        }
        // Written as 4:4:4 of the same depth, which holds the repeated chroma as it was read.
        EXPECT_NE(note, "");
        EXPECT_NE(HeaderLine(output).find(" C444"), std::string::npos) << HeaderLine(output);
        Y4mHeader again;
        const auto reread = ReadAll(output, &again);
        ASSERT_EQ(reread.size(), 2u);
        for (int f = 0; f < 2; ++f)
          EXPECT_TRUE(SamePixels(reread[f].pixels, frames[f].pixels)) << f;
        EXPECT_EQ(FormatOf(again)->depth, format->depth);
      }
    }
  }
}

TEST(Y4mStreamTest, ZeroPixelsAreBlackInEveryFormatAndRange) {
  // The formats whose black is luma `luma` and chroma `chroma`: limited range, then full.
  const struct {
    std::vector<std::string> headers;  // colour space and range
    int luma, chroma;
  } cases[] = {
      {{"C420jpeg", "C422 XCOLORRANGE=LIMITED", "Cmono"}, 16, 128},
      {{"C420p9"}, 32, 256},
      {{"C420p10"}, 64, 512},
      {{"C422p12"}, 256, 2048},
      {{"C444p16"}, 4096, 32768},
      {{"C420jpeg XCOLORRANGE=FULL", "C444 XCOLORRANGE=FULL"}, 0, 128},
      {{"C420p10 XCOLORRANGE=FULL"}, 0, 512},
      {{"C444p14 XCOLORRANGE=FULL"}, 0, 8192},
      {{"C420p16 XCOLORRANGE=FULL", "Cmono16 XCOLORRANGE=FULL"}, 0, 32768},
  };
  for (const auto& c : cases) {
    for (const std::string& header : c.headers) {
      SCOPED_TRACE(header);
      std::istringstream in("YUV4MPEG2 W8 H6 " + header + "\n");
      Y4mReader reader(in, "in");
      const std::string out = WriteAll(reader.Header(), {Picture(4, 2)});
      const SampleFormat format = reader.Format();
      const bool wide = format.depth > 8;
      const std::string planes = out.substr(out.find("FRAME\n") + 6);
      ASSERT_EQ(planes.size(), FrameBytes(format, 4, 2));
      const std::size_t lumaSamples = 4 * 2;
      for (std::size_t k = 0; k < planes.size() / (wide ? 2 : 1); ++k) {
        const int sample = wide ? static_cast<std::uint8_t>(planes[2 * k]) |
                                      static_cast<std::uint8_t>(planes[2 * k + 1]) << 8
                                : static_cast<std::uint8_t>(planes[k]);
        EXPECT_EQ(sample, k < lumaSamples ? c.luma : c.chroma) << k;
      }
    }
  }
}

TEST(Y4mStreamTest, MonoReadsWithNeutralChromaAndIgnoresChromaOnWriting) {
  std::istringstream in("YUV4MPEG2 W2 H1 Cmono\n");
  Y4mReader reader(in, "in");
  Picture frame(2, 1);
  frame.pixels = {Yuv(4, 100, -100), Yuv(-16, 5, 7)};  // 20 and 0 with chroma to drop
  const std::string out = WriteAll(reader.Header(), {frame});
  EXPECT_EQ(out, std::string("YUV4MPEG2 W2 H1 Cmono\nFRAME\n\x14\x00", 30));
}

TEST(Y4mStreamTest, ChannelsOutsideTheDepthAreClampedOnWriting) {
  // Another module may write any channel value; it is read as a signed offset and clamped.
  const struct {
    const char* space;
    int channel;  // luma channel
    int sample;
  } cases[] = {
      {"444", -17, 0},
      {"444", -32768, 0},
      {"444", 240, 255},
      {"444", 32767, 255},
      {"444p10", 960, 1023},
      {"444p10", -65, 0},
      {"444p12", 5000, 4095},
      // At 16 bits every channel value is a sample: the offset wraps.
      {"444p16", -4097, 0xFFFF},
      {"444p16", 0xEFFF, 0xFFFF},
      {"444p16", 0xF000, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.space) + " " + std::to_string(c.channel));
    Y4mHeader header;
    header.colourSpace = c.space;
    Picture frame(1, 1);
    frame.pixels[0] = Yuv(c.channel, 0, 0);
    const std::string out = WriteAll(header, {frame});
    const std::string planes = out.substr(out.find("FRAME\n") + 6);
    const int sample = FormatOf(header)->depth > 8 ? static_cast<std::uint8_t>(planes[0]) |
                                                         static_cast<std::uint8_t>(planes[1]) << 8
                                                   : static_cast<std::uint8_t>(planes[0]);
    EXPECT_EQ(sample, c.sample);
  }
}

TEST(Y4mStreamTest, FramesAreDecodedAndWrittenAtAnyStride) {
  const std::string planes = RandomPlanes(SampleFormat{Subsampling::k420, 10, false}, 6, 4, 9);
  const std::string input = Stream("YUV4MPEG2 W6 H4 C420p10", {planes});
  std::istringstream in(input);
  Y4mReader reader(in, "in");
  ASSERT_TRUE(reader.NextFrame());
  const Pixel untouched = Yuv(0x1111, 0x2222, 0x3333);
  std::vector<Pixel> buffer(9 * 4, untouched);
  reader.Decode(buffer.data(), 9);
  for (int y = 0; y < 4; ++y) {
    for (int x = 6; x < 9; ++x)
      EXPECT_TRUE(SamePixels(&buffer[y * 9 + x], &untouched, 1)) << x << "," << y;
  }
  std::ostringstream out;
  Y4mWriter writer(out, reader.Header());
  writer.WriteFrame(buffer.data(), 6, 4, 9);
  EXPECT_TRUE(out.str() == input);
  EXPECT_FALSE(reader.NextFrame());
}

// The vector kernels must agree with the plain ones on every length (the tails after whole
// vectors) and every value, including channels outside the depth.
void ExpectSameAsPortable(const RowKernels& fast) {
  const RowKernels& plain = PortableRowKernels();
  std::mt19937 random(7);
  const PlaneLevels levels[] = {{16, 255},    {128, 255},     {0, 255},       {64, 1023},
                                {2048, 4095}, {4096, 0xFFFF}, {32768, 0xFFFF}};
  for (std::size_t n : {0u, 1u, 2u, 7u, 8u, 15u, 16u, 17u, 31u, 32u, 33u, 64u, 100u, 1921u}) {
    SCOPED_TRACE(n);
    std::vector<std::uint8_t> bytes(n);
    std::vector<std::uint16_t> words(n), a(2 * n + 2), b(2 * n + 2), c(n);
    for (auto& v : bytes) v = static_cast<std::uint8_t>(random());
    for (auto& v : words) v = static_cast<std::uint16_t>(random());
    for (auto& v : a) v = static_cast<std::uint16_t>(random());
    for (auto& v : b) v = static_cast<std::uint16_t>(random());
    for (auto& v : c) v = static_cast<std::uint16_t>(random());
    for (const PlaneLevels& l : levels) {
      SCOPED_TRACE(l.offset);
      auto same16 = [&](auto run) {
        std::vector<std::uint16_t> x(n + 1, 0xABCD), y(n + 1, 0xABCD);
        run(fast, x.data());
        run(plain, y.data());
        EXPECT_EQ(x, y);
      };
      auto same8 = [&](auto run) {
        if (l.maxSample > 255) return;  // 8-bit planes have 8-bit levels
        std::vector<std::uint8_t> x(n + 1, 0xAB), y(n + 1, 0xAB);
        run(fast, x.data());
        run(plain, y.data());
        EXPECT_EQ(x, y);
      };
      same16(
          [&](const RowKernels& k, std::uint16_t* o) { k.widen8(o, bytes.data(), n, l.offset); });
      same16(
          [&](const RowKernels& k, std::uint16_t* o) { k.widen16(o, words.data(), n, l.offset); });
      same16([&](const RowKernels& k, std::uint16_t* o) {
        k.widenTwice8(o, bytes.data(), n, l.offset);
      });
      same16([&](const RowKernels& k, std::uint16_t* o) {
        k.widenTwice16(o, words.data(), n, l.offset);
      });
      same8([&](const RowKernels& k, std::uint8_t* o) { k.narrow8(o, words.data(), n, l); });
      same16([&](const RowKernels& k, std::uint16_t* o) { k.narrow16(o, words.data(), n, l); });
      same8([&](const RowKernels& k, std::uint8_t* o) { k.average8(o, a.data(), b.data(), n, l); });
      same16(
          [&](const RowKernels& k, std::uint16_t* o) { k.average16(o, a.data(), b.data(), n, l); });
    }
    std::vector<Pixel> fastPixels(n + 1, Pixel{{9, 9, 9, 9, 9, 9}}), plainPixels = fastPixels;
    fast.interleave(fastPixels.data(), words.data(), a.data(), c.data(), n);
    plain.interleave(plainPixels.data(), words.data(), a.data(), c.data(), n);
    EXPECT_TRUE(SamePixels(fastPixels, plainPixels));
    for (std::size_t k = 0; k < n; ++k) {
      ASSERT_EQ(Channel(plainPixels[k], 0), words[k]);
      ASSERT_EQ(Channel(plainPixels[k], 1), a[k]);
      ASSERT_EQ(Channel(plainPixels[k], 2), c[k]);
    }
    std::vector<std::uint16_t> back[3];
    for (auto& row : back) row.assign(n + 1, 0x5A5A);
    fast.deinterleave(plainPixels.data(), back[0].data(), back[1].data(), back[2].data(), n);
    for (auto& row : back) {
      EXPECT_EQ(row[n], 0x5A5A) << "written past the row";
      row.pop_back();
    }
    EXPECT_EQ(back[0], words);
    EXPECT_EQ(back[1], std::vector<std::uint16_t>(a.begin(), a.begin() + static_cast<long>(n)));
    EXPECT_EQ(back[2], c);
  }
}

TEST(Y4mRowsTest, EveryKernelSetMatchesThePortableOne) {
  const auto sets = SupportedRowKernels();
  EXPECT_EQ(sets.front().kernels, &FastRowKernels());
  for (const NamedRowKernels& set : sets) {
    SCOPED_TRACE(set.name);
    ExpectSameAsPortable(*set.kernels);
  }
}

TEST(Y4mRowsTest, KernelsComputeWhatTheyPromise) {
  const RowKernels& k = PortableRowKernels();
  const std::uint8_t bytes[] = {0, 16, 17, 255, 128};
  std::uint16_t out[6];
  k.widen8(out, bytes, 5, 16);
  EXPECT_EQ(std::vector<std::uint16_t>(out, out + 5),
            (std::vector<std::uint16_t>{0xFFF0, 0, 1, 239, 112}));
  k.widenTwice8(out, bytes, 5, 128);  // odd length: the last sample once
  EXPECT_EQ(std::vector<std::uint16_t>(out, out + 5),
            (std::vector<std::uint16_t>{0xFF80, 0xFF80, 0xFF90, 0xFF90, 0xFF91}));
  const std::uint16_t a[] = {0xFFFF, 0xFFFE, 3, 4}, b[] = {0xFFFF, 0xFFFF, 0x7FFF, 0x7FFF};
  std::uint8_t narrow[2];
  k.average8(narrow, a, b, 2, PlaneLevels{128, 255});  // (-5 + 2) >> 2 = -1; 32767-ish: 255
  EXPECT_EQ(narrow[0], 127);
  EXPECT_EQ(narrow[1], 255);
}

}  // namespace
}  // namespace tesselox::io
