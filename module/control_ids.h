#pragma once

#include "module/parameters.h"

namespace tesselox {

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
