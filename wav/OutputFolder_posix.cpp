#include "OutputFolder.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int Fd(std::intptr_t value) {
    return static_cast<int>(value);
}

FileIdentity IdentityOfStat(const struct stat& info) {
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> IdentityOfFd(int fd) {
    struct stat info {};
    if (fstat(fd, &info) != 0) {
        return std::nullopt;
    }
    return IdentityOfStat(info);
}

// Whether name in the folder is still the file open as fd: a run that removed
// it as a leftover between its creation and its locking would leave fd nameless.
bool NameHoldsFile(int folder, const std::string& name, int fd) {
    struct stat info {};
    return fstatat(folder, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
           IdentityOfStat(info) == IdentityOfFd(fd);
}

// The lock every run holds on its temporary files. A file system without
// locks (rare) still gets its files written; they are then never taken for
// leftovers, because the clean-up removes only what it could lock.
enum class LockResult { Held, HeldElsewhere, Unsupported };
LockResult LockExclusively(int fd) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return LockResult::Held;
    }
    return errno == EWOULDBLOCK ? LockResult::HeldElsewhere : LockResult::Unsupported;
}

} // namespace

OutputFolder::~OutputFolder() {
    if (handle >= 0) {
        close(Fd(handle));
    }
}

bool OutputFolder::Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    if (handle >= 0) {
        close(Fd(handle));
    }
    handle = fd;
    return true;
}

bool OutputFolder::IsOpen() const {
    return handle >= 0;
}

std::optional<FileIdentity> OutputFolder::Identity() const {
    return IsOpen() ? IdentityOfFd(Fd(handle)) : std::nullopt;
}

std::optional<FileIdentity> OutputFolder::IdentityOf(const std::string& name) const {
    struct stat info {};
    if (!IsOpen() || fstatat(Fd(handle), name.c_str(), &info, 0) != 0) {
        return std::nullopt;
    }
    return IdentityOfStat(info);
}

FileKind OutputFolder::KindOf(const std::string& name) const {
    struct stat info {};
    if (!IsOpen()) {
        return FileKind::Other;
    }
    if (fstatat(Fd(handle), name.c_str(), &info, 0) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? FileKind::Missing : FileKind::Other;
    }
    return S_ISREG(info.st_mode) ? FileKind::Regular : FileKind::Other;
}

std::optional<std::string> OutputFolder::ReadStart(const std::string& name,
                                                   std::size_t maxBytes) const {
    if (!IsOpen()) {
        return std::nullopt;
    }
    const int fd = openat(Fd(handle), name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    std::optional<std::string> text;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        text.emplace();
        char buffer[65536];
        while (text->size() < maxBytes) {
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                text.reset();
                break;
            }
            if (got == 0) {
                break;
            }
            text->append(buffer, static_cast<std::size_t>(got));
        }
    }
    close(fd);
    return text;
}

bool OutputFolder::CreateTemporary(TemporaryFile& file) {
    if (!IsOpen() || file.folder != nullptr) {
        return false;
    }
    for (int attempt = 0; attempt < 16; ++attempt) {
        const std::string name = FreshTemporaryName();
        const int fd =
            openat(Fd(handle), name.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        if (LockExclusively(fd) == LockResult::HeldElsewhere ||
            !NameHoldsFile(Fd(handle), name, fd)) {
            // Another run's clean-up took it between creation and locking.
            close(fd);
            continue;
        }
        // The stream's descriptor closes with the stream; this one keeps the
        // lock (which belongs to the open file) until the rename.
        const int lock = fcntl(fd, F_DUPFD_CLOEXEC, 0);
        std::FILE* stream = lock < 0 ? nullptr : fdopen(fd, "wb");
        if (stream == nullptr) {
            unlinkat(Fd(handle), name.c_str(), 0);
            if (lock >= 0) {
                close(lock);
            }
            close(fd);
            return false;
        }
        file.folder = this;
        file.name = name;
        file.stream = stream;
        file.lock = lock;
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
    CommitResult result = CommitResult::Committed;
    const int folder = Fd(handle);
    if (replace) {
        if (renameat(folder, file.name.c_str(), folder, name.c_str()) != 0) {
            result = CommitResult::RenameFailed;
        }
    } else if (renameat2(folder, file.name.c_str(), folder, name.c_str(), RENAME_NOREPLACE) != 0) {
        if (errno == EEXIST) {
            result = CommitResult::NameTaken;
        } else if (errno != EINVAL && errno != ENOSYS) {
            result = CommitResult::RenameFailed;
        } else if (KindOf(name) != FileKind::Missing) {
            // No atomic "only if free" here (some FUSE file systems): looked at first.
            result = CommitResult::NameTaken;
        } else if (renameat(folder, file.name.c_str(), folder, name.c_str()) != 0) {
            result = CommitResult::RenameFailed;
        }
    }
    if (result != CommitResult::Committed) {
        RemoveName(file.name);
    }
    ReleaseLock(file);
    return result;
}

void OutputFolder::Discard(TemporaryFile& file) {
    if (file.folder != this) {
        return;
    }
    if (file.stream != nullptr) {
        std::fclose(file.ReleaseStream());
    }
    RemoveName(file.name);
    ReleaseLock(file);
}

void OutputFolder::ReleaseLock(TemporaryFile& file) {
    if (file.lock >= 0) {
        close(Fd(file.lock));
    }
    file.lock = -1;
    file.folder = nullptr;
}

bool OutputFolder::RemoveName(const std::string& name) {
    return IsOpen() && unlinkat(Fd(handle), name.c_str(), 0) == 0;
}

int OutputFolder::RemoveLeftovers() {
    if (!IsOpen()) {
        return 0;
    }
    const int listing = fcntl(Fd(handle), F_DUPFD_CLOEXEC, 0);
    DIR* entries = listing < 0 ? nullptr : fdopendir(listing);
    if (entries == nullptr) {
        if (listing >= 0) {
            close(listing);
        }
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = readdir(entries)) {
        const std::string name = entry->d_name;
        if (!IsTemporaryName(name)) {
            continue;
        }
        const int fd = openat(Fd(handle), name.c_str(),
                              O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        // Only a file whose lock this run now holds, and that is still the one
        // at that name, is a leftover.
        if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
            LockExclusively(fd) == LockResult::Held && NameHoldsFile(Fd(handle), name, fd) &&
            unlinkat(Fd(handle), name.c_str(), 0) == 0) {
            ++removed;
        }
        close(fd);
    }
    closedir(entries);
    return removed;
}

WriteProbe OutputFolder::ProbeCreation(const std::string& nameText) const {
    WriteProbe probe;
    // A name another process took meanwhile is tried again under another number.
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const std::string name = FreshProbeName(nameText);
        const int fd =
            openat(Fd(handle), name.c_str(),
                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0) {
            close(fd);
            unlinkat(Fd(handle), name.c_str(), 0);
            probe.created = true;
            return probe;
        }
        const int error = errno;
        if (error == EEXIST) {
            continue;
        }
        // FAT, exFAT and NTFS mounts answer EINVAL for characters they cannot hold.
        probe.nameRefused = error == EINVAL || error == EILSEQ;
        probe.reason = std::strerror(error);
        return probe;
    }
    probe.reason = std::strerror(EEXIST);
    return probe;
}
