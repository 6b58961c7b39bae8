#pragma once

#include <windows.h>

#include "host/io/picture.h"

namespace tesselox::host {

// The window's client area as drawn on the screen: the window is shown, brought to the top and
// repainted first. Returns an empty picture when the screen cannot be read.
io::Picture CaptureWindow(HWND window);

}  // namespace tesselox::host
