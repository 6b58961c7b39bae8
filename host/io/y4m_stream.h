#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "host/io/picture.h"
#include "host/io/y4m_rows.h"

namespace tesselox::io {

// YUV4MPEG2 streams at full depth. Colour spaces: the 4:2:0 family (C420, C420jpeg, C420paldv,
// C420mpeg2; a header without C means C420jpeg), C422, C444 and Cmono at 8 bits, and C420pN,
// C422pN, C444pN, CmonoN at N = 9, 10, 12, 14 or 16 bits (little-endian 16-bit samples).
//
// Each pixel holds Y, Cb, Cr in its three 16-bit channels, as samples relative to black and to
// neutral chroma (see PlaneLevels): six zero bytes are black in every format and colour range
// (XCOLORRANGE=FULL, otherwise limited), and any sample comes back exactly. Subsampled chroma is
// repeated on reading and averaged on writing; mono carries neutral chroma and is written as
// mono. Frame-level parameters after FRAME are skipped; unknown header tags are dropped.

enum class Subsampling { k420, k422, k444, kMono };

struct SampleFormat {
  Subsampling subsampling = Subsampling::k420;
  int depth = 8;  // bits per sample, 8 to 16
  bool fullRange = false;
  bool operator==(const SampleFormat&) const = default;
};

struct Y4mHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::string colourSpace = "420jpeg";  // the C tag's value
  std::string frameRate;                // F, e.g. "25:1"; empty when absent
  std::string interlace;                // I, e.g. "p"
  std::string aspect;                   // A, e.g. "1:1"
  std::vector<std::string> extensions;  // X tags, without the X
};

// The format a header names (range from XCOLORRANGE), or nothing for an unknown colour space.
std::optional<SampleFormat> FormatOf(const Y4mHeader& header);

// The levels of luma (plane 0) and chroma (planes 1 and 2) in a format.
PlaneLevels LumaLevels(const SampleFormat& format);
PlaneLevels ChromaLevels(const SampleFormat& format);

// The bytes of one frame's planes, without the FRAME line.
std::size_t FrameBytes(const SampleFormat& format, std::int32_t width, std::int32_t height);

// Reads the header at construction and one frame per NextFrame into one buffer that lasts the
// whole stream, so a stream of any length runs in constant memory; nothing is allocated before
// the first frame's data. Errors throw IoError naming the frame.
class Y4mReader {
 public:
  Y4mReader(std::istream& in, std::string name);
  const Y4mHeader& Header() const { return header_; }
  const SampleFormat& Format() const { return format_; }
  // Reads the next frame's samples; false at a clean end of stream (nothing after the last
  // frame).
  bool NextFrame();
  // The frame NextFrame read, as pixels: row y at dst + y * stride.
  void Decode(Pixel* dst, std::ptrdiff_t stride);
  // NextFrame, then Decode into `frame` (resized to the stream's size).
  bool ReadFrame(Picture& frame);
  std::int64_t FramesRead() const { return frames_; }

 private:
  std::string ReadLine(const char* what, bool* atEnd);
  // Reads `count` bytes of the frame, `before` of its `total` being read already.
  void ReadBytes(char* to, std::size_t count, std::size_t before, std::size_t total);
  // Refuses a frame with a sample beyond its depth (1024 and up at 10 bits), which no writer
  // of the depth makes and the pixels could not return.
  void CheckSamples(std::size_t count) const;

  std::istream& in_;
  std::string name_;
  Y4mHeader header_;
  SampleFormat format_;
  std::vector<std::uint16_t> samples_;  // the frame's planes as read (8-bit planes: as bytes)
  std::vector<std::uint16_t> rows_;     // three channel rows
  std::int64_t frames_ = 0;
};

// The magnitudes of the copy's source and destination extents: how much it stretches each axis.
struct CopyExtents {
  std::int64_t srcCx = 1;
  std::int64_t srcCy = 1;
  std::int64_t dstCx = 1;
  std::int64_t dstCy = 1;
};

// The pixel aspect "N:D" that keeps the copied picture's display shape: the input's times
// (srcCx / dstCx) / (srcCy / dstCy), reduced. An unknown aspect (absent or 0:0) stays as it is;
// nothing (no tag) when an extent is 0 or the ratio does not fit the tag's 32-bit terms.
std::string ScaledAspect(const std::string& aspect, const CopyExtents& extents);

// Writes the header with the first frame, whose size it takes. The input's colour space is kept
// when the size allows it (4:2:0 needs an even width and height, 4:2:2 an even width), otherwise
// the 4:4:4 form of the same depth is written and Note() says so. Frame rate and colour range
// are kept; interlacing only while the frame size is the input's (rows scaled across fields
// mix them); the pixel aspect follows the copy's extents (ScaledAspect). Each frame goes out in
// one write.
class Y4mWriter {
 public:
  Y4mWriter(std::ostream& out, Y4mHeader input, CopyExtents extents = {});
  // Row y of the frame at pixels + y * stride.
  void WriteFrame(const Pixel* pixels, std::int32_t width, std::int32_t height,
                  std::ptrdiff_t stride);
  void WriteFrame(const Picture& frame);
  const Y4mHeader& Written() const { return written_; }
  const std::string& Note() const { return note_; }
  std::int64_t FramesWritten() const { return frames_; }

 private:
  void WriteHeader(std::int32_t width, std::int32_t height);

  std::ostream& out_;
  Y4mHeader input_;
  CopyExtents extents_;
  Y4mHeader written_;
  SampleFormat format_;
  std::string note_;
  std::vector<std::uint16_t> frame_;  // FRAME line and planes
  std::vector<std::uint16_t> rows_;   // six channel rows: two pixel rows' worth
  std::int64_t frames_ = 0;
};

}  // namespace tesselox::io
