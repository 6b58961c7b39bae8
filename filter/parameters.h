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

// The operations every field offers; the configuration window's controls carry them out.
// Before the controls exist every field reads as empty text.

// Re-limits the field to low..high and writes back its present value clamped into the new
// range (low first, then high), or the clamped 0 when the field cannot report its value.
void RefreshRange(FieldId field, std::int32_t low, std::int32_t high);

// Writes value clamped into the field's present range (low first, then high).
void SetClamped(FieldId field, std::int32_t value);

// The field's text as an integer, with ',' removed; 0 when it is not exactly one integer.
std::int32_t ReadValue(FieldId field);

}  // namespace tesselox
