// A module for the host's tests that fails as a broken module would. Its frame callback hands
// the frame back unchanged until call number TESSELOX_FAULT_AT_FRAME (default 1), which does
// what TESSELOX_FAULT names:
//   access   writes through a null pointer (the default)
//   stack    recurses until the stack is gone
//   throw    throws a C++ exception out of the callback

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "module/filter_table.h"
#include "module/host_interface.h"

namespace {

using tesselox::FilterTable;
using tesselox::FrameRecord;

volatile int* volatile nowhere = nullptr;
volatile int zero = 0;

int Recurse(int depth) {
  if (zero != 0) return depth;  // never: keeps the recursion from looking endless
  volatile char block[4096];
  block[0] = static_cast<char>(depth);
  return Recurse(depth + 1) + block[0];
}

int FaultAt() {
  const char* text = std::getenv("TESSELOX_FAULT_AT_FRAME");
  return text != nullptr ? std::atoi(text) : 1;
}

std::int32_t __cdecl Frame(FilterTable*, FrameRecord*) {
  static int calls = 0;
  if (++calls < FaultAt()) return 1;
  const char* fault = std::getenv("TESSELOX_FAULT");
  const auto is = [&](const char* name) {
    return fault != nullptr && std::strcmp(fault, name) == 0;
  };
  if (is("stack")) return Recurse(0);
  if (is("throw")) throw std::runtime_error("thrown by the faulting module");
  *nowhere = 1;
  return 1;
}

std::int32_t __cdecl Window(HWND, UINT, WPARAM, LPARAM, void*, FilterTable*) {
  return 0;
}

// The real module's description, with the callbacks swapped for these.
FilterTable table = tesselox::FilterTableWith(Frame, Window);

}  // namespace

extern "C" __declspec(dllexport) FilterTable* __cdecl GetFilterTable() {
  return &table;
}
