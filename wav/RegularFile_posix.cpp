#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::FILE* OpenRegularFile(const char* path, RegularFileMode mode, RegularFileProblem& problem) {
    problem = RegularFileProblem::CannotOpen;
    // Non-blocking, so a FIFO without a peer does not hang the open; the flag is
    // cleared again once the file is known to be a regular one.
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    switch (mode) {
    case RegularFileMode::Read:
        flags |= O_RDONLY;
        break;
    case RegularFileMode::Replace:
        // Not O_TRUNC: nothing is truncated before the file is known to be regular.
        flags |= O_WRONLY | O_CREAT;
        break;
    case RegularFileMode::CreateNew:
        flags |= O_WRONLY | O_CREAT | O_EXCL;
        break;
    }
    const int fd = open(path, flags, 0666);
    if (fd < 0) {
        // A FIFO opened for writing with no reader, or a socket.
        if (errno == ENXIO || errno == EOPNOTSUPP) {
            problem = RegularFileProblem::NotRegularFile;
        } else if (errno == ENOENT) {
            problem = RegularFileProblem::Missing;
        }
        return nullptr;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        problem = RegularFileProblem::NotRegularFile;
        close(fd);
        return nullptr;
    }
    const int statusFlags = fcntl(fd, F_GETFL);
    if (statusFlags < 0 || fcntl(fd, F_SETFL, statusFlags & ~O_NONBLOCK) != 0 ||
        (mode == RegularFileMode::Replace && ftruncate(fd, 0) != 0)) {
        close(fd);
        return nullptr;
    }
    std::FILE* file = fdopen(fd, mode == RegularFileMode::Read ? "rb" : "wb");
    if (file == nullptr) {
        close(fd);
        return nullptr;
    }
    problem = RegularFileProblem::None;
    return file;
}
