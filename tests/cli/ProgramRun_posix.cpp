#include "HeldProgram.h"
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/ptrace.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cli_testing {

namespace {

std::vector<char*> ArgumentVector(const std::string& program,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    return argv;
}

// The signals the runner may have blocked or set aside, as a spawned program finds them.
sigset_t SignalsSetToDefault() {
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
    return defaults;
}

// Runs the child in workingDirectory with the given file actions in place.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& workingDirectory, posix_spawn_file_actions_t& actions) {
    std::vector<char*> argv = ArgumentVector(program, arguments);
    pid_t pid = -1;
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Signals the test runner ignores or blocks must not leak into the program.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    posix_spawnattr_setsigmask(&attributes, &noSignals);
    sigset_t defaults = SignalsSetToDefault();
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
    const int error =
        posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(error);
        return -1;
    }
    return pid;
}

// The raw wait status; -1 when there is none to wait for.
int WaitStatus(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    return status;
}

int ExitStatusOf(int status) {
    if (status != -1 && WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return status != -1 && WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

int WaitFor(pid_t pid) {
    return ExitStatusOf(WaitStatus(pid));
}

// The NUL-terminated string at `address` in the traced process.
std::string TracedString(pid_t pid, std::uint64_t address) {
    std::string text;
    char chunk[256];
    while (text.size() < PATH_MAX) {
        iovec local{chunk, sizeof chunk};
        iovec remote{reinterpret_cast<void*>(address + text.size()), sizeof chunk};
        const ssize_t got = process_vm_readv(pid, &local, 1, &remote, 1, 0);
        if (got <= 0) {
            // The string may end just before an unmapped page: read byte by byte.
            remote.iov_len = 1;
            local.iov_len = 1;
            if (process_vm_readv(pid, &local, 1, &remote, 1, 0) != 1) {
                break;
            }
        }
        const std::size_t length = got > 0 ? static_cast<std::size_t>(got) : 1;
        const void* nul = std::memchr(chunk, '\0', length);
        text.append(chunk, nul != nullptr ? static_cast<const char*>(nul) - chunk : length);
        if (nul != nullptr) {
            break;
        }
    }
    return text;
}

} // namespace

const bool kArgumentsAreBytes = true;

std::string StreamText(const std::string& written) {
    return written;
}

struct RunningProgram::Process {
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
};

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& workingDirectory, const std::string& errPath)
    : process(std::make_unique<Process>()) {
    int input[2];
    int output[2];
    if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot create pipes";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], 0);
    posix_spawn_file_actions_adddup2(&actions, output[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    process->pid = Spawn(program, arguments, workingDirectory, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    process->toChild = input[1];
    process->fromChild = output[0];
}

RunningProgram::~RunningProgram() {
    if (process->toChild >= 0) {
        close(process->toChild);
    }
    if (process->fromChild >= 0) {
        close(process->fromChild);
    }
    if (process->pid > 0) {
        Wait();
    }
}

std::string RunningProgram::ReadUntil(const std::string& text) {
    std::string got;
    char buffer[4096];
    while (text.empty() || !got.ends_with(text)) {
        const ssize_t n = read(process->fromChild, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

void RunningProgram::Write(const std::string& text) {
    // A program that has already ended (a usage error) does not read its input:
    // that is no failure of the test.
    signal(SIGPIPE, SIG_IGN);
    if (!text.empty() && write(process->toChild, text.data(), text.size()) < 0) {
        ASSERT_EQ(errno, EPIPE);
    }
}

void RunningProgram::CloseInput() {
    close(process->toChild);
    process->toChild = -1;
}

int RunningProgram::ProcessId() const {
    return process->pid;
}

int RunningProgram::Wait() {
    if (process->pid <= 0) {
        return -1;
    }
    const int status = WaitFor(process->pid);
    process->pid = -1;
    return status;
}

HeldProgram::HeldProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& errPath,
                         const std::string& outPath, const std::string& inputPath) {
    // Everything the child needs is prepared before fork: between fork and exec it
    // may only make plain system calls.
    std::vector<char*> argv = ArgumentVector(program, arguments);
    const sigset_t defaults = SignalsSetToDefault();
    sigset_t noSignals;
    sigemptyset(&noSignals);
    pid = fork();
    if (pid == 0) {
        const int nothing = open("/dev/null", O_RDWR);
        const int input = open(inputPath.c_str(), O_RDONLY);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int out =
            outPath.empty() ? nothing : open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (nothing < 0 || input < 0 || err < 0 || out < 0 || dup2(input, 0) < 0 ||
            dup2(out, 1) < 0 || dup2(err, 2) < 0 || chdir(workingDirectory.c_str()) != 0 ||
            ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) {
            _exit(127);
        }
        for (int signal = 1; signal < NSIG; ++signal) {
            if (sigismember(&defaults, signal) == 1) {
                std::signal(signal, SIG_DFL);
            }
        }
        sigprocmask(SIG_SETMASK, &noSignals, nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    if (pid < 0) {
        ADD_FAILURE() << "cannot start " << program;
        return;
    }
    // Traced, the program stops as its own image starts.
    const int status = WaitStatus(pid);
    if (status == -1 || !WIFSTOPPED(status)) {
        endedStatus = status;
        ADD_FAILURE() << "cannot start " << program;
        return;
    }
    const std::intptr_t options = PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL;
    EXPECT_EQ(ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(options)), 0);
}

HeldProgram::~HeldProgram() {
    if (pid > 0) {
        Release(SIGKILL);
        Wait();
    }
}

bool HeldProgram::RunUntil(FileCall call, const std::string& suffix, int count) {
    bool matched = false;
    int passOn = 0; // a signal the program was sent meanwhile is delivered
    while (count > 0 && endedStatus == -1) {
        if (ptrace(PTRACE_SYSCALL, pid, nullptr, reinterpret_cast<void*>(std::intptr_t{passOn})) !=
            0) {
            return false;
        }
        passOn = 0;
        const int status = WaitStatus(pid);
        if (status == -1 || !WIFSTOPPED(status)) {
            endedStatus = status;
            break;
        }
        if (WSTOPSIG(status) != (SIGTRAP | 0x80)) {
            passOn = WSTOPSIG(status);
            continue;
        }
        __ptrace_syscall_info info{};
        if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, reinterpret_cast<void*>(sizeof info), &info) <=
            0) {
            return false;
        }
        if (info.op == PTRACE_SYSCALL_INFO_ENTRY) {
            matched = Matches(call, suffix);
        } else if (info.op == PTRACE_SYSCALL_INFO_EXIT && matched) {
            count -= info.exit.is_error == 0 ? 1 : 0;
            matched = false;
        }
    }
    return count == 0 && endedStatus == -1;
}

bool HeldProgram::Matches(FileCall call, const std::string& suffix) const {
    __ptrace_syscall_info info{};
    if (ptrace(PTRACE_GET_SYSCALL_INFO, pid, reinterpret_cast<void*>(sizeof info), &info) <= 0) {
        return false;
    }
    const auto nr = static_cast<long>(info.entry.nr);
    const std::uint64_t* args = info.entry.args;
    std::uint64_t path = 0;
    if (call == ReadInput) {
        return nr == SYS_read && args[0] == 0;
    }
    if (call == Create) {
        if (nr == SYS_openat && (args[2] & O_CREAT) != 0) {
            path = args[1];
        }
#ifdef SYS_open
        if (nr == SYS_open && (args[1] & O_CREAT) != 0) {
            path = args[0];
        }
        if (nr == SYS_creat) {
            path = args[0];
        }
#endif
    } else {
        if (nr == SYS_renameat || nr == SYS_renameat2) {
            path = args[3];
        }
#ifdef SYS_rename
        if (nr == SYS_rename) {
            path = args[1];
        }
#endif
    }
    return path != 0 && TracedString(pid, path).ends_with(suffix);
}

void HeldProgram::Release(int signal) {
    if (pid <= 0 || endedStatus != -1) {
        return;
    }
    EXPECT_EQ(kill(pid, signal), 0);
    // Untraced, the program meets the pending signal as it would have anyway.
    ptrace(PTRACE_DETACH, pid, nullptr, nullptr);
}

int HeldProgram::Wait() {
    if (pid <= 0) {
        return -1;
    }
    const int status = endedStatus != -1 ? endedStatus : WaitStatus(pid);
    pid = -1;
    return ExitStatusOf(status);
}

} // namespace cli_testing
