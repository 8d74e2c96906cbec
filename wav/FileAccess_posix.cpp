#include "FileAccess.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) >= 8, "file offsets must be 64-bit (build with _FILE_OFFSET_BITS=64)");

namespace file_access {

int SeekAbsolute(std::FILE* file, std::int64_t offset) {
    if (offset < 0) {
        return -1;
    }
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
}

std::int64_t TellPosition(std::FILE* file) {
    return static_cast<std::int64_t>(ftello(file));
}

std::FILE* OpenRegularFileForReading(const char* path, WaveOpenFailure& why) {
    why = WaveOpenFailure::CannotOpen;
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        why = WaveOpenFailure::NotRegularFile;
        ::close(fd);
        return nullptr;
    }
    // Reads of a regular file never block; the flag is dropped all the same so
    // the stream behaves as one opened the ordinary way.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::FILE* file = ::fdopen(fd, "rb");
    if (file == nullptr) {
        ::close(fd);
        return nullptr;
    }
    why = WaveOpenFailure::None;
    return file;
}

} // namespace file_access
