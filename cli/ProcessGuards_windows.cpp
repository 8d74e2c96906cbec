#include "ProcessGuards.h"

#include <fcntl.h>
#include <io.h>

namespace {

// The C library's marks of a descriptor without a handle: never opened, or
// started without that standard handle.
bool HasNoHandle(int fd) {
    const intptr_t handle = _get_osfhandle(fd);
    return handle == -1 || handle == -2;
}

} // namespace

void OpenClosedStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (!HasNoHandle(fd)) {
            continue;
        }
        const int opened = _wopen(L"NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
        if (opened >= 0 && opened != fd) {
            _dup2(opened, fd);
            _close(opened);
        }
    }
}

// Windows has neither signal: a write past a size limit or into a closed pipe
// already fails with an error the writer reports.
void IgnoreFileSizeAndPipeSignals() {}
