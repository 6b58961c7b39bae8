// A module that links the same parts of the C++ runtime as Tesselox.auf (allocation, exceptions,
// lexical_cast in the "C" locale) and does nothing else. Loading it, calling it once
// and unloading it many times shows what the runtime itself keeps per load, so that the
// lifecycle test can tell that apart from anything the filter leaks.

#include <windows.h>

#define BOOST_LEXICAL_CAST_ASSUME_C_LOCALE  // as the fields are read
#include <boost/lexical_cast.hpp>
#include <string>

// Reads one number as a field is read.
extern "C" __declspec(dllexport) int __cdecl BaselineRead(const char* text) {
  try {
    return boost::lexical_cast<int>(std::string(text));
  } catch (...) {
    return 0;
  }
}
