// The options the desktop program keeps between runs: one declaration of each
// stored value (its entry name and which option it holds; its default is the
// option's own), read and written by walking that declaration.
#pragma once

#include "SettingsStore.h"
#include "SplitOptions.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <variant>

// One stored option, of the options or of their track naming. Flags and numbers
// are stored as 32-bit numbers, texts as text.
struct OptionSetting {
    const char* entry;
    std::variant<bool SplitOptions::*, std::uint32_t SplitOptions::*, std::string SplitOptions::*,
                 std::uint32_t TrackNaming::*, std::string TrackNaming::*>
        option;
};

inline constexpr const char* kOptionsSection = "Options";
// The folder the file dialog and the folder picker last showed a choice in.
inline constexpr const char* kFoldersSection = "Folders";
inline constexpr const char* kLastFolderEntry = "LastFolder";

// The stored options, in the order they are written.
std::span<const OptionSetting> OptionSettings();

// The options exactly as stored (a number as its 32 bits, so -1 reads as
// 4294967295), each one missing (or not of its kind) as its default; the paths
// are never stored and stay as `options` has them.
void ReadStoredOptions(SettingsStore& store, SplitOptions& options);

// The options to show: as stored, but a value its rule refuses (a number
// outside its range, a prefix the checks refuse, a tag that is not UTF-8) as its default, so that a
// hand-edited store opens without a warning and Close writes what is shown.
void LoadOptionSettings(SettingsStore& store, SplitOptions& options);

// Writes, in one go, each stored option that differs from `loaded` or is not
// stored yet: a value the user left alone stays exactly as it was written, even
// where it reads as something else. A flag is written as 1 or 0.
bool SaveOptionSettings(SettingsStore& store, const SplitOptions& options,
                        const SplitOptions& loaded);

// A resizable window's size, kept beside the progress window's position: the
// entries are the window's name followed by "Width" and "Height".
inline constexpr const char* kWindowSizeSection = "Settings";
inline constexpr const char* kReviewWindowName = "Review";
struct WindowSize {
    std::int32_t width = 0;
    std::int32_t height = 0;
};
// No value unless both are stored and positive (a hand-edited store opens at
// the default size).
std::optional<WindowSize> ReadWindowSize(SettingsStore& store, const std::string& window);
bool SaveWindowSize(SettingsStore& store, const std::string& window, WindowSize size);
