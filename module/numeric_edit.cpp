#include "module/numeric_edit.h"

#include "module/fields.h"

namespace tesselox {

WNDPROC savedEditProc = nullptr;

namespace {

LRESULT PassOn(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  return CallWindowProcA(savedEditProc, edit, message, wParam, lParam);
}

// Whether a typed character may reach the edit box. A sign is accepted only when the caret or
// the selection begins at the first character, and then replaces a sign already there.
bool Accepts(HWND edit, WPARAM code) {
  if (code == 8 || code == 9 || code == '.' || (code >= '0' && code <= '9')) return true;
  if (code != '+' && code != '-') return false;
  DWORD start = 0;
  DWORD end = 0;
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  if (start != 0) return false;
  char text[2] = {};
  GetWindowTextA(edit, text, sizeof text);
  if (text[0] == '+' || text[0] == '-') SendMessageA(edit, EM_SETSEL, 0, 1);
  return true;
}

}  // namespace

LRESULT CALLBACK NumericEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CHAR && !Accepts(edit, wParam)) return 0;
  NoteEditMessage(edit, message);
  return PassOn(edit, message, wParam, lParam);
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
