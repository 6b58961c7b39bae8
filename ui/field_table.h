#pragma once

#include <array>
#include <cstdint>

#include "filter/parameters.h"

namespace tesselox {

// The twelve fields' facts, read by the module, the configuration window, the host's options and
// the tests alike. Plain C++: the host and the native tests include it too.

// How a field starts: its label, its initial value and its range when it is created.
struct FieldSpec {
  const char* label;
  std::int32_t initial;
  std::int32_t low;
  std::int32_t high;
};

// Indexed by FieldId.
inline constexpr std::array<FieldSpec, kFieldCount> kFieldSpecs = {{
    {"src x", 0, -32, 32},
    {"src y", 0, -32, 32},
    {"src cx", 1440, -2560, 2560},
    {"src cy", 1080, -1088, 1088},
    {"dst x", 0, -32, 32},
    {"dst y", 0, -32, 32},
    {"dst cx", 640, -3200, 3200},
    {"dst cy", 360, -1440, 1440},
    {"width", 640, 32, 1920},
    {"height", 360, 32, 1440},
    {"phase x", 0, 0, 1920},
    {"phase y", 0, 0, 1440},
}};

// Control ids in the configuration window: field k's edit box is kEditIdBase + 2k, its up-down
// control the id after; every label shares kLabelId.
inline constexpr int kEditIdBase = 40000;
inline constexpr int kLabelId = 1;

constexpr int EditId(FieldId id) {
  return kEditIdBase + 2 * static_cast<int>(id);
}

constexpr int UpDownId(FieldId id) {
  return EditId(id) + 1;
}

}  // namespace tesselox
