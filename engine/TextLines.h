// The lines of the small text files the program reads and checks (label files,
// titles, cue sheets), split one way for all of them.
#pragma once

#include <string_view>
#include <vector>

// The lines of text, split at '\n', each without the '\r' of a CRLF line end; a
// line break at the end ends the last line rather than starting an empty one.
// The views point into text.
std::vector<std::string_view> TextLines(std::string_view text);
