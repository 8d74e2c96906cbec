// The option values a front end hands to the splitting engine at every Start.
#pragma once

#include "OptionRules.h"

#include <cstdint>
#include <string>

struct SplitOptions {
    // The limits under their earlier names, for callers not yet on OptionRules.h.
    static constexpr std::size_t kMaxPathChars = kMaxPathCharacters;
    static constexpr std::size_t kMaxPrefixChars = kMaxPrefixCharacters;
    static constexpr std::uint32_t kMinSilenceLengthMs = kSilenceLengthMsRule.minimum;
    static constexpr std::uint32_t kMaxSilenceLengthMs = kSilenceLengthMsRule.maximum;
    static constexpr std::uint32_t kMinTrackLengthSec = kMinTrackLengthSecRule.minimum;
    static constexpr std::uint32_t kMaxTrackLengthSec = kMinTrackLengthSecRule.maximum;
    static constexpr std::uint32_t kMaxAppendSilenceMs = kAppendSilenceMsRule.maximum;

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
};
