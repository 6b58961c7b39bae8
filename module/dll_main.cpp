#include <windows.h>

// The filter starts no threads and keeps no per-thread state, so thread notifications are
// turned off. The field font and the unload teardown are set up by fields.cpp.
extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID /*reserved*/) {
  if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(module);
  return TRUE;
}
