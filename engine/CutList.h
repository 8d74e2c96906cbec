// Cut points the user decided: a label file ("start<TAB>end<TAB>name" per track,
// seconds with a decimal point, as this program writes it and audio editors
// import and export it) read into tracks, and the plan the writer cuts from them.
#pragma once

#include "GivenCuts.h"
#include "SplitPlan.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct LabelTrack {
    double startSeconds = 0;
    double endSeconds = 0;
    std::size_t line = 0; // 1-based line of the label file
};

// Why a label file cannot be used: the line (1-based; 0 for the file as a whole)
// and the reason in words.
struct CutListProblem {
    std::size_t line = 0;
    std::string reason;
};

// Reads the tracks of a label file. Blank lines and an editor's frequency lines
// (starting with a backslash) are skipped; the name, if any, is not needed.
// False, with the problem, when a time is unreadable, a track ends before it
// starts, the tracks are not in order, or a track overlaps the one before.
bool ReadLabelTracks(std::string_view text, std::vector<LabelTrack>& tracks,
                     CutListProblem& problem);

// The cuts of the tracks: every track starts exactly at its start (the first
// start is the lead trim), the last ends at its end (the tail end), times taken to
// the nearest frame, so the times of a label file written from a plan give back
// that plan's frames. A track holds the audio up to the next track's start.
// False, with the problem, when no track is given or a time lies past the
// recording's end.
bool GivenCutsFromTracks(const std::vector<LabelTrack>& tracks, std::uint32_t frameCount,
                         std::uint32_t sampleRate, GivenCuts& cuts, CutListProblem& problem);

// The plan for cut points given as frames: split points strictly ascending, above
// leadTrimFrame and below the tail end (or frameCount when tailEndFrame is 0). The
// segment statistics are those the analysis keeps. False when the points are not so.
bool PlanFromCutPoints(std::vector<std::uint32_t> splitPoints, std::uint32_t leadTrimFrame,
                       std::uint32_t tailEndFrame, std::uint32_t frameCount,
                       std::uint32_t windowFrames, std::int16_t silenceSample, SplitPlan& plan);
