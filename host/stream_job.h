#pragma once

#include <iosfwd>
#include <string>

#include "host/frame_filter.h"
#include "host/io/options.h"
#include "host/io/y4m_stream.h"

namespace tesselox::host {

// A Y4M stream through the module, frame by frame in constant memory: each frame is decoded
// straight into the frame buffer and written out from the module's output buffer.
class StreamJob {
 public:
  StreamJob(io::Y4mReader& reader, FrameFilter& filter, std::string inputName)
      : reader_(reader), filter_(filter), inputName_(std::move(inputName)) {}

  // Shows the module the first frame, neither timed nor written, as an editor does before the
  // user edits. The frame is filtered again, counted, by Run. Throws IoError for a stream
  // without frames.
  void ShowFirstFrame();

  // Filters every frame to `out`, with a progress line on `errors`; returns the output's size.
  // `extents` are the copy's, for the output's pixel aspect.
  io::Size Run(std::ostream& out, std::ostream& errors, const io::CopyExtents& extents);

 private:
  io::Y4mReader& reader_;
  FrameFilter& filter_;
  std::string inputName_;
  bool haveFrame_ = false;
};

}  // namespace tesselox::host
