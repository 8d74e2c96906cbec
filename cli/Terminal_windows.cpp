#include "Terminal.h"

#include <atomic>
#include <cstdlib>
#include <io.h>
#include <windows.h>

namespace {

std::atomic<bool> cancelRequested{false};
// Set together with the flag; lets a prompt that Ctrl+C ended wait for the
// handler, which the system runs on a thread of its own.
HANDLE cancelEvent = nullptr;
HANDLE mainThread = nullptr;
// Only a prompt's read is ended on Ctrl+C: a file's read or write must finish.
std::atomic<bool> promptWaiting{false};

DWORD consoleErrorMode = 0; // standard error's console mode, put back at exit

// How long a prompt that the console ended waits for the handler of the Ctrl+C
// that ended it; the handler's thread starts at once, so this is only a bound.
constexpr DWORD kHandlerStartBoundMs = 2000;

HANDLE StandardHandle(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

extern "C" void RestoreConsoleErrorMode() {
    SetConsoleMode(StandardHandle(2), consoleErrorMode);
}

BOOL WINAPI OnConsoleControl(DWORD event) {
    cancelRequested = true;
    if (cancelEvent != nullptr) {
        SetEvent(cancelEvent);
    }
    // A prompt blocked on a pipe does not notice the flag: its read is ended.
    if (mainThread != nullptr && promptWaiting) {
        CancelSynchronousIo(mainThread);
    }
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // The console is closing (or the session ending): the system ends the process
    // as soon as this returns, so it waits while the main thread closes the file it
    // is writing and exits. The system's own timeout bounds the wait.
    WaitForSingleObject(GetCurrentProcess(), INFINITE);
    return TRUE;
}

} // namespace

// Ctrl+C, Ctrl+Break and a closed console window all mean Cancel.
void InstallCancelSignals() {
    cancelEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &mainThread,
                         0, FALSE, DUPLICATE_SAME_ACCESS)) {
        mainThread = nullptr;
    }
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool IsCancelRequested() {
    return cancelRequested;
}

// A console that understands the erase-line sequence the progress line redraws
// with; consoles older than Windows 10 do not, and get no progress line.
bool StandardErrorIsTerminal() {
    const HANDLE error = StandardHandle(2);
    DWORD mode = 0;
    if (!GetConsoleMode(error, &mode)) {
        return false;
    }
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
        return true;
    }
    if (!SetConsoleMode(error, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING)) {
        return false;
    }
    // The mode belongs to the console, which outlives the program.
    consoleErrorMode = mode;
    std::atexit(RestoreConsoleErrorMode);
    return true;
}

int TerminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (GetConsoleScreenBufferInfo(StandardHandle(2), &info)) {
        const int columns = info.srWindow.Right - info.srWindow.Left + 1;
        if (columns > 0) {
            return columns;
        }
    }
    return 80;
}

// Byte by byte from the handle itself, not through the C library's buffer: a
// console hands out the rest of its line on the next read, a pipe keeps it.
std::string ReadAnswerLine() {
    const HANDLE input = StandardHandle(0);
    std::string line;
    while (!IsCancelRequested()) {
        char byte = 0;
        DWORD read = 0;
        promptWaiting = true;
        const bool succeeded = ReadFile(input, &byte, 1, &read, nullptr) != 0;
        promptWaiting = false;
        if (!succeeded) {
            // Ctrl+C ends a console read before its handler has run.
            if (GetLastError() == ERROR_OPERATION_ABORTED && cancelEvent != nullptr) {
                WaitForSingleObject(cancelEvent, kHandlerStartBoundMs);
            }
            break;
        }
        if (read != 1 || byte == '\n') {
            break; // end of input or the end of the line
        }
        line += byte;
    }
    return line;
}
