#include "host/io/y4m_stream.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "host/io/io_error.h"

namespace tesselox::io {
namespace {

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

std::vector<Image> ReadAll(const std::string& bytes, Y4mHeader* header = nullptr) {
  std::istringstream in(bytes);
  Y4mReader reader(in, "clip.y4m");
  if (header) *header = reader.Header();
  std::vector<Image> frames;
  Image frame;
  while (reader.ReadFrame(frame)) frames.push_back(frame);
  EXPECT_EQ(reader.FramesRead(), static_cast<std::int64_t>(frames.size()));
  return frames;
}

std::string WriteAll(const Y4mHeader& input, const std::vector<Image>& frames,
                     std::string* note = nullptr) {
  std::ostringstream out;
  Y4mWriter writer(out, input);
  for (const auto& f : frames) writer.WriteFrame(f);
  if (note) *note = writer.Note();
  return out.str();
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
  // edges.
  const struct {
    const char* header;
    int w, h;
    std::string planes;
    // Expected (Y, Cb, Cr) at every pixel, row by row.
    std::vector<std::array<int, 3>> pixels;
  } cases[] = {
      {"YUV4MPEG2 W2 H1 C444",
       2,
       1,
       std::string("\x10\x20\x30\x40\x50\x60", 6),
       {{0x10, 0x30, 0x50}, {0x20, 0x40, 0x60}}},
      {"YUV4MPEG2 W3 H3 C420jpeg",
       3,
       3,
       std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09"
                   "\xA0\xA1\xA2\xA3"
                   "\xB0\xB1\xB2\xB3",
                   17),
       {{1, 0xA0, 0xB0},
        {2, 0xA0, 0xB0},
        {3, 0xA1, 0xB1},
        {4, 0xA0, 0xB0},
        {5, 0xA0, 0xB0},
        {6, 0xA1, 0xB1},
        {7, 0xA2, 0xB2},
        {8, 0xA2, 0xB2},
        {9, 0xA3, 0xB3}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header);
    const auto frames = ReadAll(Stream(c.header, {c.planes}));
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_EQ(frames[0].width, c.w);
    ASSERT_EQ(frames[0].height, c.h);
    for (std::size_t k = 0; k < c.pixels.size(); ++k) {
      for (int ch = 0; ch < 3; ++ch)
        EXPECT_EQ(Channel(frames[0].pixels[k], ch), c.pixels[k][ch] * 257) << k << " " << ch;
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
  Y4mHeader header;
  header.colourSpace = "420mpeg2";
  Image frame(2, 2);
  const int cb[4] = {10, 11, 20, 30};  // sum 71: the rounded average is 18
  for (int k = 0; k < 4; ++k)
    frame.pixels[k] = PixelFromBytes(std::uint8_t(k), std::uint8_t(cb[k]), 200);
  const std::string out = WriteAll(header, {frame});
  EXPECT_EQ(out.substr(out.find('\n') + 1), std::string("FRAME\n\x00\x01\x02\x03\x12\xC8", 12));
}

TEST(Y4mStreamTest, OutputHeaderKeepsWhatStillApplies) {
  const struct {
    const char* input;
    int w, h;
    const char* expected;
    bool noted;
  } cases[] = {
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 8, 6, "YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv",
       false},
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 4, 6, "YUV4MPEG2 W4 H6 F25:1 C420paldv", false},
      {"YUV4MPEG2 W8 H6 F25:1 It A1:1 C420paldv", 5, 6, "YUV4MPEG2 W5 H6 F25:1 C444", true},
      {"YUV4MPEG2 W8 H6 F25:1 C420", 8, 7, "YUV4MPEG2 W8 H7 F25:1 C444", true},
      {"YUV4MPEG2 W8 H6 C444 XYSCSS=444 XCOLORRANGE=FULL", 5, 7,
       "YUV4MPEG2 W5 H7 C444 XCOLORRANGE=FULL", false},
      {"YUV4MPEG2 W8 H6 Q9 XYSCSS=420JPEG", 8, 6, "YUV4MPEG2 W8 H6 C420jpeg", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(std::string(c.input) + "\n");
    Y4mReader reader(in, "in");
    std::string note;
    const std::string out = WriteAll(reader.Header(), {Image(c.w, c.h)}, &note);
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
  EXPECT_EQ(Channel(frames[0].pixels[0], 2), 9 * 257);
}

TEST(Y4mStreamTest, BadStreamsNameTheProblem) {
  const std::string one = "YUV4MPEG2 W2 H2 C444\nFRAME\n" + Planes(12, 1);
  const struct {
    const char* what;
    std::string bytes;
    const char* message;
    bool atOpen;
  } cases[] = {
      {"empty", "", "empty input", true},
      {"not y4m", "P6\n1 1\n255\nabc", "not a Y4M stream", true},
      {"header without newline", "YUV4MPEG2 W2 H2", "ends inside a header", true},
      {"no width", "YUV4MPEG2 H2 C444\n", "lacks the frame width", true},
      {"zero width", "YUV4MPEG2 W0 H2\n", "bad size W0", true},
      {"huge height", "YUV4MPEG2 W2 H99999\n", "bad size H99999", true},
      {"width with junk", "YUV4MPEG2 W2x H2\n", "bad size W2x", true},
      {"4:2:2", "YUV4MPEG2 W2 H2 C422\n", "C422 is not supported", true},
      {"10-bit", "YUV4MPEG2 W2 H2 C420p10\n", "C420p10 is not supported", true},
      {"bad rate", "YUV4MPEG2 W2 H2 F25\n", "bad frame rate", true},
      {"long header", "YUV4MPEG2 W2 H2 X" + std::string(5000, 'a') + "\n", "too long", true},
      {"cut frame", one.substr(0, one.size() - 1), "frame 1 is truncated (11 of 12", false},
      {"cut second frame", one + "FRAME\n" + Planes(5, 1), "frame 2 is truncated", false},
      {"cut FRAME line", one + "FRA", "ends inside a FRAME line (after 1 frames)", false},
      {"not FRAME", one + "FRAMES\n" + Planes(12, 1), "frame 2 does not start with FRAME", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::istringstream in(c.bytes);
    try {
      Y4mReader reader(in, "clip.y4m");
      EXPECT_FALSE(c.atOpen) << "the header was accepted";
      Image frame;
      while (reader.ReadFrame(frame)) {
      }
      ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("clip.y4m: ", 0), 0u) << message;
      EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
  }
}

TEST(Y4mStreamTest, WriterRefusesAFrameOfAnotherSize) {
  std::ostringstream out;
  Y4mWriter writer(out, Y4mHeader{});
  writer.WriteFrame(Image(4, 4));
  EXPECT_THROW(writer.WriteFrame(Image(4, 2)), IoError);
  EXPECT_EQ(writer.FramesWritten(), 1);
  EXPECT_THROW(Y4mWriter(out, Y4mHeader{}).WriteFrame(Image()), IoError);
}

}  // namespace
}  // namespace tesselox::io
