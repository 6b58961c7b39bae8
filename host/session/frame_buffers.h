#pragma once

#include <cstdint>
#include <vector>

#include "module/frame_record.h"

namespace tesselox::host {

// The host's side of one frame: a frame record the host owns and two pixel buffers of
// capacityWidth x capacityHeight, each with guard bytes before and after it, and host fields
// after the part of the record the filter uses. GuardsIntact() tells whether the filter wrote
// anywhere it must not.
class FrameBuffers {
 public:
  FrameBuffers(std::int32_t capacityWidth, std::int32_t capacityHeight);
  FrameBuffers(const FrameBuffers&) = delete;
  FrameBuffers& operator=(const FrameBuffers&) = delete;

  // Sets the incoming frame's size in the record (not checked against the capacity).
  void SetFrameSize(std::int32_t width, std::int32_t height);

  // The record to hand to the frame callback.
  FrameRecord& Record() { return host_.record; }
  const FrameRecord& Record() const { return host_.record; }

  // Pixel (x, y) of the buffer the record names as current (the frame, or after a callback
  // the result); the stride is the capacity width.
  Pixel& At(std::int32_t x, std::int32_t y);
  const Pixel& At(std::int32_t x, std::int32_t y) const;

  // Every pixel of both buffers, to fill them before a frame.
  void FillBoth(const Pixel& value);

  // True when the guard bytes around both buffers and the host's record fields are unchanged
  // and the record still names the two buffers (in either order).
  bool GuardsIntact() const;

  std::int32_t CapacityWidth() const { return capacityWidth_; }
  std::int32_t CapacityHeight() const { return capacityHeight_; }

 private:
  static constexpr std::size_t kGuardPixels = 64;
  static constexpr std::uint8_t kGuardByte = 0xA5;
  static constexpr int kHostFieldCount = 8;

  // The host's record is longer than the filter's part of it.
  struct HostRecord {
    FrameRecord record;
    std::int32_t hostFields[kHostFieldCount];
  };

  Pixel* Body(std::vector<Pixel>& buffer) { return buffer.data() + kGuardPixels; }
  bool BufferGuardsIntact(const std::vector<Pixel>& buffer) const;

  std::int32_t capacityWidth_;
  std::int32_t capacityHeight_;
  std::vector<Pixel> first_;
  std::vector<Pixel> second_;
  HostRecord host_{};
};

}  // namespace tesselox::host
