#include "module/field_mirror.h"

#include <algorithm>
#include <charconv>

namespace tesselox {

std::string_view DecimalText(std::int32_t value, std::array<char, 12>& buffer) {
  const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
  return std::string_view(buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data()));
}

bool FieldMirror::TextIs(std::int32_t value) const {
  std::array<char, 12> buffer;
  return TextKnown() && Text() == DecimalText(value, buffer);
}

void FieldMirror::LearnText(std::string_view shown) {
  const std::size_t length = std::min(shown.size(), text.size() - 1);
  std::copy_n(shown.data(), length, text.data());
  text[length] = '\0';
  knownAt = changes;
  textKnown = true;
  positionKnown = false;
}

bool MayChangeText(UINT message) {
  switch (message) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_GETFONT:
    case WM_GETDLGCODE:
    case WM_GETOBJECT:
    case WM_PAINT:
    case WM_NCPAINT:
    case WM_ERASEBKGND:
    case WM_PRINTCLIENT:
    case WM_NCHITTEST:
    case WM_SETCURSOR:
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE:
    case WM_MOUSEACTIVATE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_CAPTURECHANGED:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_KEYUP:
    case WM_TIMER:
    case WM_WINDOWPOSCHANGING:
    case WM_WINDOWPOSCHANGED:
    case WM_MOVE:
    case WM_SIZE:
    case WM_SHOWWINDOW:
    case WM_NCCALCSIZE:
    case WM_QUERYUISTATE:
    case WM_UPDATEUISTATE:
    case WM_CHANGEUISTATE:
    case WM_IME_SETCONTEXT:
    case WM_IME_NOTIFY:
    case EM_GETSEL:
    case EM_SETSEL:
    case EM_GETLIMITTEXT:
    case EM_GETMODIFY:
    case EM_CANUNDO:
    case EM_GETLINECOUNT:
    case EM_LINELENGTH:
    case EM_LINEINDEX:
    case EM_LINEFROMCHAR:
    case EM_GETLINE:
    case EM_GETRECT:
    case EM_GETMARGINS:
    case EM_POSFROMCHAR:
    case EM_CHARFROMPOS:
    case EM_GETFIRSTVISIBLELINE:
    case EM_GETPASSWORDCHAR:
    case EM_SCROLLCARET:
      return false;
    default:
      return true;
  }
}

}  // namespace tesselox
