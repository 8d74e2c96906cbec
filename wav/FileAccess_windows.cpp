#include "FileAccess.h"

#include <sys/stat.h>
#include <sys/types.h>

namespace file_access {

int SeekAbsolute(std::FILE* file, std::int64_t offset) {
    if (offset < 0) {
        return -1;
    }
    return _fseeki64(file, offset, SEEK_SET);
}

std::int64_t TellPosition(std::FILE* file) {
    return _ftelli64(file);
}

// Opening a device or a pipe by name does not block here; only regular files
// are kept.
std::FILE* OpenRegularFileForReading(const char* path, WaveOpenFailure& why) {
    why = WaveOpenFailure::CannotOpen;
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return nullptr;
    }
    struct _stat64 info {};
    if (_fstat64(_fileno(file), &info) != 0) {
        std::fclose(file);
        return nullptr;
    }
    if ((info.st_mode & _S_IFMT) != _S_IFREG) {
        why = WaveOpenFailure::NotRegularFile;
        std::fclose(file);
        return nullptr;
    }
    why = WaveOpenFailure::None;
    return file;
}

} // namespace file_access
