#include "Terminal.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
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

// The bytes of one line up to `room` into buffer, never past its line end, from
// the handle itself rather than through the C library's buffer: a console hands
// out at most one line per read, a pipe's waiting bytes are looked at before the
// line is taken, anything else is read byte by byte. The count; 0 at the end.
DWORD ReadLinePart(HANDLE input, char* buffer, DWORD room) {
    DWORD mode = 0;
    DWORD count = 0;
    if (GetConsoleMode(input, &mode)) {
        // A console in line mode: the read ends at the line end.
    } else if (GetFileType(input) == FILE_TYPE_PIPE &&
               PeekNamedPipe(input, buffer, room, &count, nullptr, nullptr) && count > 0) {
        const void* end = std::memchr(buffer, '\n', count);
        room =
            end != nullptr ? static_cast<DWORD>(static_cast<const char*>(end) - buffer + 1) : count;
    } else {
        room = 1;
    }
    if (!ReadFile(input, buffer, room, &count, nullptr)) {
        if (GetLastError() == ERROR_OPERATION_ABORTED && cancelEvent != nullptr) {
            WaitForSingleObject(cancelEvent, kHandlerStartBoundMs);
        }
        return 0;
    }
    return count;
}

// One line, at most kMaxAnswerBytes + 1 bytes of it.
void ReadLineFrom(HANDLE input, std::string& line) {
    char buffer[kMaxAnswerBytes + 1];
    while (line.size() <= kMaxAnswerBytes) {
        const DWORD got =
            ReadLinePart(input, buffer, static_cast<DWORD>(kMaxAnswerBytes + 1 - line.size()));
        if (got == 0) {
            return; // end of input or an error
        }
        const auto* end = static_cast<const char*>(std::memchr(buffer, '\n', got));
        line.append(static_cast<const char*>(buffer), end != nullptr ? end : buffer + got);
        if (end != nullptr) {
            return;
        }
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
