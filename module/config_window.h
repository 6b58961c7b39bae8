#pragma once

#include <windows.h>

#include <cstdint>

#include "module/host_interface.h"

namespace tesselox {

// The configuration window's procedure, called by the host with its edit handle and its copy
// of the filter table (hostServices and moduleInstance filled in). It registers the up-down
// class on WM_CREATE (leaving the global locale as it is), builds the fields on
// HOST_INIT_MESSAGE, answers EN_UPDATE with the host's editUpdated result and hands keys and
// wheel turns to the owner window. It never calls a default window procedure and returns 0
// otherwise.
std::int32_t __cdecl ConfigWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      void* editHandle, FilterTable* hostTable);

}  // namespace tesselox
