#pragma once

// Field values written as the fields read: a source rectangle, a destination rectangle, the
// output size and the phases. Tests, benchmarks and seeds give their cases this way, so that no
// case depends on the order of the twelve values.

#include <cstdint>
#include <utility>

#include "filter/copy_request.h"
#include "module/parameters.h"

namespace tesselox::test {

// A rectangle as the fields give it: corner and extent.
struct FieldRect {
  std::int32_t x, y, cx, cy;
};

// The field values that copy `src` into `dst` of a width x height output with the phases given.
constexpr ParameterValues Values(FieldRect src, FieldRect dst, std::int32_t width,
                                 std::int32_t height, std::int32_t phaseX = 0,
                                 std::int32_t phaseY = 0) {
  const std::pair<FieldId, std::int32_t> given[] = {
      {FieldId::SrcX, src.x},    {FieldId::SrcY, src.y},    {FieldId::SrcCx, src.cx},
      {FieldId::SrcCy, src.cy},  {FieldId::DstX, dst.x},    {FieldId::DstY, dst.y},
      {FieldId::DstCx, dst.cx},  {FieldId::DstCy, dst.cy},  {FieldId::Width, width},
      {FieldId::Height, height}, {FieldId::PhaseX, phaseX}, {FieldId::PhaseY, phaseY}};
  ParameterValues values{};
  for (const auto& [id, value] : given) values[Index(id)] = value;
  return values;
}

// The copy the field values ask for, read here by the fields' names rather than through the
// product's CopyRequestFrom, so that a value the product hands to the wrong place shows.
constexpr CopyRequest RequestOf(const ParameterValues& v) {
  auto at = [&v](FieldId id) { return v[Index(id)]; };
  CopyRequest request{};
  request.x.sourceCorner = at(FieldId::SrcX);
  request.x.sourceExtent = at(FieldId::SrcCx);
  request.x.corner = at(FieldId::DstX);
  request.x.extent = at(FieldId::DstCx);
  request.x.phase = at(FieldId::PhaseX);
  request.y.sourceCorner = at(FieldId::SrcY);
  request.y.sourceExtent = at(FieldId::SrcCy);
  request.y.corner = at(FieldId::DstY);
  request.y.extent = at(FieldId::DstCy);
  request.y.phase = at(FieldId::PhaseY);
  return request;
}

}  // namespace tesselox::test
