// The platform's 64-bit positioning of C streams (one implementation file per
// platform, chosen by the build).
#pragma once

#include <cstdint>
#include <cstdio>

namespace file_access {

// 0 on success; a negative offset fails.
int SeekAbsolute(std::FILE* file, std::int64_t offset);
// The stream's position, or -1.
std::int64_t TellPosition(std::FILE* file);

} // namespace file_access
