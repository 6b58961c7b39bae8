#include "module/process_frame.h"

#include <cstdint>

#include "module/field_table.h"
#include "module/render_frame.h"
#include "filter/magnitude.h"
#include "module/field_operations.h"

namespace tesselox {
namespace {

// -v without overflow: INT32_MIN gives INT32_MAX.
std::int32_t Negated(std::int32_t v) {
  return v < 0 ? Magnitude(v) : -v;
}

}  // namespace

std::int32_t ProcessFrame(FilterTable* /*table*/, FrameRecord* record) {
  const std::int32_t w = record->width;
  const std::int32_t h = record->height;
  const std::int32_t capW = record->capacityWidth;
  const std::int32_t capH = record->capacityHeight;

  RefreshRange(FieldId::SrcX, Negated(w), w);
  RefreshRange(FieldId::SrcY, Negated(h), h);
  RefreshRange(FieldId::SrcCx, Negated(w), w);
  RefreshRange(FieldId::SrcCy, Negated(h), h);
  RefreshRange(FieldId::DstX, Negated(capW), capW);
  RefreshRange(FieldId::DstY, Negated(capH), capH);
  RefreshRange(FieldId::DstCx, Negated(capW), capW);
  RefreshRange(FieldId::DstCy, Negated(capH), capH);

  ParameterValues values{};
  for (FieldId id :
       {FieldId::Width, FieldId::Height, FieldId::SrcX, FieldId::SrcY, FieldId::SrcCx,
        FieldId::SrcCy, FieldId::DstX, FieldId::DstY, FieldId::DstCx, FieldId::DstCy}) {
    values[Index(id)] = ReadValue(id);
  }

  for (FieldId phase : {FieldId::PhaseX, FieldId::PhaseY}) {
    RefreshRange(phase, 0, PhaseLimit(phase, values));
    values[Index(phase)] = ReadValue(phase);
  }

  RenderFrame(*record, values);
  return 1;
}

}  // namespace tesselox
