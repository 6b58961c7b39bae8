#include "module/render_frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/copy_request.h"
#include "filter/execute_copy.h"
#include "filter/magnitude.h"
#include "filter/row_routine.h"

namespace tesselox {
namespace {

std::int32_t Clamp(std::int32_t v, std::int32_t cap) {
  return std::clamp(v, 0, cap);
}

}  // namespace

void RenderFrame(FrameRecord& record, const ParameterValues& values) {
  const std::int32_t capW = std::max(record.capacityWidth, 0);
  const std::int32_t capH = std::max(record.capacityHeight, 0);
  const std::int32_t outW = std::min(Magnitude(values[Index(FieldId::Width)]), capW);
  const std::int32_t outH = std::min(Magnitude(values[Index(FieldId::Height)]), capH);

  const std::ptrdiff_t stride = std::ptrdiff_t{capW} * std::ptrdiff_t{sizeof(Pixel)};
  const PlaneView src{reinterpret_cast<std::uint8_t*>(record.current), Clamp(record.width, capW),
                      Clamp(record.height, capH), stride, sizeof(Pixel)};
  const PlaneView dst{reinterpret_cast<std::uint8_t*>(record.scratch), outW, outH, stride,
                      sizeof(Pixel)};
  record.height = outH;
  record.width = outW;

  const CopyPlan plan = PlanCopy(SizeOf(dst), SizeOf(src), CopyRequestFrom(values));
  // The whole buffer ends up cleared, not only the output frame (the host may look past the
  // frame's lines); the copy writes every pixel of its rectangle, so the clear skips them.
  ClearStream clear(record.scratch, capW, capH, DrawnRect(plan));
  if (plan.draw) {
    ExecuteCopy(dst, src, plan, PickRowRoutine(plan.x), &clear);
  } else {
    clear.Finish();
  }
  std::swap(record.current, record.scratch);
}

}  // namespace tesselox
