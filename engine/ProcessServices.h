// The process services of the platform: working directory, priority, clock.
// One implementation for POSIX and one for Windows, chosen at compile time.
#pragma once

#include <cstdint>
#include <string>

namespace process {

// Makes folder the process's working directory; false when it cannot.
bool ChangeDirectory(const std::string& folder);
// The full path of the working directory; empty when it cannot be read.
std::string CurrentDirectory();
// Idle priority for the thread that writes segment files, normal again
// afterwards; where the priority could not be raised again it is left alone.
void SetIdlePriority();
void SetNormalPriority();
// Calendar time in whole seconds.
std::int64_t NowSeconds();

} // namespace process
