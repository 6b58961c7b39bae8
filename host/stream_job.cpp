#include "host/stream_job.h"

#include <chrono>
#include <iomanip>
#include <ostream>

#include "host/io/io_error.h"
#include "host/open_line.h"

namespace tesselox::host {

void StreamJob::ShowFirstFrame() {
  haveFrame_ = reader_.NextFrame();
  if (!haveFrame_) throw io::IoError(inputName_ + ": the Y4M stream has no frames");
  reader_.Decode(filter_.Input(), filter_.Stride());
  filter_.Process(reader_.Header().width, reader_.Header().height, false);
}

io::Size StreamJob::Run(std::ostream& out, std::ostream& errors, const io::CopyExtents& extents) {
  using Clock = std::chrono::steady_clock;
  io::Y4mWriter writer(out, reader_.Header(), extents);
  const auto start = Clock::now();
  auto lastProgress = start;
  auto progress = [&](const char* end) {
    if (*end == '\0') SetLineOpen(true);  // before the line: a kill in between costs a blank line
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    errors << "\rframes " << reader_.FramesRead() << ", " << std::fixed << std::setprecision(1)
           << (seconds > 0 ? static_cast<double>(reader_.FramesRead()) / seconds : 0.0) << " fps"
           << end << std::flush;
    if (*end != '\0') SetLineOpen(false);
  };
  bool progressShown = false;
  try {
    // The first frame is still in the reader from ShowFirstFrame.
    for (; haveFrame_; haveFrame_ = reader_.NextFrame()) {
      reader_.Decode(filter_.Input(), filter_.Stride());
      const PlaneView output = filter_.Process(reader_.Header().width, reader_.Header().height);
      writer.WriteFrame(reinterpret_cast<const Pixel*>(output.bytes), output.width, output.height,
                        filter_.Stride());
      if (writer.FramesWritten() == 1 && !writer.Note().empty())
        errors << "tesselox-host: " << writer.Note() << "\n";
      if (Clock::now() - lastProgress > std::chrono::milliseconds(500)) {
        lastProgress = Clock::now();
        progress("");
        progressShown = true;
      }
    }
  } catch (...) {
    // The error's own line must not run on from the progress line.
    if (progressShown) errors << "\n" << std::flush;
    SetLineOpen(false);
    throw;
  }
  progress("\n");
  return io::Size{writer.Written().width, writer.Written().height};
}

}  // namespace tesselox::host
