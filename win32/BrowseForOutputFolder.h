// The output folder's "..." button: the shell's modal folder picker, which
// offers only folders with a file-system path and opens at the folder it is
// given (the process's current directory when none is).
#pragma once

#include "WinApi.h"

#include <string>

namespace winui {

// 1: the user chose a folder; its path (UTF-8) is in `folder`.
// 0: cancelled, or the chosen item has no file-system path; `folder` is left alone.
// -1: the shell's allocator is not available; nothing was shown.
int BrowseForOutputFolder(std::string& folder, HWND owner, const std::string& startFolder = {});

// The picker's callback: selects the start folder (callerValue: a wide string,
// or 0 for the current directory) when the picker is ready, and shows the selected folder's path as
// the status text (greying OK when the selection has none).
int CALLBACK BrowseForOutputFolderCallback(HWND picker, UINT message, LPARAM parameter,
                                           LPARAM callerValue);

} // namespace winui
