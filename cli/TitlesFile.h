// A list of track titles, one a line, in a UTF-8 text file.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The titles of `text`: one per line, a byte-order mark, CR line ends, blanks
// around each title and a last line ending dropped; an empty line is a track
// without a title. No value when the text is not UTF-8.
std::optional<std::vector<std::string>> TitlesFromText(std::string text);

// The text of the file at `path` (UTF-8), or no value when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);
