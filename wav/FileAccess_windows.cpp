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
} // namespace file_access
