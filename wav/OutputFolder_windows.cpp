#include "OutputFolder.h"

#include "RegularFile.h"
#include "WidePaths_windows.h"

#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <vector>
#include <windows.h>

namespace {

HANDLE Handle(std::intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

std::intptr_t Value(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

constexpr std::intptr_t kNoHandle = -1; // INVALID_HANDLE_VALUE

constexpr int kRenameAttempts = 100;
constexpr DWORD kRenameRetryMs = 20;

std::optional<FileIdentity> IdentityOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        return std::nullopt;
    }
    return FileIdentity{info.dwVolumeSerialNumber,
                        (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) |
                            info.nFileIndexLow};
}

} // namespace

OutputFolder::~OutputFolder() {
    if (handle != kNoHandle) {
        CloseHandle(Handle(handle));
    }
}

// The folder is opened without delete sharing, so while the run holds it no
// one can rename, move or remove it: its resolved path keeps naming it.
bool OutputFolder::Open(const std::string& path) {
    const std::wstring systemPath = SystemPath(path);
    if (systemPath.empty()) {
        return false;
    }
    const HANDLE folder =
        CreateFileW(systemPath.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    std::wstring finalPath(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(
        folder, finalPath.data(), static_cast<DWORD>(finalPath.size()), FILE_NAME_NORMALIZED);
    if (!GetFileInformationByHandle(folder, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(folder);
        return false;
    }
    if (length != 0 && length < finalPath.size()) {
        finalPath.resize(length);
    } else {
        // Some systems cannot tell a long path this way: the full path as given
        // serves, since every use checks it still leads to the folder held.
        finalPath = FullWidePath(WideFromUtf8(path));
    }
    if (handle != kNoHandle) {
        CloseHandle(Handle(handle));
    }
    handle = Value(folder);
    resolvedPath = Utf8FromWide(finalPath);
    return !resolvedPath.empty();
}

bool OutputFolder::IsOpen() const {
    return handle != kNoHandle;
}

std::optional<FileIdentity> OutputFolder::Identity() const {
    return IsOpen() ? IdentityOfHandle(Handle(handle)) : std::nullopt;
}

namespace {

// The full path of name in the folder, once the resolved path is seen still to
// lead to the folder that is held; empty otherwise.
std::string CheckedPath(const std::string& resolvedPath, const std::optional<FileIdentity>& held,
                        const std::string& name) {
    if (!held || ::IdentityOf(resolvedPath) != held) {
        return std::string();
    }
    return resolvedPath + (resolvedPath.ends_with('\\') ? "" : "\\") + name;
}

} // namespace

std::optional<FileIdentity> OutputFolder::IdentityOf(const std::string& name) const {
    const std::string path = CheckedPath(resolvedPath, Identity(), name);
    return path.empty() ? std::nullopt : ::IdentityOf(path);
}

FileKind OutputFolder::KindOf(const std::string& name) const {
    const std::string path = CheckedPath(resolvedPath, Identity(), name);
    return path.empty() ? FileKind::Other : ::KindOf(path);
}

std::optional<std::string> OutputFolder::ReadStart(const std::string& name,
                                                   std::size_t maxBytes) const {
    const std::string path = CheckedPath(resolvedPath, Identity(), name);
    RegularFileProblem problem = RegularFileProblem::None;
    std::FILE* file =
        path.empty() ? nullptr : OpenRegularFile(path.c_str(), RegularFileMode::Read, problem);
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string text;
    char buffer[65536];
    bool failed = false;
    while (text.size() < maxBytes) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        text.append(buffer, got);
        if (got < sizeof buffer) {
            failed = std::ferror(file) != 0;
            break;
        }
    }
    std::fclose(file);
    return failed ? std::nullopt : std::optional<std::string>(text);
}

// Two handles: one that holds the file, with delete access and without delete
// sharing, so no other run can remove it and only this one can rename it; and
// one for writing, which becomes the stream.
bool OutputFolder::CreateTemporary(TemporaryFile& file) {
    if (!IsOpen() || file.folder != nullptr) {
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = FreshTemporaryName();
        const std::string path = CheckedPath(resolvedPath, Identity(), name);
        if (path.empty()) {
            return false;
        }
        const std::wstring systemPath = SystemPath(path);
        const HANDLE holder = CreateFileW(systemPath.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_NEW,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (holder == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) {
                continue;
            }
            return false;
        }
        const HANDLE writing = CreateFileW(systemPath.c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const int fd =
            writing == INVALID_HANDLE_VALUE
                ? -1
                : _open_osfhandle(reinterpret_cast<intptr_t>(writing), _O_WRONLY | _O_BINARY);
        std::FILE* stream = fd < 0 ? nullptr : _fdopen(fd, "wb");
        file.folder = this;
        file.name = name;
        file.lock = Value(holder);
        if (stream == nullptr) {
            if (fd >= 0) {
                _close(fd);
            } else if (writing != INVALID_HANDLE_VALUE) {
                CloseHandle(writing);
            }
            Discard(file);
            return false;
        }
        file.stream = stream;
        return true;
    }
    return false;
}

CommitResult OutputFolder::Commit(TemporaryFile& file, const std::string& name, bool replace) {
    if (file.folder != this) {
        return CommitResult::RenameFailed;
    }
    if (file.stream != nullptr) {
        std::fclose(file.ReleaseStream());
    }
    const std::string target = CheckedPath(resolvedPath, Identity(), name);
    const std::wstring wideTarget = target.empty() ? std::wstring() : SystemPath(target);
    CommitResult result = CommitResult::RenameFailed;
    if (!wideTarget.empty()) {
        // Renamed through the holding handle: the only one that may.
        const std::size_t nameBytes = wideTarget.size() * sizeof(wchar_t);
        std::vector<std::uint8_t> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
        auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
        info->ReplaceIfExists = replace ? TRUE : FALSE;
        info->RootDirectory = nullptr;
        info->FileNameLength = static_cast<DWORD>(nameBytes);
        std::memcpy(info->FileName, wideTarget.data(), nameBytes);
        // A file of that name held open for a moment by another program (another
        // run finishing the same track, an indexer, a virus scanner) cannot be
        // replaced meanwhile: such a refusal is tried again for up to two seconds.
        for (int attempt = 0; attempt < kRenameAttempts; ++attempt) {
            if (SetFileInformationByHandle(Handle(file.lock), FileRenameInfo, info,
                                           static_cast<DWORD>(buffer.size()))) {
                result = CommitResult::Committed;
                break;
            }
            const DWORD error = GetLastError();
            if (!replace && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)) {
                result = CommitResult::NameTaken;
                break;
            }
            if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) {
                break;
            }
            Sleep(kRenameRetryMs);
        }
    }
    if (result == CommitResult::Committed) {
        ReleaseLock(file);
    } else {
        Discard(file);
    }
    return result;
}

void OutputFolder::Discard(TemporaryFile& file) {
    if (file.folder != this) {
        return;
    }
    if (file.stream != nullptr) {
        std::fclose(file.ReleaseStream());
    }
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (file.lock == kNoHandle ||
        !SetFileInformationByHandle(Handle(file.lock), FileDispositionInfo, &disposition,
                                    sizeof disposition)) {
        RemoveName(file.name);
    }
    ReleaseLock(file);
}

void OutputFolder::ReleaseLock(TemporaryFile& file) {
    if (file.lock != kNoHandle) {
        CloseHandle(Handle(file.lock));
    }
    file.lock = kNoHandle;
    file.folder = nullptr;
}

bool OutputFolder::RemoveName(const std::string& name) {
    const std::string path = CheckedPath(resolvedPath, Identity(), name);
    return !path.empty() && DeleteFileW(SystemPath(path).c_str()) != 0;
}

// A live run's temporary file is open without delete sharing, so deleting it
// fails; only what no run holds goes.
int OutputFolder::RemoveLeftovers() {
    const std::string pattern = CheckedPath(resolvedPath, Identity(), ".quernfold-*.part");
    if (pattern.empty()) {
        return 0;
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(SystemPath(pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int removed = 0;
    do {
        const std::string name = Utf8FromWide(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsTemporaryName(name) &&
            RemoveName(name)) {
            ++removed;
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return removed;
}

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

WriteProbe OutputFolder::ProbeCreation(const std::string& nameText) const {
    WriteProbe probe;
    // A name another process took meanwhile is tried again under another number.
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const std::string path = CheckedPath(resolvedPath, Identity(), FreshProbeName(nameText));
        if (path.empty()) {
            probe.reason = SystemMessage(ERROR_PATH_NOT_FOUND);
            return probe;
        }
        const std::wstring systemPath = SystemPath(path);
        if (systemPath.empty()) {
            probe.nameRefused = true;
            probe.reason = SystemMessage(ERROR_INVALID_NAME);
            return probe;
        }
        // Deleted when closed, so not even a killed run leaves it behind.
        const HANDLE created = CreateFileW(
            systemPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
            FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (created != INVALID_HANDLE_VALUE) {
            CloseHandle(created);
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
