#include "FileSystem.h"

#include "WidePaths_windows.h"

#include <windows.h>

namespace {

// A handle for looking at a file (or folder) without reading it: no access
// asked, so no share mode of another opener stands in the way.
class LookHandle {
public:
    explicit LookHandle(const std::string& path)
        : handle(CreateFileW(SystemPath(path).c_str(), 0,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)),
          error(handle == INVALID_HANDLE_VALUE ? GetLastError() : ERROR_SUCCESS) {}
    ~LookHandle() {
        if (handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    LookHandle(const LookHandle&) = delete;
    LookHandle& operator=(const LookHandle&) = delete;

    bool Open() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }
    DWORD Error() const { return error; }

private:
    HANDLE handle;
    DWORD error;
};

bool IsMissingError(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The full path without a \\?\ prefix, so that both spellings compare alike.
std::wstring ComparablePath(const std::string& path) {
    const std::wstring full = FullWidePath(WideFromUtf8(path));
    if (full.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + full.substr(8);
    }
    if (full.starts_with(L"\\\\?\\")) {
        return full.substr(4);
    }
    return full;
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    const LookHandle file(path);
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file.Open() || !GetFileInformationByHandle(file.Get(), &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                            info.nFileIndexLow};
}

namespace {

std::optional<FileStamp> StampOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    FileStamp stamp;
    stamp.identity =
        FileIdentity{info.dwVolumeSerialNumber,
                     (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modified = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
        info.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

} // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    const LookHandle file(path);
    return file.Open() ? StampOfHandle(file.Get()) : std::nullopt;
}

WatchedFile::WatchedFile(const std::string& path) {
    const std::wstring systemPath = SystemPath(path);
    if (systemPath.empty()) {
        return;
    }
    const HANDLE file =
        CreateFileW(systemPath.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        handle = reinterpret_cast<std::intptr_t>(file);
    }
}

WatchedFile::~WatchedFile() {
    if (handle != -1) {
        CloseHandle(reinterpret_cast<HANDLE>(handle));
    }
}

std::optional<FileStamp> WatchedFile::Stamp() const {
    return handle == -1 ? std::nullopt : StampOfHandle(reinterpret_cast<HANDLE>(handle));
}

FileKind KindOf(const std::string& path) {
    const LookHandle file(path);
    if (!file.Open()) {
        return IsMissingError(file.Error()) ? FileKind::Missing : FileKind::Other;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file.Get()) != FILE_TYPE_DISK ||
        !GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return FileKind::Other;
    }
    return FileKind::Regular;
}

bool SameSpelling(const std::string& a, const std::string& b) {
    // File names on Windows match regardless of case; the ordinal comparison
    // folds case the way the file system does, without a locale.
    const std::wstring left = ComparablePath(a);
    const std::wstring right = ComparablePath(b);
    return !left.empty() &&
           CompareStringOrdinal(left.c_str(), static_cast<int>(left.size()), right.c_str(),
                                static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING) != 0;
}

bool RemoveFile(const std::string& path) {
    return DeleteFileW(SystemPath(path).c_str()) != 0;
}

std::string AbsolutePath(const std::string& path) {
    return Utf8FromWide(FullWidePath(WideFromUtf8(path)));
}
