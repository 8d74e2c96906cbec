#include "TrackNaming.h"

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

// The shared folding of case-blind disks does it all here.
std::string FoldedFileName(const std::string& name) {
    return name;
}
