#pragma once

#include <cstdint>

#include "module/parameters.h"

namespace tesselox {

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
