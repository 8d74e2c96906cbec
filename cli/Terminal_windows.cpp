#include "Terminal.h"

#include <atomic>
#include <cstdlib>
#include <io.h>
#include <memory>
#include <system_error>
#include <thread>
#include <windows.h>

namespace {

std::atomic<bool> cancelRequested{false};
// Set together with the flag, so that a prompt can wait for an answer or a cancel.
HANDLE cancelEvent = nullptr;

DWORD consoleErrorMode = 0; // standard error's console mode, put back at exit

// How long a console read that Ctrl+C ended waits for the handler of that Ctrl+C,
// which the system starts on a thread of its own: only a bound.
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
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        return TRUE;
    }
    // The console is closing (or the session ending): the system ends the process
    // as soon as this returns, so it waits while the main thread closes the file it
    // is writing and exits. The system's own timeout bounds the wait.
    WaitForSingleObject(GetCurrentProcess(), INFINITE);
    return TRUE;
}

// Byte by byte from the handle itself, not through the C library's buffer: a
// console hands out the rest of its line on the next read, a pipe keeps it.
void ReadLineFrom(HANDLE input, std::string& line) {
    for (;;) {
        char byte = 0;
        DWORD count = 0;
        if (!ReadFile(input, &byte, 1, &count, nullptr)) {
            if (GetLastError() == ERROR_OPERATION_ABORTED && cancelEvent != nullptr) {
                WaitForSingleObject(cancelEvent, kHandlerStartBoundMs);
            }
            return;
        }
        if (count != 1 || byte == '\n') {
            return; // end of input or the end of the line
        }
        line += byte;
    }
}

// What the prompt and its reading thread share; the last to let go closes it.
struct AnswerRead {
    AnswerRead() : done(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~AnswerRead() {
        if (done != nullptr) {
            CloseHandle(done);
        }
    }
    AnswerRead(const AnswerRead&) = delete;
    AnswerRead& operator=(const AnswerRead&) = delete;

    HANDLE done;
    std::string line;
};

} // namespace

// Ctrl+C, Ctrl+Break and a closed console window all mean Cancel.
void InstallCancelSignals() {
    cancelEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

const char* CancelRequestsText() {
    return "Ctrl+C, Ctrl+Break or closing the console";
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

// A read from a pipe does not end for a Ctrl+C, so the line is read on a thread
// of its own while this one waits for it or for the cancel.
std::string ReadAnswerLine() {
    const HANDLE input = StandardHandle(0);
    auto read = std::make_shared<AnswerRead>();
    if (IsCancelRequested()) {
        return std::string();
    }
    std::thread reader;
    if (read->done != nullptr && cancelEvent != nullptr) {
        try {
            reader = std::thread([read, input] {
                ReadLineFrom(input, read->line);
                SetEvent(read->done);
            });
        } catch (const std::system_error&) {
            // No thread: read here; only a console's read then ends on Ctrl+C.
        }
    }
    if (!reader.joinable()) {
        ReadLineFrom(input, read->line);
        return read->line;
    }
    const HANDLE events[] = {read->done, cancelEvent};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) {
        reader.join();
        return read->line;
    }
    // Cancelled: the read may wait for input that never comes, and the process is
    // about to end, which ends the thread.
    reader.detach();
    return std::string();
}
