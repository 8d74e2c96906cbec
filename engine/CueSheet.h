// Cue sheets in and out. Read: the album's TITLE and PERFORMER, each TRACK's, the
// REM DATE, GENRE and COMMENT lines, and each track's INDEX 01 time as its start
// (in a sheet of one FILE: a sheet of several files gives the names only).
// Written: a sheet for the original recording, with a track at every cut, that
// reads back to the same files (each track also names its exact first frame in a
// REM line, since 1/75 s is coarser than a sample).
#pragma once

#include "GivenCuts.h"
#include "SplitPlan.h"
#include "TrackNaming.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CueSheet {
    TrackNaming naming; // album, artist, date, genre, comment, titles, performers,
                        // and the first TRACK number as the first number
    GivenCuts cuts;     // starts only when every track has an INDEX 01
};

// The sheet of `text` (UTF-8); no value, with the reason in `problem`, when it is
// not UTF-8, has no track, or has a line it cannot read.
std::optional<CueSheet> ParseCueSheet(std::string text, std::string& problem);

// The sheet for the files the writer cuts from `plan`: FILE names `audioFile`.
std::string FormatCueSheet(const SplitPlan& plan, std::uint32_t frameCount,
                           std::uint32_t sampleRate, const std::string& audioFile,
                           const TrackNaming& naming);

// How the sheet at `sheetFile` names `audioFile` on its FILE line: relative to
// the sheet's folder where it can be (the two move together), else as given.
std::string CueSheetAudioPath(const std::string& audioFile, const std::string& sheetFile);

// The name of the sheet written beside the tracks: the album's, else the
// prefix's (else the default prefix's), made fit for a file name, with ".cue".
std::string TrackFilesCueSheetName(const std::string& prefix, const TrackNaming& naming);
