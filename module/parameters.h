#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "filter/copy_request.h"
#include "filter/magnitude.h"

namespace tesselox {

// The twelve values of a frame's copy, in the order the module's fields hand them on: the ten of
// the request (CopyRequestFrom says which is which) and the output size.
enum class FieldId : int {
  SrcX,
  SrcY,
  SrcCx,
  SrcCy,
  DstX,
  DstY,
  DstCx,
  DstCy,
  Width,
  Height,
  PhaseX,
  PhaseY
};

inline constexpr int kFieldCount = 12;

using ParameterValues = std::array<std::int32_t, kFieldCount>;  // indexed by FieldId

constexpr std::size_t Index(FieldId id) {
  return static_cast<std::size_t>(id);
}

// Every value, in FieldId order.
inline constexpr std::array<FieldId, kFieldCount> kFieldIds = [] {
  std::array<FieldId, kFieldCount> ids{};
  for (int k = 0; k < kFieldCount; ++k) ids[static_cast<std::size_t>(k)] = static_cast<FieldId>(k);
  return ids;
}();

constexpr bool IsPhase(FieldId id) {
  return id == FieldId::PhaseX || id == FieldId::PhaseY;
}

// A phase is held within 0..PhaseLimit: the magnitude of the destination extent of its axis.
constexpr std::int32_t PhaseLimit(FieldId phase, const ParameterValues& values) {
  return Magnitude(values[Index(phase == FieldId::PhaseX ? FieldId::DstCx : FieldId::DstCy)]);
}

// The copy the twelve field values ask for: the only place that knows which value is which.
constexpr CopyRequest CopyRequestFrom(const ParameterValues& values) {
  auto value = [&values](FieldId id) { return values[Index(id)]; };
  return CopyRequest{{value(FieldId::DstX), value(FieldId::DstCx), value(FieldId::SrcX),
                      value(FieldId::SrcCx), value(FieldId::PhaseX)},
                     {value(FieldId::DstY), value(FieldId::DstCy), value(FieldId::SrcY),
                      value(FieldId::SrcCy), value(FieldId::PhaseY)}};
}

}  // namespace tesselox
