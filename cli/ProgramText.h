// The text a command-line program exchanges with its caller, as UTF-8: the
// arguments it is given and the output it prints. One implementation per
// platform, chosen by CMake; both programs use it.
#pragma once

#include <string>
#include <vector>

// The command line, the program's name first. On Windows it is read from the
// wide-character command line, so names outside the ANSI code page arrive intact
// (argv would hold '?' for them).
std::vector<std::string> ProgramArguments(int argc, char** argv);

// Makes standard output and error show UTF-8 text as such: on a Windows console
// the output code page is UTF-8 until the program ends. Text sent to a file or
// pipe is UTF-8 bytes everywhere.
void UseUtf8Output();
