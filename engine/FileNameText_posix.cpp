#include "TrackNaming.h"

#include <algorithm>

// A POSIX file name holds any byte but '/' and NUL. Backslashes and control
// characters are replaced too: names must read the same on every platform the
// files may be copied to, and a line break in a name breaks scripts and lists.
std::string FileNameSafeText(std::string_view name) {
    std::string safe(name);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '/' || c == '\\' || byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    return safe;
}

// Case-sensitive file systems are the rule here, but the files may be copied to a
// card or a share that is not: names that differ only in ASCII case count as one.
std::string FoldedFileName(const std::string& name) {
    std::string folded = name;
    std::transform(folded.begin(), folded.end(), folded.begin(), [](char c) {
        return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return folded;
}
