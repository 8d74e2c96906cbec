// The option values a front end hands to the splitting engine at every Start.
#pragma once

#include "GivenCuts.h"
#include "OptionRules.h"
#include "TrackNaming.h"

#include <cstdint>
#include <string>

struct SplitOptions {
    std::string inputPath;
    std::string outputFolder;
    std::string fileNamePrefix{kDefaultFileNamePrefix};
    // A number, a blank and a percent sign, such as "0.20 %"; the engine parses it.
    std::string thresholdText{kDefaultThresholdText};
    std::uint32_t silenceLengthMs = kSilenceLengthMsRule.defaultValue;
    std::uint32_t minTrackLengthSec = kMinTrackLengthSecRule.defaultValue;
    std::uint32_t appendSilenceMs = kAppendSilenceMsRule.defaultValue;
    bool trimSilence = kDefaultTrimSilence;
    bool useAverageMethod = kDefaultUseAverageMethod;
    // Once every track is written, a cue sheet of them goes beside them in the
    // output folder (named by TrackFilesCueSheetName).
    bool writeCueSheet = false;
    // Numbers, titles, tags and the name pattern; the defaults keep the plain names.
    TrackNaming naming;
    // Track starts given instead of found: with any, the recording is not analysed.
    GivenCuts givenCuts;
    // "The recording has N tracks": cut at the N - 1 pauses that best separate it,
    // whatever the threshold; 0 lets the threshold decide.
    std::uint32_t trackCount = 0;
};
