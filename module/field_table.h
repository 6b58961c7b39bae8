#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "module/parameters.h"

namespace tesselox {

// The module's twelve spin fields and the rules by which the frame callback reads them: plain
// data that the module, the host program, the benchmarks and the tests all name fields by.

// How a field starts: its label, its initial value and its range when it is created. The
// creation ranges are the module's own, made for no frame in particular; the host's largest
// frame replaces the range of "width" and "height" at initialisation, and each frame those of
// the others.
struct FieldSpec {
  const char* label;
  std::int32_t initial;
  std::int32_t low;
  std::int32_t high;
};

// Indexed by FieldId.
// clang-format off
inline constexpr std::array<FieldSpec, kFieldCount> kFieldSpecs = {{
    {"src x",   0,    -32,   32},   {"src y",   0,    -32,   32},
    {"src cx",  1440, -2560, 2560}, {"src cy",  1080, -1088, 1088},
    {"dst x",   0,    -32,   32},   {"dst y",   0,    -32,   32},
    {"dst cx",  640,  -3200, 3200}, {"dst cy",  360,  -1440, 1440},
    {"width",   640,  32,    1920}, {"height",  360,  32,    1440},
    {"phase x", 0,    0,     1920}, {"phase y", 0,    0,     1440},
}};
// clang-format on

constexpr std::string_view Label(FieldId id) {
  return kFieldSpecs[Index(id)].label;
}

// The field a label names exactly, or nothing.
constexpr std::optional<FieldId> FieldNamed(std::string_view label) {
  for (const FieldId id : kFieldIds) {
    if (Label(id) == label) return id;
  }
  return std::nullopt;
}

// "width" and "height" are read as their text stands, their range aside; every other field
// through its up-down control, which reads text outside its range as 0. A phase's range at a
// frame is 0..PhaseLimit, as the frame reads the destination extent before the phase.
constexpr bool IsOutputSize(FieldId id) {
  return id == FieldId::Width || id == FieldId::Height;
}

}  // namespace tesselox
