#include "filter/render_frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "filter/clear_outside.h"
#include "filter/copy_plan.h"
#include "filter/execute_copy.h"
#include "filter/row_routine.h"

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

  const CopyPlan plan = PlanCopy(
      dst, value(FieldId::DstX), value(FieldId::DstY), value(FieldId::DstCx), value(FieldId::DstCy),
      src, value(FieldId::SrcX), value(FieldId::SrcY), value(FieldId::SrcCx), value(FieldId::SrcCy),
      value(FieldId::PhaseX), value(FieldId::PhaseY));
  // The whole buffer ends up cleared, not only the output frame (the host may look past the
  // frame's lines). The pixels the copy will write are skipped (it writes every pixel of its
  // rectangle). A gather shares its rows' time with the clear; around other routines the clear
  // comes first, and around a narrow rectangle one long memset is faster than a short one per
  // line.
  const RowRoutine routine = plan.draw ? ChooseRowRoutine(plan.cols) : RowRoutine::Map;
  PixelRect drawn{};
  if (plan.draw) {
    drawn = PixelRect{static_cast<std::ptrdiff_t>(FirstWritten(plan.cols)),
                      static_cast<std::ptrdiff_t>(FirstWritten(plan.rows)),
                      static_cast<std::ptrdiff_t>(plan.cols.count),
                      static_cast<std::ptrdiff_t>(plan.rows.count)};
  }
  if (plan.draw && ClearsAlongRows(routine)) {
    ClearStream clear(record.scratch, capW, capH, drawn);
    ExecuteCopy(dst, src, plan, routine, true, &clear);
  } else {
    ClearOutside(record.scratch, capW, capH, 2 * drawn.width >= capW ? drawn : PixelRect{});
    if (plan.draw) ExecuteCopy(dst, src, plan, routine);
  }
  std::swap(record.current, record.scratch);
}

}  // namespace tesselox
