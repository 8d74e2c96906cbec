// Rules on option values that both front ends apply before anything is opened.
#pragma once

#include <optional>
#include <string>

// Why `prefix` (UTF-8) cannot begin the output file names, as a sentence for the
// user; no value when it is fine. A prefix must stay inside the output folder
// (no path separator of either kind), hold no control character, be valid UTF-8
// of at most SplitOptions::kMaxPrefixChars characters, and leave room for the
// longest number and ".wav" in a file name of the file system's 255 bytes.
std::optional<std::string> PrefixProblem(const std::string& prefix);
