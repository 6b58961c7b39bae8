#include "host/frame_filter.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "host/io/io_error.h"

namespace tesselox::host {
namespace {

using io::IoError;

}  // namespace

FrameFilter::FrameFilter(ModuleSession& session, io::Size capacity, const std::string& origin)
    : session_(session), capacity_(capacity) {
  try {
    buffers_ = std::make_unique<FrameBuffers>(capacity.width, capacity.height);
  } catch (const std::bad_alloc&) {
    throw IoError("cannot allocate two frame buffers of " + io::SizeText(capacity) + " (" + origin +
                  ")");
  }
}

PlaneView FrameFilter::Process(std::int32_t width, std::int32_t height, bool counted) {
  if (width > capacity_.width || height > capacity_.height) {
    throw IoError("the input frame is " + io::SizeText({width, height}) +
                  ", larger than the buffers' capacity " + io::SizeText(capacity_) +
                  " (see --capacity)");
  }
  buffers_->SetFrameSize(width, height);
  const auto start = Clock::now();
  session_.ProcessFrame(*buffers_);
  if (counted) {
    elapsed_ += Clock::now() - start;
    ++frames_;
  }
  if (!buffers_->GuardsIntact())
    throw IoError("the module wrote outside the frame buffers or the host's record fields");
  const FrameRecord& record = buffers_->Record();
  if (record.width <= 0 || record.height <= 0 || record.width > capacity_.width ||
      record.height > capacity_.height) {
    throw IoError("the module returned a frame of " + io::SizeText({record.width, record.height}) +
                  ", which is empty or exceeds the capacity " + io::SizeText(capacity_));
  }
  return PlaneView{reinterpret_cast<std::uint8_t*>(&buffers_->At(0, 0)), record.width,
                   record.height, Stride() * std::ptrdiff_t{sizeof(Pixel)}, sizeof(Pixel)};
}

io::Picture FrameFilter::Run(const io::Picture& input, bool counted) {
  if (input.width <= capacity_.width && input.height <= capacity_.height) {
    for (std::int32_t y = 0; y < input.height; ++y)
      std::copy_n(&input.At(0, y), input.width, Input() + y * Stride());
  }
  const PlaneView result = Process(input.width, input.height, counted);
  io::Picture output(result.width, result.height);
  for (std::int32_t y = 0; y < output.height; ++y) {
    std::memcpy(&output.At(0, y), result.bytes + y * result.stride,
                static_cast<std::size_t>(output.width) * sizeof(Pixel));
  }
  return output;
}

double FrameFilter::MillisecondsPerFrame() const {
  return frames_ == 0 ? 0.0
                      : std::chrono::duration<double, std::milli>(elapsed_).count() /
                            static_cast<double>(frames_);
}

}  // namespace tesselox::host
