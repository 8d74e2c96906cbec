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

} // namespace cli_testing
