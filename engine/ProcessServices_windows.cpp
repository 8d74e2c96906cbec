// Deliberately does not include SplitHost.h: windows.h defines MB_OK and friends as macros.
#include "ProcessServices.h"

#include <ctime>
#include <vector>
#include <windows.h>

namespace process {

bool ChangeDirectory(const std::string& folder) {
    return !folder.empty() && SetCurrentDirectoryA(folder.c_str()) != 0;
}

std::string CurrentDirectory() {
    // Ask for the length first: the path has no 260-character limit.
    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    if (needed == 0) {
        return std::string();
    }
    std::vector<char> buffer(needed);
    const DWORD length = GetCurrentDirectoryA(needed, buffer.data());
    if (length == 0 || length >= needed) {
        return std::string();
    }
    return std::string(buffer.data(), length);
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
