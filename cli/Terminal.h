// What the terminal host needs from the operating system: the cancel signals,
// the terminal's width, and a line of answer read without taking more input than
// that line. Each platform has its own file, chosen by CMake.
#pragma once

#include <string>

// Installs the handlers of Ctrl+C and the other requests to stop, which only set
// the flag that IsCancelRequested reports; Ctrl+C also ends a pending prompt.
void InstallCancelSignals();
bool IsCancelRequested();
// Those requests as the help text names them.
const char* CancelRequestsText();

// Whether standard error is a terminal, where a progress line can be redrawn.
bool StandardErrorIsTerminal();

// Columns of the terminal on standard error; 80 when it cannot tell.
int TerminalColumns();

// One line from standard input without its line end, read byte by byte so that
// nothing after it is consumed. Ends early, with what was read so far, at the
// end of input, on an error, or when a cancel is requested while it waits.
std::string ReadAnswerLine();
