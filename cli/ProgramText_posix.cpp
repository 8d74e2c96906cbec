#include "ProgramText.h"

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv, argv + argc);
}

// Terminals take the bytes as they are.
void UseUtf8Output() {}
