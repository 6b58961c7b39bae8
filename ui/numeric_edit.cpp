#include "ui/numeric_edit.h"

namespace tesselox {

WNDPROC savedEditProc = nullptr;

namespace {

LRESULT PassOn(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(savedEditProc, edit, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK NumericEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_CHAR) return PassOn(edit, message, wParam, lParam);
  const WPARAM code = wParam;
  if (code == 8 || code == 9 || code == '.' || (code >= '0' && code <= '9')) {
    return PassOn(edit, message, wParam, lParam);
  }
  if (code == '+' || code == '-') {
    DWORD start = 0;
    DWORD end = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start != 0) return 0;  // a sign only at the start of the text
    char text[2] = {};
    GetWindowTextA(edit, text, sizeof text);
    if (text[0] == '+' || text[0] == '-') SendMessageA(edit, EM_SETSEL, 0, 1);  // replace it
    return PassOn(edit, message, wParam, lParam);
  }
  return 0;
}

void InstallNumericFilter(HWND edit) {
  // An edit box that could not be made has no procedure; keep the one saved from the others.
  const auto own = reinterpret_cast<WNDPROC>(GetWindowLongA(edit, GWL_WNDPROC));
  if (own == nullptr) return;
  savedEditProc = own;
  SetWindowLongA(edit, GWL_WNDPROC, reinterpret_cast<LONG>(NumericEditProc));
}

void RemoveNumericFilter(HWND edit) {
  SetWindowLongA(edit, GWL_WNDPROC, reinterpret_cast<LONG>(savedEditProc));
}

}  // namespace tesselox
