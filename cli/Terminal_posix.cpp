#include "Terminal.h"

#include <cerrno>
#include <csignal>
#include <sys/ioctl.h>
#include <sys/select.h>
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

    std::string line;
    while (!IsCancelRequested()) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(STDIN_FILENO, &readable);
        if (pselect(STDIN_FILENO + 1, &readable, nullptr, nullptr, nullptr, &previous) < 0) {
            if (errno == EINTR) {
                continue;
            }
            break;
        }
        char byte = 0;
        if (read(STDIN_FILENO, &byte, 1) != 1 || byte == '\n') {
            break; // end of input, an error, or the end of the line
        }
        line += byte;
    }
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    return line;
}
