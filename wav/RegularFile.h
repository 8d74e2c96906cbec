// Opening files as C streams only when they are regular files. A FIFO, a device
// or a directory is refused at once, without waiting for a peer to open its other
// end, so no open can block. One implementation per platform.
#pragma once

#include <cstdio>

enum class RegularFileMode {
    Read,      // an existing regular file
    Replace,   // a regular file, created or truncated
    CreateNew, // a file that must not exist yet (never follows or reuses a name)
};

enum class RegularFileProblem { None, Missing, CannotOpen, NotRegularFile };

// The stream in binary mode, or null with the reason in problem.
std::FILE* OpenRegularFile(const char* path, RegularFileMode mode, RegularFileProblem& problem);
