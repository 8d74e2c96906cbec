// The option values a front end hands to the splitting engine at every Start.
#pragma once

#include <cstdint>
#include <string>

struct SplitOptions {
    // Limits and ranges the front ends enforce before they call the engine.
    static constexpr std::size_t kMaxPathChars = 250;
    static constexpr std::size_t kMaxPrefixChars = 100;
    static constexpr std::uint32_t kMinSilenceLengthMs = 1;
    static constexpr std::uint32_t kMaxSilenceLengthMs = 5000;
    static constexpr std::uint32_t kMinTrackLengthSec = 1;
    static constexpr std::uint32_t kMaxTrackLengthSec = 3600;
    static constexpr std::uint32_t kMaxAppendSilenceMs = 5000;

    std::string inputPath;
    std::string outputFolder;
    std::string fileNamePrefix = "Track";
    // A number, a blank and a percent sign, such as "0.20 %"; the engine parses it.
    std::string thresholdText = "0.20 %";
    std::uint32_t silenceLengthMs = 500;
    std::uint32_t minTrackLengthSec = 30;
    std::uint32_t appendSilenceMs = 0;
    bool trimSilence = false;
    bool useAverageMethod = false;
};
