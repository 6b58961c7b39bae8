#include "module/config_window.h"

#include <commctrl.h>

#include <cstring>
#include <utility>

#include "module/field_operations.h"
#include "module/fields.h"

namespace tesselox {
namespace {

void OnCreate() {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_UPDOWN_CLASS;
  InitCommonControlsEx(&classes);
  // The global locale stays as it is. The C++ runtime linked into the module knows no locale
  // but "C": installing "ja" could only throw, and naming a locale at all would link in every
  // facet of std::locale.
}

std::int32_t ReadInt32(const unsigned char* bytes) {
  std::int32_t value = 0;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

void OnHostInit(HWND window, void* editHandle, FilterTable* hostTable) {
  const bool created = CreateFields(window, hostTable->moduleInstance);
  unsigned char limits[kFrameLimitsBufferSize] = {};  // a host without services: limits 0
  if (hostTable->hostServices != nullptr) {
    hostTable->hostServices->getFrameLimits(editHandle, limits);
  }
  const std::int32_t maxW = ReadInt32(limits + kFrameLimitsWidthOffset);
  const std::int32_t maxH = ReadInt32(limits + kFrameLimitsHeightOffset);
  // A repeated message takes the host's new limits but keeps what the user has typed.
  for (const auto& [id, max] :
       {std::pair{FieldId::Width, maxW}, std::pair{FieldId::Height, maxH}}) {
    const FieldSpec& field = kFieldSpecs[Index(id)];
    RefreshRange(id, field.low, max);
    if (created) SetClamped(id, field.initial);
  }
}

}  // namespace

std::int32_t __cdecl ConfigWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      void* editHandle, FilterTable* hostTable) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_MOUSEWHEEL:
      SendMessageA(GetWindow(window, GW_OWNER), message, wParam, lParam);
      return 0;
    case WM_COMMAND:
      if (HIWORD(wParam) != EN_UPDATE || hostTable == nullptr ||
          hostTable->hostServices == nullptr) {
        return 0;
      }
      return hostTable->hostServices->editUpdated(hostTable);
    case HOST_INIT_MESSAGE:
      if (hostTable != nullptr) OnHostInit(window, editHandle, hostTable);
      return 0;
    default:
      return 0;
  }
}

}  // namespace tesselox
