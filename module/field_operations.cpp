// The field operations, on the twelve fields' controls. Under
// Wine every message to an edit box that an up-down control holds as its buddy is expensive, so
// they answer from what the module knows of each field (its FieldMirror) wherever that gives the
// same result as asking the controls, and send a message only to learn what changed or to
// change something.

#include "module/field_operations.h"

#include "module/fields.h"

#include <commctrl.h>

#include <algorithm>
// The module's C++ runtime knows only the "C" locale, so lexical_cast need not ask the global
// locale for digit grouping; asking would link in every facet of std::locale (some 700 KB).
#define BOOST_LEXICAL_CAST_ASSUME_C_LOCALE
#include <boost/lexical_cast.hpp>
#include <string_view>

namespace tesselox {
namespace {

constexpr auto kReadLength = static_cast<std::size_t>(kMaxTextLength);

#ifdef TESSELOX_LITERAL_FIELDS
constexpr bool kMirrorFields = false;  // every operation by messages: the reference build
#else
constexpr bool kMirrorFields = true;
#endif

SpinField& Field(FieldId id) {
  return spinFields[Index(id)];
}

std::int32_t Clamp(std::int32_t value, std::int32_t low, std::int32_t high) {
  if (value < low) value = low;
  if (value > high) value = high;
  return value;
}

// What a field showing `text` gives the frame callback: its first five characters, ','
// removed, converted as one integer; 0 when that fails.
std::int32_t ValueOfText(std::string_view text) {
  char kept[kReadLength + 1] = {};
  std::remove_copy(text.begin(), text.begin() + std::min(text.size(), kReadLength), kept, ',');
  try {
    return boost::lexical_cast<int>(kept);
  } catch (...) {
    return 0;  // not exactly one integer
  }
}

// The operations message by message, as the controls carry them out. They serve frames that
// arrive on another thread than the controls' (where the count of changes cannot be trusted)
// and the reference build.

void RefreshByMessages(const SpinField& field, std::int32_t low, std::int32_t high) {
  BOOL error = FALSE;
  auto value = static_cast<std::int32_t>(
      SendMessageA(field.upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
  if (error) value = 0;
  SendMessageA(field.upDown, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
  SendMessageA(field.upDown, UDM_SETPOS32, 0, Clamp(value, low, high));
}

std::int32_t ReadByMessages(const SpinField& field) {
  char text[kReadLength + 2] = {};
  GetWindowTextA(field.edit, text, kMaxTextLength + 1);
  return ValueOfText(text);
}

// True when the field's mirror may stand in for its controls: on their own thread, where the
// keystroke filter has counted every change before the operation runs.
bool Mirrored(const SpinField& field) {
  return kMirrorFields && field.edit != nullptr && field.upDown != nullptr &&
         field.mirror.thread == GetCurrentThreadId();
}

void ReadText(SpinField& field) {
  FieldMirror& mirror = field.mirror;
  const std::uint32_t before = mirror.changes;
  std::array<char, sizeof mirror.text> shown{};
  GetWindowTextA(field.edit, shown.data(), static_cast<int>(shown.size()));
  if (mirror.changes == before) {
    mirror.LearnText(shown.data());
  } else {
    mirror.Forget();
  }
}

void SetRange(SpinField& field, std::int32_t low, std::int32_t high) {
  FieldMirror& mirror = field.mirror;
  if (mirror.low == low && mirror.high == high) return;
  SendMessageA(field.upDown, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
  mirror.low = low;
  mirror.high = high;
  // A position outside the new range the control pulls to its edge; the refresh writes the
  // clamped value next, which sets the position anyway.
}

// UDM_SETPOS32: the control takes the value and writes its decimal text unless the edit box
// already shows it.
void WritePosition(SpinField& field, std::int32_t value) {
  FieldMirror& mirror = field.mirror;
  const std::uint32_t before = mirror.changes;
  SendMessageA(field.upDown, UDM_SETPOS32, 0, value);
  if (mirror.low > mirror.high) {
    mirror.Forget();  // how the control clamps into a reversed range is its own business
  } else if (mirror.changes == before) {
    // Nothing written, so nothing else ran: the text stands and the position is the value.
    mirror.positionKnown = mirror.TextIs(value);
    mirror.position = value;
  } else if (mirror.changes == before + 1) {
    // The control's rewrite alone; anything run from its notifications would count too.
    std::array<char, 12> buffer;
    mirror.LearnText(DecimalText(value, buffer));
    mirror.positionKnown = true;
    mirror.position = value;
  } else {
    mirror.Forget();
  }
}

// The same steps and the same result as RefreshByMessages: the control's report of its value
// comes from the mirror when it knows the position, the range is set when it changes, and the
// value is written when the control would change anything by it.
void RefreshMirrored(SpinField& field, std::int32_t low, std::int32_t high) {
  FieldMirror& mirror = field.mirror;
  std::int32_t value = mirror.position;
  bool positionIsValue = mirror.PositionKnown();
  if (!positionIsValue) {
    if (!mirror.TextKnown()) ReadText(field);
    BOOL error = FALSE;
    value = static_cast<std::int32_t>(
        SendMessageA(field.upDown, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error)));
    positionIsValue = !error;  // a valid report also moves the position to the value
    if (error) value = 0;
  }
  SetRange(field, low, high);
  const std::int32_t clamped = Clamp(value, low, high);
  if (positionIsValue && clamped == value && low <= high && mirror.TextIs(value)) {
    mirror.positionKnown = true;  // UDM_SETPOS32 would neither move the position nor write
    mirror.position = value;
    return;
  }
  WritePosition(field, clamped);
}

// A text whose first five characters the mirror holds exactly as GetWindowTextA with a limit
// of six would give them: short, or single-byte throughout.
bool ReadsAlike(std::string_view text) {
  return text.size() <= kReadLength ||
         std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

}  // namespace

void NoteEditMessage(HWND edit, UINT message) {
  if (!MayChangeText(message)) return;
  for (SpinField& field : spinFields) {
    if (field.edit == edit) {
      ++field.mirror.changes;
      return;
    }
  }
}

void RefreshRange(FieldId id, std::int32_t low, std::int32_t high) {
  SpinField& field = Field(id);
  if (Mirrored(field)) {
    RefreshMirrored(field, low, high);
    return;
  }
  RefreshByMessages(field, low, high);
  field.mirror.low = low;
  field.mirror.high = high;
  field.mirror.Forget();
}

void SetClamped(FieldId id, std::int32_t value) {
  SpinField& field = Field(id);
  std::int32_t low = 0;
  std::int32_t high = 0;
  SendMessageA(field.upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
               reinterpret_cast<LPARAM>(&high));
  const std::int32_t clamped = Clamp(value, low, high);
  if (!Mirrored(field)) {
    SendMessageA(field.upDown, UDM_SETPOS32, 0, clamped);
    field.mirror.Forget();
  } else if (!field.mirror.PositionKnown() || field.mirror.position != clamped) {
    WritePosition(field, clamped);
  }
}

std::int32_t ReadValue(FieldId id) {
  SpinField& field = Field(id);
  if (!Mirrored(field)) return ReadByMessages(field);
  if (!field.mirror.TextKnown()) ReadText(field);
  if (field.mirror.TextKnown() && ReadsAlike(field.mirror.Text())) {
    return ValueOfText(field.mirror.Text());
  }
  return ReadByMessages(field);
}

}  // namespace tesselox
