#include "WriteProbe.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

unsigned FreshNumber(unsigned attempt) {
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return static_cast<unsigned>(ticks) ^ (static_cast<unsigned>(getpid()) << 8) ^ attempt;
}

} // namespace

WriteProbe ProbeFileCreation(const std::string& folder, const std::string& nameText) {
    WriteProbe probe;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    // A name another process took meanwhile is tried again under another number.
    for (unsigned attempt = 0; attempt < 8; ++attempt) {
        const std::string path = base + ProbeFileName(nameText, FreshNumber(attempt));
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600);
        if (fd >= 0) {
            close(fd);
            unlink(path.c_str());
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
