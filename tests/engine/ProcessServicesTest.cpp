// The writing's idle priority on Linux: whether the thread may raise its nice
// value again or not, it ends the writing at the nice value it started with.
#include "ProcessServices.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

namespace {

// The calling thread's capability to raise priorities; dropping it makes the
// thread as unprivileged as a user's (capabilities belong to one thread).
bool HasNiceCapability(bool drop) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    auto& effective = data[CAP_TO_INDEX(CAP_SYS_NICE)].effective;
    if (drop) {
        effective &= ~CAP_TO_MASK(CAP_SYS_NICE);
        (void)syscall(SYS_capset, &header, data);
        return HasNiceCapability(false);
    }
    return (effective & CAP_TO_MASK(CAP_SYS_NICE)) != 0;
}

struct Nices {
    int before = 0;
    int whileWriting = 0;
    int after = 0;
    bool privileged = false;
};

// Runs on a thread of its own, which ends afterwards, so the test process's own
// priority is not touched.
Nices WriteOnThread(int startNice, bool dropCapability) {
    Nices seen;
    std::thread([&] {
        (void)setpriority(PRIO_PROCESS, 0, startNice); // lowering is always allowed
        seen.privileged = HasNiceCapability(dropCapability);
        seen.before = getpriority(PRIO_PROCESS, 0);
        process::SetIdlePriority();
        seen.whileWriting = getpriority(PRIO_PROCESS, 0);
        process::SetNormalPriority();
        seen.after = getpriority(PRIO_PROCESS, 0);
    }).join();
    return seen;
}

} // namespace

TEST(ProcessServices, WritingEndsAtTheNiceValueItStartedWith) {
    for (bool drop : {false, true}) {
        for (int startNice : {0, 5}) {
            SCOPED_TRACE(testing::Message()
                         << "nice " << startNice << (drop ? ", unprivileged" : ""));
            const Nices seen = WriteOnThread(startNice, drop);
            EXPECT_EQ(seen.after, seen.before);
            struct rlimit limit {};
            const bool limitAllowsReturn = getrlimit(RLIMIT_NICE, &limit) == 0 &&
                                           (limit.rlim_cur == RLIM_INFINITY ||
                                            20 - static_cast<int>(limit.rlim_cur) < seen.before);
            if (seen.privileged || limitAllowsReturn) {
                EXPECT_EQ(seen.whileWriting, 19);
            } else {
                EXPECT_EQ(seen.whileWriting, seen.before);
            }
        }
    }
}
