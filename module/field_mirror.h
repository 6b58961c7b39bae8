#pragma once

// What the module knows of one field without asking its controls. Under Wine every message to
// an edit box that an up-down control holds as its buddy is expensive, so the field operations
// read and write a field's controls only when what they know cannot answer.
//
// The keystroke filter sees every message that reaches an edit box and counts those that may
// change its text. What was learnt about a field holds while that count stays where it was when
// it was learnt. The up-down control's position changes only through the control itself, which
// writes its decimal text into the edit box whenever the position moves away from what the text
// shows; its range is set by the module alone.

#include <windows.h>

#include <array>
#include <cstdint>
#include <string_view>

namespace tesselox {

struct FieldMirror {
  DWORD thread = 0;           // the controls' thread: only there is the count complete
  std::uint32_t changes = 0;  // messages to the edit box that may have changed its text
  std::uint32_t knownAt = 0;  // `changes` when `text` was read or written
  bool textKnown = false;
  bool positionKnown = false;  // the up-down's position is `position`, and `text` its decimal form
  std::int32_t position = 0;
  std::int32_t low = 0;  // the range the module gave the up-down control last
  std::int32_t high = 0;
  std::array<char, 32> text{};  // NUL-terminated; a longer text is cut after 31 bytes

  bool TextKnown() const { return textKnown && knownAt == changes; }
  bool PositionKnown() const { return positionKnown && TextKnown(); }
  std::string_view Text() const { return std::string_view(text.data()); }
  // True when the text is known to be exactly the decimal form of value.
  bool TextIs(std::int32_t value) const;
  // Records the text as read or written at the present count; the position becomes unknown.
  void LearnText(std::string_view shown);
  void Forget() { textKnown = positionKnown = false; }
};

// The decimal form the up-down control writes for a position: '-' and digits, no leading zeros.
std::string_view DecimalText(std::int32_t value, std::array<char, 12>& buffer);

// False for the messages that cannot change an edit box's text (reading it, painting, the mouse,
// focus, size, selection); true for every other, which may.
bool MayChangeText(UINT message);

}  // namespace tesselox
