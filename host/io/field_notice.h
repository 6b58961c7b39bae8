#pragma once

// What the module's fields make of typed keys, and what its frame callback will read from them:
// the host compares this with what --set asked for and says where the two part.
//
// - A key the keystroke filter refuses, or one past the field's length limit, is not in the text.
// - The eight rectangle fields and the two phases are read through their up-down control: text
//   that is not an integer (an optional sign and digits), or one outside the range the control
//   holds, reads as 0 at the next frame, and the field then shows 0. A phase is then limited to
//   0..|dst cx| (or |dst cy|) as the filter reads that field at the same frame.
// - "width" and "height" are read as they stand, their range aside: text that is not an integer
//   reads as 0, and the output takes the magnitude capped at the buffers' capacity.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "module/field_table.h"
#include "host/io/options.h"

namespace tesselox::io {

// A field as the host reads it after the edits: its text and its up-down control's range.
struct FieldState {
  std::string text;
  std::int32_t low = 0;
  std::int32_t high = 0;
};
using FieldStates = std::array<FieldState, kFieldCount>;  // indexed by FieldId

// How one --set value went into its field, key by key (a key is one UTF-8 character).
struct Typing {
  std::string keys;   // the value given to --set
  int refused = 0;    // keys that left the text as it was
  int pastLimit = 0;  // keys dropped because the text was already at the length limit
  int lengthLimit = 0;
};

// The integer a field's text spells (an optional sign, then digits, nothing else), or nothing.
std::optional<std::int32_t> FieldInteger(std::string_view text);

// What the frame callback will read from each field at the next frame of the same size.
ParameterValues NextFrameValues(const FieldStates& fields);

// Whether the field holds the typed integer and the filter will use it as typed, whatever the
// field's range says (a size outside its range is used as it stands).
bool UsedAsTyped(FieldId field, const Typing& typing, const FieldStates& fields, Size capacity);

// One line saying what the field holds, why the filter will not use what was typed, and what it
// will use; nothing when the field holds the typed integer and the filter will use it as typed.
// `capacity` is the frame buffers' size, which caps the output's width and height.
std::optional<std::string> FieldNotice(FieldId field, const Typing& typing,
                                       const FieldStates& fields, Size capacity);

}  // namespace tesselox::io
