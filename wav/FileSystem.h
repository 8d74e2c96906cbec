// The file-system operations the program needs beyond opening (see RegularFile.h),
// on UTF-8 paths. One implementation per platform, chosen by the build; the
// Windows one reaches the system through its wide-character calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What makes a file the file it is, whatever name reaches it: device and inode,
// or volume serial number and file index.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t index = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// The identity of the existing file (or folder) at path, links followed; no
// value when there is none or it cannot be read.
std::optional<FileIdentity> IdentityOf(const std::string& path);

// What tells that a file's content may have changed: its identity, size and
// time of last modification.
struct FileStamp {
    FileIdentity identity;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // in the platform's own units
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};
// The stamp of the existing file at path, links followed.
std::optional<FileStamp> StampOf(const std::string& path);

// A file held open only to be looked at again later, whatever its path comes to
// name meanwhile (the working directory changing included).
class WatchedFile {
public:
    WatchedFile() = default;
    explicit WatchedFile(const std::string& path);
    ~WatchedFile();
    WatchedFile(const WatchedFile&) = delete;
    WatchedFile& operator=(const WatchedFile&) = delete;

    // The file's stamp now; no value when it was never opened.
    std::optional<FileStamp> Stamp() const;

private:
    std::intptr_t handle = -1;
};

enum class FileKind {
    Missing, // nothing is there
    Regular, // a regular file
    Other,   // a folder, a device, a pipe, or something that cannot be examined
};
FileKind KindOf(const std::string& path);

// Whether two paths, neither of which needs to exist, spell the same name once
// "." and ".." are resolved (on Windows also regardless of case).
bool SameSpelling(const std::string& a, const std::string& b);

// Renames from onto to, replacing a file there; false when it cannot.
bool RenameReplacing(const std::string& from, const std::string& to);
// Removes the file; false when it cannot (or nothing was there).
bool RemoveFile(const std::string& path);

// The full path of path, resolved against the working directory; empty when it
// cannot be resolved.
std::string AbsolutePath(const std::string& path);
