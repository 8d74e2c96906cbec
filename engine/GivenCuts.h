// Cuts given by the user (a cue sheet's track starts) instead of found by the
// analysis: the files then begin exactly where the tracks do.
#pragma once

#include "SplitPlan.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Cue sheet times count frames of 1/75 s.
inline constexpr std::uint32_t kCdFramesPerSecond = 75;

struct TrackStart {
    std::uint64_t cdFrames = 0;   // the INDEX 01 time, in 1/75 s
    std::int64_t exactFrame = -1; // the sample frame when the sheet names it, else -1
};

struct GivenCuts {
    std::vector<TrackStart> starts; // one per track, ascending; empty: analyse
    std::int64_t endFrame = -1;     // where the last track ends, when not at the end
};

// The sample frame of a track start: the exact one when it lies within the time,
// otherwise the time at the rate, rounded down.
std::uint64_t FrameOfStart(const TrackStart& start, std::uint32_t sampleRate);

// The time of a frame in 1/75 s, rounded down.
std::uint64_t CdFramesOfFrame(std::uint64_t frame, std::uint32_t sampleRate);

// The plan that cuts exactly at the given starts: frames before the first start
// and from the end frame on are in no file. The problem, as a sentence for the
// user, when the starts do not fit the recording (not ascending, or past its end).
std::optional<std::string> PlanFromGivenCuts(const GivenCuts& cuts, std::uint32_t frameCount,
                                             std::uint32_t sampleRate, std::int16_t silenceSample,
                                             SplitPlan& plan);
