#include "ProcessServices.h"

#include <cerrno>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace process {

namespace {
// The nice value the writing thread had before it was lowered, so that
// "normal" means what the user started us with rather than a fixed 0.
bool lowered = false;
int normalNice = 0;
constexpr int kIdleNice = 19;

// Lowering is only done when it can be undone: an unprivileged thread may not
// raise its nice value again (beyond what RLIMIT_NICE allows), and a program
// left at idle priority would stay sluggish for the rest of its life. Raising
// the priority by one step and stepping back at once tells whether this thread
// may raise it; that is also what coming back from idle needs.
bool MayRaisePriorityFrom(int nice) {
    if (setpriority(PRIO_PROCESS, 0, nice - 1) != 0) {
        return false;
    }
    errno = 0;
    const bool raised = getpriority(PRIO_PROCESS, 0) == nice - 1 && errno == 0; // not clamped
    (void)setpriority(PRIO_PROCESS, 0, nice);
    return raised;
}
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

// On Linux the nice value belongs to a thread and PRIO_PROCESS with 0 names the
// calling one: only the thread that writes is lowered, and only while it writes.
void SetIdlePriority() {
    if (lowered) {
        return;
    }
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, 0);
    if (errno != 0 || current >= kIdleNice || !MayRaisePriorityFrom(current)) {
        return; // results are not examined: the writing runs at the priority it has
    }
    if (setpriority(PRIO_PROCESS, 0, kIdleNice) == 0) {
        normalNice = current;
        lowered = true;
    }
}

void SetNormalPriority() {
    if (lowered) {
        (void)setpriority(PRIO_PROCESS, 0, normalNice);
        lowered = false;
    }
}

std::int64_t NowSeconds() {
    return static_cast<std::int64_t>(std::time(nullptr));
}

} // namespace process
