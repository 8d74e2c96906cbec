#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sstream>
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
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGPIPE);
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

int WaitFor(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

} // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText) {
    // Standard error goes to a file, so only standard output needs reading while it
    // runs; the input is small enough for the pipe.
    const std::string errPath = workingDirectory + "/.run.err";
    ProgramResult result;
    {
        RunningProgram running(program, arguments, workingDirectory, errPath);
        running.Write(stdinText);
        running.CloseInput();
        result.out = running.ReadUntil("");
        result.exitStatus = running.Wait();
    }
    std::ifstream err(errPath, std::ios::binary);
    std::ostringstream text;
    text << err.rdbuf();
    result.err = text.str();
    unlink(errPath.c_str());
    return result;
}

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& workingDirectory, const std::string& errPath) {
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
    pid = Spawn(program, arguments, workingDirectory, actions);
    posix_spawn_file_actions_destroy(&actions);
    close(input[0]);
    close(output[1]);
    toChild = input[1];
    fromChild = output[0];
}

RunningProgram::~RunningProgram() {
    if (toChild >= 0) {
        close(toChild);
    }
    if (fromChild >= 0) {
        close(fromChild);
    }
    if (pid > 0) {
        Wait();
    }
}

std::string RunningProgram::ReadUntil(const std::string& text) {
    std::string got;
    char buffer[4096];
    while (text.empty() || !got.ends_with(text)) {
        const ssize_t n = read(fromChild, buffer, sizeof buffer);
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
    if (!text.empty() && write(toChild, text.data(), text.size()) < 0) {
        ASSERT_EQ(errno, EPIPE);
    }
}

void RunningProgram::CloseInput() {
    close(toChild);
    toChild = -1;
}

void RunningProgram::Signal(int signal) {
    ASSERT_EQ(kill(pid, signal), 0);
}

int RunningProgram::Wait() {
    if (pid <= 0) {
        return -1;
    }
    const int status = WaitFor(pid);
    pid = -1;
    return status;
}

} // namespace cli_testing
