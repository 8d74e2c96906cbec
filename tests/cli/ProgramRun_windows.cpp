#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace cli_testing {

namespace {

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) {
        return {};
    }
    // No silent replacement characters: a test that passes other bytes is wrong here.
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                           static_cast<int>(utf8.size()), nullptr, 0);
    EXPECT_GT(length, 0) << "not UTF-8: " << utf8;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                        length);
    return wide;
}

// One argument as the C runtime's command-line parser splits it again: quoted,
// with the backslashes before a quote (or before the closing quote) doubled.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    line += L'"';
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

void CloseIfOpen(HANDLE& handle) {
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        CloseHandle(handle);
    }
    handle = nullptr;
}

// The same text as the C runtime writes it to a stream in text mode.
std::string WithCrLf(const std::string& text) {
    std::string written;
    for (const char c : text) {
        if (c == '\n') {
            written += '\r';
        }
        written += c;
    }
    return written;
}

} // namespace

const bool kArgumentsAreBytes = false;

std::string StreamText(const std::string& written) {
    std::string text;
    for (std::size_t i = 0; i < written.size(); ++i) {
        if (written[i] == '\r' && i + 1 < written.size() && written[i + 1] == '\n') {
            continue;
        }
        if (written[i] == '\n') {
            EXPECT_TRUE(i > 0 && written[i - 1] == '\r')
                << "a line that does not end in CR LF: " << text.substr(text.rfind('\n') + 1);
        }
        text += written[i];
    }
    return text;
}

struct RunningProgram::Process {
    HANDLE process = nullptr;
    HANDLE toChild = nullptr;
    HANDLE fromChild = nullptr;
};

RunningProgram::RunningProgram(const std::string& program,
                               const std::vector<std::string>& arguments,
                               const std::string& workingDirectory, const std::string& errPath)
    : process(std::make_unique<Process>()) {
    // The program's ends of the pipes and its error file are inherited; the test's
    // ends are not, so the program sees the end of its input when the test closes it.
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &process->toChild, &inherited, 0) ||
        !CreatePipe(&process->fromChild, &childOutput, &inherited, 0)) {
        ADD_FAILURE() << "cannot create pipes";
        return;
    }
    SetHandleInformation(process->toChild, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(process->fromChild, HANDLE_FLAG_INHERIT, 0);
    HANDLE childError = CreateFileW(Wide(errPath).c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    &inherited, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);

    std::wstring commandLine;
    AppendQuoted(commandLine, Wide(program));
    for (const std::string& argument : arguments) {
        commandLine += L' ';
        AppendQuoted(commandLine, Wide(argument));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childError;
    PROCESS_INFORMATION started{};
    const std::wstring folder = Wide(workingDirectory);
    if (childError == INVALID_HANDLE_VALUE ||
        !CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                        nullptr, folder.c_str(), &startup, &started)) {
        ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
    } else {
        CloseHandle(started.hThread);
        process->process = started.hProcess;
    }
    CloseIfOpen(childInput);
    CloseIfOpen(childOutput);
    CloseIfOpen(childError);
}

RunningProgram::~RunningProgram() {
    CloseIfOpen(process->toChild);
    CloseIfOpen(process->fromChild);
    Wait();
}

std::string RunningProgram::ReadUntil(const std::string& text) {
    const std::string ending = WithCrLf(text);
    std::string got;
    char buffer[4096];
    DWORD n = 0;
    while (text.empty() || !got.ends_with(ending)) {
        // Ends with a broken pipe once the program and its output are gone.
        if (!ReadFile(process->fromChild, buffer, sizeof buffer, &n, nullptr) || n == 0) {
            break;
        }
        got.append(buffer, n);
    }
    return StreamText(got);
}

void RunningProgram::Write(const std::string& text) {
    // A program that has already ended (a usage error) does not read its input:
    // that is no failure of the test.
    DWORD written = 0;
    if (!text.empty() && !WriteFile(process->toChild, text.data(), static_cast<DWORD>(text.size()),
                                    &written, nullptr)) {
        const DWORD error = GetLastError();
        ASSERT_TRUE(error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE) << "error " << error;
    }
}

void RunningProgram::CloseInput() {
    CloseIfOpen(process->toChild);
}

int RunningProgram::ProcessId() const {
    return process->process != nullptr ? static_cast<int>(GetProcessId(process->process)) : -1;
}

int RunningProgram::Wait() {
    if (process->process == nullptr) {
        return -1;
    }
    DWORD code = 0;
    const bool ended = WaitForSingleObject(process->process, INFINITE) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process->process, &code);
    CloseIfOpen(process->process);
    return ended ? static_cast<int>(code) : -1;
}

} // namespace cli_testing
