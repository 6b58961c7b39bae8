#include "ui/fields.h"

#include <commctrl.h>

#include <algorithm>
#include <boost/lexical_cast.hpp>
#include <cstdlib>
#include <string_view>

#include "filter/parameter_set.h"
#include "ui/numeric_edit.h"

namespace tesselox {

HFONT FieldFont = nullptr;
std::array<SpinField, kFieldCount> spinFields{};

namespace {

// "ＭＳ Ｐゴシック" in code page 932.
const char kFieldFontFace[] = "\x82\x6C\x82\x72\x20\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER;
constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_RIGHT;
constexpr DWORD kUpDownStyle = WS_CHILD | WS_VISIBLE | UDS_HOTTRACK | UDS_NOTHOUSANDS |
                               UDS_ARROWKEYS | UDS_AUTOBUDDY | UDS_ALIGNRIGHT | UDS_SETBUDDYINT;
static_assert(kLabelStyle == 0x50000001 && kEditStyle == 0x50810002 && kUpDownStyle == 0x500001B6);

constexpr std::size_t kMaxTextLength = 5;

// The field font exists from load to unload; the teardown runs when the module is unloaded.
struct LoadTimeInitialiser {
  LoadTimeInitialiser() {
    FieldFont = CreateFontA(12, 0, 0, 0, FW_MEDIUM, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                            OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                            FF_MODERN | DEFAULT_PITCH, kFieldFontFace);
    std::atexit(DestroyFields);
  }
};
const LoadTimeInitialiser loadTimeInitialiser;

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
  char kept[kMaxTextLength + 1] = {};
  std::remove_copy(text.begin(), text.begin() + std::min(text.size(), kMaxTextLength), kept, ',');
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
  char text[kMaxTextLength + 2] = {};
  GetWindowTextA(field.edit, text, static_cast<int>(kMaxTextLength) + 1);
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
  return text.size() <= kMaxTextLength ||
         std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
}

}  // namespace

SpinField CreateSpinField(const char* labelText, HWND parent, HINSTANCE instance, int editId, int x,
                          int y, std::int32_t low, std::int32_t high, std::int32_t initial) {
  SpinField field{};
  field.label = CreateWindowExA(0, "STATIC", labelText, kLabelStyle, x, y, 60, 22, parent,
                                reinterpret_cast<HMENU>(kLabelId), instance, nullptr);
  field.edit =
      CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", nullptr, kEditStyle, x + 60, y, 80, 22, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(editId)), instance, nullptr);
  SendMessageA(field.edit, WM_SETFONT, reinterpret_cast<WPARAM>(FieldFont), FALSE);
  SendMessageA(field.edit, EM_LIMITTEXT, kMaxTextLength, 0);
  InstallNumericFilter(field.edit);
  field.upDown = CreateUpDownControl(kUpDownStyle, 0, 0, 0, 0, parent, editId + 1, instance,
                                     field.edit, high, low, initial);
  RECT rect{};  // stays empty when the control could not be made
  GetWindowRect(field.upDown, &rect);
  field.width = rect.right - rect.left + 140;
  // The text and position are learnt at the first operation; the range is the module's.
  field.mirror.thread = GetCurrentThreadId();
  SendMessageA(field.upDown, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&field.mirror.low),
               reinterpret_cast<LPARAM>(&field.mirror.high));
  return field;
}

bool CreateFields(HWND parent, HINSTANCE instance) {
  const bool created = std::any_of(spinFields.begin(), spinFields.end(), [](const SpinField& f) {
    return f.label != nullptr || f.edit != nullptr || f.upDown != nullptr;
  });
  if (created) return false;
  for (int k = 0; k < kFieldCount; ++k) {
    const FieldSpec& entry = kFieldSpecs[static_cast<std::size_t>(k)];
    const int x = k % 2 == 0 ? 16 : spinFields[0].width + 8;
    const int y = 12 + 30 * (k / 2);
    spinFields[static_cast<std::size_t>(k)] =
        CreateSpinField(entry.label, parent, instance, kEditIdBase + 2 * k, x, y, entry.low,
                        entry.high, entry.initial);
  }
  return true;
}

void DestroyFields() {
  DeleteObject(FieldFont);
  FieldFont = nullptr;
  for (int k = kFieldCount - 1; k >= 0; --k) {
    SpinField& field = spinFields[static_cast<std::size_t>(k)];
    RemoveNumericFilter(field.edit);
    DestroyWindow(field.upDown);
    DestroyWindow(field.edit);
    DestroyWindow(field.label);
    field = SpinField{};
  }
}

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
