// Runs a built program as a user would: arguments, a working directory, text on
// standard input; collects its exit status and both output streams.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace cli_testing {

struct ProgramResult {
    int exitStatus = -1; // the exit status, or 128 + signal when killed
    std::string out;     // both as StreamText
    std::string err;
};

// What a program wrote on a standard stream, as text whose lines end in \n. On
// Windows the C runtime ends every line with CR LF: each line is checked to end
// so, and read with \n alone.
std::string StreamText(const std::string& written);

// Whether a program's arguments are bytes, any bytes (POSIX), rather than text
// (Windows, where the command line is UTF-16 and the arguments here UTF-8).
extern const bool kArgumentsAreBytes;

// stdinText is all the input there is: end of input follows it.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText = "");

// A program running with pipes on standard input and standard output, for tests
// that answer a prompt or act at a known point of the run. Standard error goes to
// the file errPath.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& arguments,
                   const std::string& workingDirectory, const std::string& errPath);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Reads standard output until it ends with `text` (until it closes, for an empty
    // text); returns what was read, as StreamText.
    std::string ReadUntil(const std::string& text);
    void Write(const std::string& text);
    void CloseInput(); // the program sees the end of its input
    int ProcessId() const;
    int Wait(); // exit status as in ProgramResult

private:
    struct Process; // the platform's handles on the program and its pipes
    std::unique_ptr<Process> process;
};

} // namespace cli_testing
