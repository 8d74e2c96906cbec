// Runs a built program as a user would: arguments, a working directory, text on
// standard input; collects its exit status and both output streams.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace cli_testing {

struct ProgramResult {
    int exitStatus = -1; // the exit status, or 128 + signal when killed
    std::string out;
    std::string err;
};

// stdinText is all the input there is: end of input follows it.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText = "");

// A program running with pipes on standard input and standard output, for tests
// that answer a prompt or send a signal at a known point of the run.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& workingDirectory, const std::string& errPath);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Reads standard output until it ends with `text` (until it closes, for an empty
    // text); returns what was read.
    std::string ReadUntil(const std::string& text);
    void Write(const std::string& text);
    void CloseInput(); // the program sees the end of its input
    void Signal(int signal);
    int Wait(); // exit status as in ProgramResult

private:
    pid_t pid = -1;
    int toChild = -1;
    int fromChild = -1;
};

// A program the test holds still, under ptrace, right after a chosen file system
// call has succeeded: a signal sent while it is held lands at exactly that point
// of the run, however the machine schedules the two processes. Standard input and
// output are the null device.
class HeldProgram {
public:
    enum FileCall { Create, RenameOnto }; // the path created, or renamed onto

    HeldProgram(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& workingDirectory, const std::string& errPath);
    ~HeldProgram();
    HeldProgram(const HeldProgram&) = delete;
    HeldProgram& operator=(const HeldProgram&) = delete;

    // Lets the program run until `count` calls of this kind on paths ending with
    // `suffix` have succeeded, and holds it there; false when it ended first.
    bool RunUntil(FileCall call, const std::string& suffix, int count);
    // Sends the held program `signal` and lets it run on, no longer traced.
    void Release(int signal);
    int Wait(); // exit status as in ProgramResult

private:
    bool Matches(FileCall call, const std::string& suffix) const;

    pid_t pid = -1;
    int endedStatus = -1; // set when the program ended while traced
};

} // namespace cli_testing
