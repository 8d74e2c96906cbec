// What the terminal host needs from the operating system: the cancel signals,
// the terminal's width, and a line of answer read without taking more input than
// that line. Each platform has its own file, chosen by CMake.
#pragma once

#include <cstddef>
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

// The longest answer line read. A longer one is no answer: reading stops after
// kMaxAnswerBytes + 1 bytes and leaves the rest of that line unread.
inline constexpr std::size_t kMaxAnswerBytes = 1024;

// One line from standard input without its line end, read in blocks but never
// past the line end, so that what follows stays for whoever reads the input next
// (a script feeding several runs, a loop over a list). Ends early, with what was
// read so far, at the end of input, on an error, when a cancel is requested
// while it waits (whatever the input does meanwhile), or after kMaxAnswerBytes + 1
// bytes without a line end.
std::string ReadAnswerLine();
