#include "RegularFile.h"

#include "WidePaths_windows.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

namespace {

DWORD CreationFor(RegularFileMode mode) {
    switch (mode) {
    case RegularFileMode::Read:
        return OPEN_EXISTING;
    case RegularFileMode::Replace:
        // Not CREATE_ALWAYS: nothing is truncated before the file is known to be regular.
        return OPEN_ALWAYS;
    case RegularFileMode::CreateNew:
        break;
    }
    return CREATE_NEW;
}

// Why an open failed, from the system's error and what is at the path.
RegularFileProblem ProblemOfFailedOpen(DWORD error, const std::wstring& path) {
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return RegularFileProblem::Missing;
    }
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return RegularFileProblem::NotRegularFile;
    }
    return RegularFileProblem::CannotOpen;
}

bool IsRegularFile(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
           (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

// Opened through the wide call, so any name Windows can hold works; the handle
// becomes a C stream once the file is known to be a regular one.
std::FILE* OpenRegularFile(const char* path, RegularFileMode mode, RegularFileProblem& problem) {
    problem = RegularFileProblem::CannotOpen;
    const std::wstring systemPath = SystemPath(path);
    if (systemPath.empty()) {
        return nullptr;
    }
    const bool reading = mode == RegularFileMode::Read;
    // Others may read and write meanwhile, but not rename or delete: nothing is
    // put in the place of a recording while it is being read.
    const HANDLE handle = CreateFileW(systemPath.c_str(), reading ? GENERIC_READ : GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      CreationFor(mode), FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        problem = ProblemOfFailedOpen(GetLastError(), systemPath);
        return nullptr;
    }
    if (!IsRegularFile(handle)) {
        problem = RegularFileProblem::NotRegularFile;
        CloseHandle(handle);
        return nullptr;
    }
    if (mode == RegularFileMode::Replace && !SetEndOfFile(handle)) {
        CloseHandle(handle);
        return nullptr;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                   (reading ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, reading ? "rb" : "wb");
    if (file == nullptr) {
        _close(fd); // closes the handle too
        return nullptr;
    }
    problem = RegularFileProblem::None;
    return file;
}
