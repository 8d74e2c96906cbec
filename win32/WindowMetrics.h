// What the native windows ask of the display they are on.
#pragma once

#include "WinApi.h"

namespace winui {

// The window's own DPI where Windows keeps one per monitor (Windows 10 and
// later), else the system's.
int WindowDpi(HWND window);

} // namespace winui
