#include "WriteProbe.h"

#include "WidePaths_windows.h"

#include <windows.h>

namespace {

// The system's message for error, without the line break it ends with.
std::string SystemMessage(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length != 0 && text != nullptr ? std::wstring(text, length) : L"";
    LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\r' || message.back() == L'\n' || message.back() == L' ')) {
        message.pop_back();
    }
    if (message.empty()) {
        return "Windows error " + std::to_string(error);
    }
    return Utf8FromWide(message);
}

} // namespace

WriteProbe ProbeFileCreation(const std::string& folder, const std::string& nameText) {
    WriteProbe probe;
    const bool separated = folder.empty() || folder.back() == '\\' || folder.back() == '/';
    const std::string base = separated ? folder : folder + '\\';
    // A name another process took meanwhile is tried again under another number.
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const unsigned number = GetTickCount() ^ (GetCurrentProcessId() << 8) ^ attempt;
        const std::wstring path = SystemPath(base + ProbeFileName(nameText, number));
        if (path.empty()) {
            probe.nameRefused = true;
            probe.reason = SystemMessage(ERROR_INVALID_NAME);
            return probe;
        }
        // Deleted when closed, so not even a killed run leaves it behind.
        const HANDLE handle = CreateFileW(
            path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
            probe.created = true;
            return probe;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
            continue;
        }
        probe.nameRefused = error == ERROR_INVALID_NAME || error == ERROR_BAD_PATHNAME;
        probe.reason = SystemMessage(error);
        return probe;
    }
    probe.reason = SystemMessage(ERROR_FILE_EXISTS);
    return probe;
}
