#include "filter/render_frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "filter/copy_nearest.h"

namespace tesselox {
namespace {

// |v| capped at `cap`; |INT32_MIN| is taken in 64 bits.
std::int32_t AbsCapped(std::int32_t v, std::int32_t cap) {
  return static_cast<std::int32_t>(std::min<std::int64_t>(std::llabs(v), cap));
}

std::int32_t Clamp(std::int32_t v, std::int32_t cap) {
  return std::clamp(v, 0, cap);
}

}  // namespace

void RenderFrame(FrameRecord& record, const ParameterValues& values) {
  auto value = [&values](FieldId id) { return values[Index(id)]; };
  const std::int32_t capW = std::max(record.capacityWidth, 0);
  const std::int32_t capH = std::max(record.capacityHeight, 0);
  const std::int32_t outW = AbsCapped(value(FieldId::Width), capW);
  const std::int32_t outH = AbsCapped(value(FieldId::Height), capH);

  const ImageView src{record.current, Clamp(record.width, capW), Clamp(record.height, capH), capW};
  const ImageView dst{record.scratch, outW, outH, capW};
  record.height = outH;
  record.width = outW;

  // The whole buffer, not only the output frame: the host may look past the frame's lines.
  const std::size_t bytes =
      static_cast<std::size_t>(capW) * static_cast<std::size_t>(capH) * sizeof(Pixel);
  if (bytes != 0) std::memset(static_cast<void*>(record.scratch), 0, bytes);
  CopyNearest(dst, value(FieldId::DstX), value(FieldId::DstY), value(FieldId::DstCx),
              value(FieldId::DstCy), src, value(FieldId::SrcX), value(FieldId::SrcY),
              value(FieldId::SrcCx), value(FieldId::SrcCy), value(FieldId::PhaseX),
              value(FieldId::PhaseY));
  std::swap(record.current, record.scratch);
}

}  // namespace tesselox
