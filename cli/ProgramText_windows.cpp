#include "ProgramText.h"

#include "WidePaths_windows.h"

#include <cstdlib>
#include <windows.h>

// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace {

UINT consoleOutputCodePage = 0; // the console's own, put back at exit

extern "C" void RestoreConsoleOutputCodePage() {
    SetConsoleOutputCP(consoleOutputCodePage);
}

} // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(Utf8FromWide(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

void UseUtf8Output() {
    const UINT current = GetConsoleOutputCP();
    // Zero: no console (output to files and pipes is UTF-8 bytes already).
    if (current == 0 || current == CP_UTF8 || SetConsoleOutputCP(CP_UTF8) == 0) {
        return;
    }
    // The code page belongs to the console, which outlives the program.
    consoleOutputCodePage = current;
    std::atexit(RestoreConsoleOutputCodePage);
}
