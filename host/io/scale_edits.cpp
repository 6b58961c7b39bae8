#include "host/io/scale_edits.h"

#include <cstdint>
#include <string>
#include <utility>

#include "module/field_table.h"

namespace tesselox::io {

std::vector<FieldEdit> ScaleEdits(Size output, Size input, FitMode fit, Sampling sampling) {
  const CopyRequest whole{{0, output.width, 0, input.width, 0},
                          {0, output.height, 0, input.height, 0}};
  const CopyRequest r = Fitted(whole, PlaneSize{output.width, output.height}, {}, {},
                               fit == FitMode::None ? FitMode::Stretch : fit, sampling);
  // clang-format off
  std::vector<std::pair<FieldId, std::int32_t>> values = {
      {FieldId::SrcX, r.x.sourceCorner}, {FieldId::SrcY, r.y.sourceCorner}, {FieldId::SrcCx, r.x.sourceExtent}, {FieldId::SrcCy, r.y.sourceExtent},
      {FieldId::DstX, r.x.corner}, {FieldId::DstY, r.y.corner}, {FieldId::DstCx, r.x.extent}, {FieldId::DstCy, r.y.extent},
      {FieldId::Width, output.width}, {FieldId::Height, output.height}};
  // clang-format on
  // The phases after the destination: the module holds a phase within 0..|dst extent|.
  if (sampling == Sampling::Center)
    values.insert(values.end(), {{FieldId::PhaseX, r.x.phase}, {FieldId::PhaseY, r.y.phase}});
  std::vector<FieldEdit> edits;
  for (const auto& [id, value] : values)
    edits.push_back(FieldEdit{std::string(Label(id)), std::to_string(value)});
  return edits;
}

}  // namespace tesselox::io
