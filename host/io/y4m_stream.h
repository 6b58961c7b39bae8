#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "host/io/image.h"

namespace tesselox::io {

// YUV4MPEG2 streams, 8 bits per sample. Colour spaces read and written: C444 and the 4:2:0
// family (C420, C420jpeg, C420paldv, C420mpeg2; a header without C means C420jpeg). Each pixel
// becomes Y, Cb, Cr as 16-bit channels; 4:2:0 chroma is repeated over its 2 x 2 block on reading
// and averaged over it on writing, so 4:4:4 (and block-aligned 4:2:0) round-trips exactly.
// Frame-level parameters after FRAME are skipped; unknown header tags are dropped.

struct Y4mHeader {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::string colourSpace = "420jpeg";  // the C tag's value
  std::string frameRate;                // F, e.g. "25:1"; empty when absent
  std::string interlace;                // I, e.g. "p"
  std::string aspect;                   // A, e.g. "1:1"
  std::vector<std::string> extensions;  // X tags, without the X
};

bool IsFourTwoZero(const std::string& colourSpace);

// Reads the header at construction and one frame per ReadFrame, reusing one plane buffer, so a
// stream of any length runs in constant memory. Errors throw IoError naming the frame.
class Y4mReader {
 public:
  Y4mReader(std::istream& in, std::string name);
  const Y4mHeader& Header() const { return header_; }
  // False at a clean end of stream (nothing after the last frame).
  bool ReadFrame(Image& frame);
  std::int64_t FramesRead() const { return frames_; }

 private:
  std::string ReadLine(const char* what, bool* atEnd);
  void ReadPlane(std::uint8_t* dst, std::size_t bytes);

  std::istream& in_;
  std::string name_;
  Y4mHeader header_;
  std::vector<std::uint8_t> planes_;
  std::int64_t frames_ = 0;
};

// Writes the header with the first frame, whose size it takes. The input's colour space is kept
// when the size allows it (4:2:0 needs even sizes), otherwise C444 is written and Note() says
// so. Frame rate is kept; interlacing and pixel aspect are kept only while the frame size is the
// input's, since scaling changes both.
class Y4mWriter {
 public:
  Y4mWriter(std::ostream& out, Y4mHeader input);
  void WriteFrame(const Image& frame);
  const Y4mHeader& Written() const { return written_; }
  const std::string& Note() const { return note_; }
  std::int64_t FramesWritten() const { return frames_; }

 private:
  void WriteHeader(std::int32_t width, std::int32_t height);

  std::ostream& out_;
  Y4mHeader input_;
  Y4mHeader written_;
  std::string note_;
  std::vector<std::uint8_t> planes_;
  std::int64_t frames_ = 0;
};

}  // namespace tesselox::io
