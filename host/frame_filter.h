#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "filter/plane_view.h"
#include "host/io/options.h"
#include "host/io/picture.h"
#include "host/session/frame_buffers.h"
#include "host/session/module_session.h"

namespace tesselox::host {

// The module driven through one frame buffer pair, timing only the frame callback. A frame is
// either decoded straight into Input() and run with Process, or copied in and out row by row
// with Run.
class FrameFilter {
 public:
  // `origin` names what set the capacity, for the message when it cannot be had.
  FrameFilter(ModuleSession& session, io::Size capacity, const std::string& origin);

  // Where the next frame goes: row y at Input() + y * Stride().
  Pixel* Input() { return &buffers_->At(0, 0); }
  std::ptrdiff_t Stride() const { return buffers_->CapacityWidth(); }

  // Runs the module on the width x height frame in Input() and returns its output, which stays
  // valid until the next call. `counted` false: a frame that is neither reported nor timed.
  PlaneView Process(std::int32_t width, std::int32_t height, bool counted = true);
  io::Picture Run(const io::Picture& input, bool counted = true);

  // Frees both frame buffers; nothing may be run afterwards.
  void ReleaseBuffers() { buffers_.reset(); }

  std::int64_t Frames() const { return frames_; }
  double MillisecondsPerFrame() const;

 private:
  using Clock = std::chrono::steady_clock;

  ModuleSession& session_;
  io::Size capacity_;
  std::unique_ptr<FrameBuffers> buffers_;
  Clock::duration elapsed_{};
  std::int64_t frames_ = 0;
};

}  // namespace tesselox::host
