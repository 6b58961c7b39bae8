#pragma once

#include <cstdint>

#include "filter/parameters.h"

namespace tesselox {

// One axis of a copy: destination pixels [corner, corner + extent) (a negative extent runs the
// other way, from corner down), sampled from source pixels sourceExtent long from sourceCorner,
// with the phase in destination pixels. tesselox/tesselox.h documents what each value does.
struct CopyAxis {
  std::int32_t corner;
  std::int32_t extent;
  std::int32_t sourceCorner;
  std::int32_t sourceExtent;
  std::int32_t phase;
};

// A whole copy: its columns and its rows.
struct CopyRequest {
  CopyAxis x;
  CopyAxis y;
};

// The copy the twelve field values ask for: the only place that knows which value is which.
constexpr CopyRequest CopyRequestFrom(const ParameterValues& values) {
  auto value = [&values](FieldId id) { return values[Index(id)]; };
  return CopyRequest{{value(FieldId::DstX), value(FieldId::DstCx), value(FieldId::SrcX),
                      value(FieldId::SrcCx), value(FieldId::PhaseX)},
                     {value(FieldId::DstY), value(FieldId::DstCy), value(FieldId::SrcY),
                      value(FieldId::SrcCy), value(FieldId::PhaseY)}};
}

}  // namespace tesselox
