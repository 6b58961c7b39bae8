#pragma once

#include <array>
#include <cstdint>

namespace tesselox {

// The twelve fields, in the order the frame callback hands them to the renderer.
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

}  // namespace tesselox
