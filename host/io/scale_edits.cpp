#include "host/io/scale_edits.h"

#include <cstdint>
#include <string>
#include <utility>

#include "module/field_table.h"

namespace tesselox::io {

std::vector<FieldEdit> ScaleEdits(Size output, Size input) {
  // clang-format off
  const std::pair<FieldId, std::int32_t> values[] = {
      {FieldId::SrcX, 0}, {FieldId::SrcY, 0}, {FieldId::SrcCx, input.width}, {FieldId::SrcCy, input.height},
      {FieldId::DstX, 0}, {FieldId::DstY, 0}, {FieldId::DstCx, output.width}, {FieldId::DstCy, output.height},
      {FieldId::Width, output.width}, {FieldId::Height, output.height}};
  // clang-format on
  std::vector<FieldEdit> edits;
  for (const auto& [id, value] : values)
    edits.push_back(FieldEdit{std::string(Label(id)), std::to_string(value)});
  return edits;
}

}  // namespace tesselox::io
