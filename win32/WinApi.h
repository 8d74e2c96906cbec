// The Windows API as the native desktop windows use it. <windows.h> names the
// message-box styles and results (MB_OK, IDOK, ...) as macros, which would
// rewrite the engine's constants of the same names and values; they are taken
// back here, in this one place, so every file sees the engine's.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#undef MB_OK
#undef MB_OKCANCEL
#undef MB_ICONERROR
#undef IDOK
#undef IDCANCEL

#include "SplitHost.h"

static_assert(MB_OK == 0x00 && MB_OKCANCEL == 0x01 && MB_ICONERROR == 0x10,
              "the engine's message-box styles are the system's");
static_assert(IDOK == 1 && IDCANCEL == 2, "the engine's message-box results are the system's");
