#include "FileSystem.h"

#include "PathText.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

std::optional<FileIdentity> IdentityOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

namespace {

FileStamp StampOfStat(const struct stat& info) {
    FileStamp stamp;
    stamp.identity = FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                                  static_cast<std::uint64_t>(info.st_ino)};
    stamp.size = static_cast<std::uint64_t>(info.st_size);
    stamp.modified =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

} // namespace

std::optional<FileStamp> StampOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return StampOfStat(info);
}

WatchedFile::WatchedFile(const std::string& path)
    : handle(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)) {}

WatchedFile::~WatchedFile() {
    if (handle >= 0) {
        close(static_cast<int>(handle));
    }
}

std::optional<FileStamp> WatchedFile::Stamp() const {
    struct stat info {};
    if (handle < 0 || fstat(static_cast<int>(handle), &info) != 0) {
        return std::nullopt;
    }
    return StampOfStat(info);
}

FileKind KindOf(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Other;
    }
    return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

bool SameSpelling(const std::string& a, const std::string& b) {
    return PathFromUtf8(a).lexically_normal() == PathFromUtf8(b).lexically_normal();
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) {
    return unlink(path.c_str()) == 0;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? std::string() : absolute.string();
}
