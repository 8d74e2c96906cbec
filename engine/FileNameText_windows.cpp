#include "TrackNaming.h"

#include "WidePaths_windows.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>

namespace {

constexpr std::string_view kForbidden = "<>:\"/\\|?*";

// Names the system keeps for devices, whatever their extension.
constexpr std::array<std::string_view, 22> kDeviceNames = {
    "CON",  "PRN",  "AUX",  "NUL",  "COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7",
    "COM8", "COM9", "LPT1", "LPT2", "LPT3", "LPT4", "LPT5", "LPT6", "LPT7", "LPT8", "LPT9"};

bool IsDeviceName(std::string_view stem) {
    std::string upper(stem.substr(0, stem.find('.')));
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return std::find(kDeviceNames.begin(), kDeviceNames.end(), upper) != kDeviceNames.end();
}

} // namespace

// Windows refuses its reserved characters and control characters in a name,
// and a device's name opens the device whatever extension follows.
std::string FileNameSafeText(std::string_view name) {
    std::string safe(name);
    for (char& c : safe) {
        const auto byte = static_cast<unsigned char>(c);
        if (kForbidden.find(c) != std::string_view::npos || byte < 0x20 || byte == 0x7F) {
            c = '_';
        }
    }
    if (IsDeviceName(safe)) {
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
