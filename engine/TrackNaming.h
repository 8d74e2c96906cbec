// What a track is called: its file name (from the prefix and a running number,
// or from a pattern with its title), its number and its tags. Every front end
// and the label and cue sheets take names from here, so a file is always called
// the same wherever it is named.
#pragma once

#include "OptionRules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The first track number: side B of an album continues where side A stopped.
inline constexpr NumberRule kFirstNumberRule{1, 99999, 1};

// Used for the file names when titles are given and no pattern is.
inline constexpr std::string_view kTitledNamePattern = "{nn} {title}";

struct TrackNaming {
    std::uint32_t firstNumber = kFirstNumberRule.defaultValue;
    // {n}, {nn}, {title}, {artist}, {album}; empty: the prefix and the number, or
    // kTitledNamePattern when there are titles.
    std::string namePattern;
    std::vector<std::string> titles;     // one per track, or none
    std::vector<std::string> performers; // one per track, or none: the artist of each
    std::string artist;
    std::string album;
    std::string date;
    std::string genre;
    std::string comment;
};

// The number written for the track at `position` (1 for the first file).
std::uint32_t TrackNumber(const TrackNaming& naming, std::uint32_t position);

// The title and artist of the track at `position` (1-based); empty when none.
std::string TrackTitle(const TrackNaming& naming, std::uint32_t position);
std::string TrackArtist(const TrackNaming& naming, std::uint32_t position);

// The file name (no folder) of the track at `position` of `count`. Without a
// pattern or titles: the prefix and the number zero-padded to the digits of the
// largest number written, then ".wav". {nn} pads to at least two digits. A
// character the platform's file names cannot hold is replaced by '_'.
std::string TrackFileName(const std::string& prefix, const TrackNaming& naming,
                          std::uint32_t position, std::uint32_t count);

// Why `pattern` cannot name files (an unknown or unclosed field), or no value.
std::optional<std::string> NamePatternProblem(std::string_view pattern);

// Why the `count` tracks cannot be written with these names, as a sentence for
// the user: more or fewer titles than tracks, a name that is empty or too long,
// or two names that differ only in letter case. No value when they can.
std::optional<std::string> TrackNamesProblem(const std::string& prefix, const TrackNaming& naming,
                                             std::uint32_t count);

// `name` with every character the platform's file names cannot hold replaced by
// '_' (and on Windows a device's name made an ordinary one).
std::string FileNameSafeText(std::string_view name);

// The platform's own upper-casing of a file name where it has one (Windows, for
// every script); the name as it is elsewhere. Names are compared after this and
// after the case-blind disks' folding, which every platform shares.
std::string FoldedFileName(const std::string& name);
