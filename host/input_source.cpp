#include "host/input_source.h"

#include <ostream>
#include <vector>

#include "host/io/capacity.h"
#include "host/io/io_error.h"
#include "host/io/output_file.h"
#include "host/io/picture_file.h"
#include "host/io/test_pattern.h"

namespace tesselox::host {
namespace {

using io::IoError;

// The options that make sense for one kind of input only, and where the output may go.
void CheckOptions(const io::Options& options, io::InputKind kind) {
  io::CheckOutputPath(kind, options.out);
  io::CheckOutputFolder(options.out, options.out == io::kDefaultOutput);
  if (!options.screenshot.empty()) {
    io::CheckOutputFolder(options.screenshot, false);
    if (io::SameFile(options.screenshot, options.out))
      throw IoError("--screenshot and --out name the same file " + options.out);
  }
  if (kind != io::InputKind::Y4m) return;
  if (options.frames != 1)
    throw IoError("--frames repeats a still input; a Y4M stream is filtered frame by frame");
  if (options.outDepth != 8)
    throw IoError("--out-depth sets a PNG output's depth; a Y4M output keeps the input's depth");
  if (options.show) throw IoError("--show needs a still input (a picture or the test pattern)");
}

}  // namespace

InputSource::InputSource(const io::Options& options, std::ostream& errors) {
  io::InputKind kind = io::InputKind::Picture;
  if (!options.in.empty()) {
    file_.emplace(options.in);
    kind = file_->Kind();
  }
  CheckOptions(options, kind);

  if (kind == io::InputKind::Picture) {
    std::vector<std::string> notices;
    still_ =
        file_ ? io::ReadPicture(file_->Stream(), file_->Name(), &notices) : io::MakeTestPattern();
    Close();  // read whole: the output may replace it
    for (const std::string& notice : notices) errors << "tesselox-host: notice: " << notice << "\n";
    size_ = {still_.width, still_.height};
  } else {
    reader_.emplace(file_->Stream(), file_->Name());
    size_ = {reader_->Header().width, reader_->Header().height};
  }
  io::CheckFrameArea(size_, "the input");
  io::CheckCapacityArea(options, size_);
  capacity_ = io::EffectiveCapacity(options, size_);
  if (size_.width > capacity_.width || size_.height > capacity_.height) {
    throw IoError("the input is " + io::SizeText(size_) + ", larger than the buffers' capacity " +
                  io::SizeText(capacity_) + " (see --capacity)");
  }
}

void InputSource::Close() {
  if (file_) file_->Close();
}

}  // namespace tesselox::host
