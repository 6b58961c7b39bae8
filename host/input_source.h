#pragma once

#include <iosfwd>
#include <optional>
#include <string>

#include "host/io/input_file.h"
#include "host/io/options.h"
#include "host/io/picture.h"
#include "host/io/y4m_stream.h"

namespace tesselox::host {

// The input path of a run: the input opened and recognised, the options checked against it, a
// picture read whole and a stream's header read. All of it happens before the module is loaded,
// so that everything that can be refused is refused first.
class InputSource {
 public:
  // Throws IoError with the one-line reason; a picture's notices go to `errors`.
  InputSource(const io::Options& options, std::ostream& errors);
  InputSource(const InputSource&) = delete;
  InputSource& operator=(const InputSource&) = delete;

  bool IsStream() const { return reader_.has_value(); }
  const std::string& Name() const { return file_->Name(); }
  // The picture or the test pattern; empty for a stream.
  io::Picture& Still() { return still_; }
  io::Y4mReader& Reader() { return *reader_; }
  io::Size FrameSize() const { return size_; }
  // What the frame buffers are made for.
  io::Size Capacity() const { return capacity_; }

  // Lets go of the input file, so that the output may replace it.
  void Close();

 private:
  std::optional<io::InputFile> file_;  // absent: the test pattern
  io::Picture still_;
  std::optional<io::Y4mReader> reader_;
  io::Size size_;
  io::Size capacity_;
};

}  // namespace tesselox::host
