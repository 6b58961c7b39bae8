#pragma once

#include <iosfwd>

#include "host/frame_filter.h"
#include "host/io/options.h"
#include "host/io/picture.h"
#include "host/session/module_session.h"

namespace tesselox::host {

// A still input (a picture or the test pattern) through the module: filtered --frames times,
// then with --show interactively until the user closes a window, and written as one PNG.
class StillJob {
 public:
  StillJob(io::Picture& still, FrameFilter& filter, ModuleSession& session,
           const io::Options& options)
      : still_(still), filter_(filter), session_(session), options_(options) {}

  // Shows the module the picture, neither timed nor written, as an editor shows its first frame
  // before the user edits.
  void ShowFirstFrame() { filter_.Run(still_, false); }

  // Filters the picture, writes the last output to `out` and returns its size. Encoding needs
  // several copies of the output, so the picture and the frame buffers are freed first.
  io::Size Run(std::ostream& out);

 private:
  io::Picture& still_;
  FrameFilter& filter_;
  ModuleSession& session_;
  const io::Options& options_;
};

}  // namespace tesselox::host
