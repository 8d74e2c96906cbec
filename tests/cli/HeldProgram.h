// Holding a running program at a chosen file system call, with ptrace.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace cli_testing {

// A program the test holds still, under ptrace, right after a chosen file system
// call has succeeded: a signal sent while it is held lands at exactly that point
// of the run, however the machine schedules the two processes. Standard input is
// the null device unless inputPath names another file, and so is standard output
// unless outPath names a file.
class HeldProgram {
public:
    // The path created, or renamed onto; or a read of standard input (any suffix).
    enum FileCall { Create, RenameOnto, ReadInput };

    HeldProgram(const std::string& program, const std::vector<std::string>& arguments,
                const std::string& workingDirectory, const std::string& errPath,
                const std::string& outPath = "", const std::string& inputPath = "/dev/null");
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
