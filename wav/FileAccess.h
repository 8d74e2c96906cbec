// The platform's opening and 64-bit positioning of C streams (one implementation file per
// platform, chosen by the build).
#pragma once

#include "WaveOpenFailure.h"

#include <cstdint>
#include <cstdio>

namespace file_access {

// 0 on success; a negative offset fails.
int SeekAbsolute(std::FILE* file, std::int64_t offset);
// The stream's position, or -1.
std::int64_t TellPosition(std::FILE* file);

// Opens `path` for binary reading when it is a regular file, without blocking on
// the way (a pipe or a device with no writer would otherwise hang the open).
// On failure null, and `why` says whether the file is missing or unreadable
// (CannotOpen) or something other than a regular file (NotRegularFile).
std::FILE* OpenRegularFileForReading(const char* path, WaveOpenFailure& why);

} // namespace file_access
