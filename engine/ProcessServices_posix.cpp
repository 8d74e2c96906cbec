#include "ProcessServices.h"

#include <cerrno>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace process {

namespace {
// The niceness the process had before the first switch to idle, so that
// "normal" means what the user started us with rather than a fixed 0.
bool haveNormalNice = false;
int normalNice = 0;
} // namespace

bool ChangeDirectory(const std::string& folder) {
    return !folder.empty() && chdir(folder.c_str()) == 0;
}

std::string CurrentDirectory() {
    // No fixed limit: grow the buffer until the path fits.
    std::vector<char> buffer(512);
    for (;;) {
        if (getcwd(buffer.data(), buffer.size()) != nullptr) {
            return std::string(buffer.data());
        }
        if (errno != ERANGE || buffer.size() > (std::size_t{1} << 24)) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
}

void SetIdlePriority() {
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && !haveNormalNice) {
        normalNice = current;
        haveNormalNice = true;
    }
    // Results are not examined: a process that may not lower itself just runs on.
    (void)setpriority(PRIO_PROCESS, 0, 19);
}

void SetNormalPriority() {
    if (haveNormalNice) {
        // Raising priority back needs privileges on most systems; failing is harmless.
        (void)setpriority(PRIO_PROCESS, 0, normalNice);
    }
}

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace process
