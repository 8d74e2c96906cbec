#include "Terminal.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t cancelRequested = 0;

extern "C" void OnCancelSignal(int) {
    cancelRequested = 1;
}

// Ctrl+C, kill, a closed terminal or SSH session, and Ctrl+\ all mean Cancel.
constexpr int kCancelSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

} // namespace

void InstallCancelSignals() {
    struct sigaction action {};
    action.sa_handler = OnCancelSignal;
    sigemptyset(&action.sa_mask);
    // Reads and writes of the files restart after the handler rather than fail
    // half done; the prompt's pselect is never restarted, so Ctrl+C still ends it.
    action.sa_flags = SA_RESTART;
    for (int signal : kCancelSignals) {
        sigaction(signal, &action, nullptr);
    }
}

const char* CancelRequestsText() {
    return "Ctrl+C or SIGTERM";
}

bool IsCancelRequested() {
    return cancelRequested != 0;
}

bool StandardErrorIsTerminal() {
    return isatty(STDERR_FILENO) == 1;
}

int TerminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        return size.ws_col;
    }
    return 80;
}

namespace {

// How standard input can be read in blocks without taking more than the line.
enum class InputKind {
    Terminal, // the line discipline hands out at most one line per read
    File,     // read ahead, then the position is put back after the line end
    Pipe,     // the bytes are looked at through a copy (tee), then only the line is taken
    Other,    // a device or a socket: byte by byte, at most the length limit
};

InputKind KindOfStandardInput() {
    if (isatty(STDIN_FILENO) == 1) {
        return InputKind::Terminal;
    }
    struct stat status {};
    if (fstat(STDIN_FILENO, &status) != 0) {
        return InputKind::Other;
    }
    if (S_ISREG(status.st_mode)) {
        return InputKind::File;
    }
    return S_ISFIFO(status.st_mode) ? InputKind::Pipe : InputKind::Other;
}

// A pipe the bytes waiting on standard input are copied into, to be looked at
// without being taken.
struct PeekPipe {
    PeekPipe() {
        if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
            ends[0] = ends[1] = -1;
        }
    }
    ~PeekPipe() {
        for (int end : ends) {
            if (end >= 0) {
                close(end);
            }
        }
    }
    PeekPipe(const PeekPipe&) = delete;
    PeekPipe& operator=(const PeekPipe&) = delete;
    int ends[2];
};

// The bytes of one line up to `room`, never past its line end, into buffer; the
// count, 0 at the end of input, or -1 on an error.
ssize_t ReadLinePart(InputKind kind, PeekPipe& peek, char* buffer, std::size_t room) {
    switch (kind) {
    case InputKind::Terminal:
        return read(STDIN_FILENO, buffer, room);
    case InputKind::File: {
        const ssize_t got = read(STDIN_FILENO, buffer, room);
        const void* end =
            got > 0 ? std::memchr(buffer, '\n', static_cast<std::size_t>(got)) : nullptr;
        if (end != nullptr) {
            const ssize_t taken = static_cast<const char*>(end) - buffer + 1;
            if (taken < got) {
                lseek(STDIN_FILENO, taken - got, SEEK_CUR);
            }
            return taken;
        }
        return got;
    }
    case InputKind::Pipe:
        if (peek.ends[1] >= 0) {
            const ssize_t waiting = tee(STDIN_FILENO, peek.ends[1], room, SPLICE_F_NONBLOCK);
            if (waiting == 0) {
                return 0; // end of input
            }
            if (waiting > 0 &&
                read(peek.ends[0], buffer, static_cast<std::size_t>(waiting)) == waiting) {
                const void* end = std::memchr(buffer, '\n', static_cast<std::size_t>(waiting));
                const ssize_t wanted =
                    end != nullptr ? static_cast<const char*>(end) - buffer + 1 : waiting;
                return read(STDIN_FILENO, buffer, static_cast<std::size_t>(wanted));
            }
        }
        break; // no copy to look at: one byte at a time
    case InputKind::Other:
        break;
    }
    return read(STDIN_FILENO, buffer, 1);
}

} // namespace

std::string ReadAnswerLine() {
    // The cancel signals are held back except while waiting in pselect, so a Ctrl+C
    // that lands between the test of the flag and the wait still ends the wait.
    sigset_t cancelSignals;
    sigset_t previous;
    sigemptyset(&cancelSignals);
    for (int signal : kCancelSignals) {
        sigaddset(&cancelSignals, signal);
    }
    sigprocmask(SIG_BLOCK, &cancelSignals, &previous);

    const InputKind kind = KindOfStandardInput();
    PeekPipe peek;
    std::string line;
    char buffer[kMaxAnswerBytes + 1];
    while (line.size() <= kMaxAnswerBytes) {
        // pselect lets a held-back signal in only when it has to wait: with input
        // always ready (an endless stream) it never does, so the signals are let in
        // here on every turn.
        sigprocmask(SIG_SETMASK, &previous, nullptr);
        sigprocmask(SIG_BLOCK, &cancelSignals, nullptr);
        if (IsCancelRequested()) {
            break;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(STDIN_FILENO, &readable);
        if (pselect(STDIN_FILENO + 1, &readable, nullptr, nullptr, nullptr, &previous) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        const ssize_t got = ReadLinePart(kind, peek, buffer, kMaxAnswerBytes + 1 - line.size());
        if (got <= 0) {
            break; // end of input or an error
        }
        const auto* end =
            static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(got)));
        line.append(static_cast<const char*>(buffer), end != nullptr ? end : buffer + got);
        if (end != nullptr) {
            break;
        }
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return line;
}
