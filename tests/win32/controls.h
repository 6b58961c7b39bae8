#pragma once

// Small helpers over real Win32 controls, shared by the tests that drive the module and by
// those that drive the field controls directly: a window's text, an edit box's selection, the
// clipboard, a window's children.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "host/session/window_text.h"

namespace tesselox::test {

using host::WindowText;

struct Selection {
  DWORD start;
  DWORD end;
  bool operator==(const Selection&) const = default;
};

inline Selection SelectionOf(HWND edit) {
  Selection s{};
  SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s.start),
               reinterpret_cast<LPARAM>(&s.end));
  return s;
}

// Gives the edit box `text` by WM_SETTEXT and selects start..end.
inline void Prepare(HWND edit, const std::string& text, Selection selection) {
  SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  SendMessageA(edit, EM_SETSEL, selection.start, selection.end);
}

// Puts `text` on the clipboard, in the format the character type says (CF_TEXT or
// CF_UNICODETEXT). False when the clipboard cannot be had.
template <typename Char>
bool PutOnClipboard(HWND owner, const std::basic_string<Char>& text) {
  if (!OpenClipboard(owner)) return false;
  EmptyClipboard();
  const std::size_t bytes = (text.size() + 1) * sizeof(Char);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  bool placed = false;
  if (memory != nullptr) {
    std::memcpy(GlobalLock(memory), text.c_str(), bytes);
    GlobalUnlock(memory);
    placed = SetClipboardData(sizeof(Char) == 1 ? CF_TEXT : CF_UNICODETEXT, memory) != nullptr;
    if (!placed) GlobalFree(memory);
  }
  CloseClipboard();
  return placed;
}

// The direct children of `parent`.
inline int ChildCount(HWND parent) {
  int count = 0;
  for (HWND c = GetWindow(parent, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) ++count;
  return count;
}

}  // namespace tesselox::test
