// A module that links the same parts of the C++ runtime as Tesselox.auf (allocation, exceptions,
// streams and locales through lexical_cast) and does nothing else. Loading it, calling it once
// and unloading it many times shows what the runtime itself keeps per load, so that the
// lifecycle test can tell that apart from anything the filter leaks.

#include <windows.h>

#include <boost/lexical_cast.hpp>
#include <locale>
#include <string>

// Does what the filter's window does on creation with the locale (a runtime without the named
// locale throws, and the exception is caught) and reads one number as a field is read.
extern "C" __declspec(dllexport) int __cdecl BaselineRead(const char* text) {
  try {
    std::locale::global(std::locale("ja"));
  } catch (...) {
  }
  try {
    return boost::lexical_cast<int>(std::string(text));
  } catch (...) {
    return 0;
  }
}
