#include "Terminal.h"

#include <csignal>
#include <cstdio>

// A first cut for the Windows port, on the C library alone: Ctrl+C through
// signal(), no terminal test (so no progress line) and the default width. The
// port replaces it with the console API (SetConsoleCtrlHandler, GetConsoleMode,
// GetConsoleScreenBufferInfo).

namespace {

volatile std::sig_atomic_t cancelRequested = 0;

extern "C" void OnCancelSignal(int) {
    cancelRequested = 1;
}

} // namespace

void InstallCancelSignals() {
    std::signal(SIGINT, OnCancelSignal);
    std::signal(SIGTERM, OnCancelSignal);
}

bool IsCancelRequested() {
    return cancelRequested != 0;
}

bool StandardErrorIsTerminal() {
    return false;
}

int TerminalColumns() {
    return 80;
}

std::string ReadAnswerLine() {
    std::string line;
    for (int c = std::getchar(); c != EOF && c != '\n' && !IsCancelRequested();
         c = std::getchar()) {
        line += static_cast<char>(c);
    }
    return line;
}
