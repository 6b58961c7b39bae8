#include "host/session/frame_buffers.h"

#include <algorithm>

namespace tesselox::host {
namespace {

constexpr std::int32_t HostFieldPattern(int k) {
  return 0x5EED0000 + k;
}

std::size_t PixelCount(std::int32_t width, std::int32_t height) {
  return static_cast<std::size_t>(std::max(width, 0)) *
         static_cast<std::size_t>(std::max(height, 0));
}

}  // namespace

FrameBuffers::FrameBuffers(std::int32_t capacityWidth, std::int32_t capacityHeight)
    : capacityWidth_(capacityWidth), capacityHeight_(capacityHeight) {
  const Pixel guard{{kGuardByte, kGuardByte, kGuardByte, kGuardByte, kGuardByte, kGuardByte}};
  const std::size_t size = PixelCount(capacityWidth, capacityHeight) + 2 * kGuardPixels;
  first_.assign(size, guard);
  second_.assign(size, guard);
  FillBoth(Pixel{});
  host_.record.current = Body(first_);
  host_.record.scratch = Body(second_);
  host_.record.capacityWidth = capacityWidth;
  host_.record.capacityHeight = capacityHeight;
  host_.record.hostField0 = HostFieldPattern(-1);
  for (int k = 0; k < kHostFieldCount; ++k) host_.hostFields[k] = HostFieldPattern(k);
}

void FrameBuffers::SetFrameSize(std::int32_t width, std::int32_t height) {
  host_.record.width = width;
  host_.record.height = height;
}

Pixel& FrameBuffers::At(std::int32_t x, std::int32_t y) {
  return host_.record.current[static_cast<std::ptrdiff_t>(y) * capacityWidth_ + x];
}

const Pixel& FrameBuffers::At(std::int32_t x, std::int32_t y) const {
  return host_.record.current[static_cast<std::ptrdiff_t>(y) * capacityWidth_ + x];
}

void FrameBuffers::FillBoth(const Pixel& value) {
  const std::size_t count = PixelCount(capacityWidth_, capacityHeight_);
  std::fill_n(Body(first_), count, value);
  std::fill_n(Body(second_), count, value);
}

bool FrameBuffers::BufferGuardsIntact(const std::vector<Pixel>& buffer) const {
  for (std::size_t k = 0; k < kGuardPixels; ++k) {
    for (const Pixel* p : {&buffer[k], &buffer[buffer.size() - 1 - k]}) {
      if (std::any_of(p->bytes, p->bytes + 6, [](std::uint8_t b) { return b != kGuardByte; })) {
        return false;
      }
    }
  }
  return true;
}

bool FrameBuffers::GuardsIntact() const {
  const Pixel* a = first_.data() + kGuardPixels;
  const Pixel* b = second_.data() + kGuardPixels;
  const FrameRecord& r = host_.record;
  const bool buffersNamed =
      (r.current == a && r.scratch == b) || (r.current == b && r.scratch == a);
  if (!buffersNamed || r.hostField0 != HostFieldPattern(-1)) return false;
  for (int k = 0; k < kHostFieldCount; ++k) {
    if (host_.hostFields[k] != HostFieldPattern(k)) return false;
  }
  return BufferGuardsIntact(first_) && BufferGuardsIntact(second_);
}

}  // namespace tesselox::host
