#include "ProcessServices.h"

#include "WidePaths_windows.h"

#include <ctime>
#include <vector>
#include <windows.h>

namespace process {

namespace {

// The output folder when it is too long to be the process's working directory
// (SetCurrentDirectoryW stops at 260 characters wherever long paths are not
// enabled, which includes Wine). The engine builds every output name from
// CurrentDirectory's full path, and the file calls take long paths, so the
// files still land in that folder. Empty while the system's working directory
// is the one meant.
std::wstring longWorkingDirectory;

bool IsFolder(const std::string& folder) {
    const DWORD attributes = GetFileAttributesW(SystemPath(folder).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

} // namespace

bool ChangeDirectory(const std::string& folder) {
    const std::wstring wide = WideFromUtf8(folder);
    if (wide.empty()) {
        return false;
    }
    if (SetCurrentDirectoryW(wide.c_str()) != 0) {
        longWorkingDirectory.clear();
        return true;
    }
    const std::wstring full = FullWidePath(wide);
    if (full.size() < MAX_PATH - 1 || !IsFolder(folder)) {
        return false;
    }
    longWorkingDirectory = full;
    return true;
}

std::string CurrentDirectory() {
    if (!longWorkingDirectory.empty()) {
        return Utf8FromWide(longWorkingDirectory);
    }
    // Ask for the length first: the path has no fixed limit.
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) {
        return std::string();
    }
    std::vector<wchar_t> buffer(needed);
    const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
    if (length == 0 || length >= needed) {
        return std::string();
    }
    return Utf8FromWide(std::wstring(buffer.data(), length));
}

void SetIdlePriority() {
    SetPriorityClass(GetCurrentProcess(), IDLE_PRIORITY_CLASS);
}

void SetNormalPriority() {
    SetPriorityClass(GetCurrentProcess(), NORMAL_PRIORITY_CLASS);
}

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace process
