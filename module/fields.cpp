#include "module/fields.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <ranges>

#include "module/control_ids.h"
#include "module/numeric_edit.h"

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
  for (const FieldId id : kFieldIds) {
    const FieldSpec& entry = kFieldSpecs[Index(id)];
    const std::size_t k = Index(id);  // two columns: x fields on the left, y on the right
    const int x = k % 2 == 0 ? 16 : spinFields[Index(FieldId::SrcX)].width + 8;
    const int y = 12 + 30 * static_cast<int>(k / 2);
    spinFields[k] = CreateSpinField(entry.label, parent, instance, EditId(id), x, y, entry.low,
                                    entry.high, entry.initial);
  }
  return true;
}

void DestroyFields() {
  DeleteObject(FieldFont);
  FieldFont = nullptr;
  for (const FieldId id : kFieldIds | std::views::reverse) {
    SpinField& field = spinFields[Index(id)];
    RemoveNumericFilter(field.edit);
    DestroyWindow(field.upDown);
    DestroyWindow(field.edit);
    DestroyWindow(field.label);
    field = SpinField{};
  }
}

}  // namespace tesselox
