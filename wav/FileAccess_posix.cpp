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
} // namespace file_access
