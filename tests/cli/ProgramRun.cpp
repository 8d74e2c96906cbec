#include "ProgramRun.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace cli_testing {

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDirectory, const std::string& stdinText) {
    // Standard error goes to a file, so only standard output needs reading while it
    // runs; the input is small enough for the pipe.
    const std::string errPath = (std::filesystem::path(workingDirectory) / ".run.err").string();
    ProgramResult result;
    {
        RunningProgram running(program, arguments, workingDirectory, errPath);
        running.Write(stdinText);
        running.CloseInput();
        result.out = running.ReadUntil("");
        result.exitStatus = running.Wait();
    }
    {
        std::ifstream err(errPath, std::ios::binary);
        std::ostringstream text;
        text << err.rdbuf();
        result.err = StreamText(text.str());
    }
    // Closed first: Windows removes no open file.
    std::error_code ignored;
    std::filesystem::remove(errPath, ignored);
    return result;
}

} // namespace cli_testing
