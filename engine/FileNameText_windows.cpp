#include "TrackNaming.h"

#include "OptionRules.h"

#include "WidePaths_windows.h"

#include <windows.h>

// Windows refuses its reserved characters and control characters in a name,
// and a device's name opens the device whatever extension follows.
std::string FileNameSafeText(std::string_view name) {
    std::string safe(name);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (kWindowsReservedCharacters.find(c) != std::string_view::npos || c == '/' || c == '\\' ||
            byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    if (IsWindowsDeviceName(std::string_view(safe).substr(0, safe.find('.')))) {
        safe.insert(0, 1, '_');
    }
    return safe;
}

// The system's own upper-casing, which NTFS's name comparison follows closely:
// "Été" and "ÉTÉ" are one file there.
std::string FoldedFileName(const std::string& name) {
    std::wstring wide = WideFromUtf8(name);
    if (wide.empty()) {
        return name;
    }
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return Utf8FromWide(wide);
}
