// The quantities the analysis and the writer derive from the options and the
// recording's format, as small pure functions.
#pragma once

#include "NumberText.h"
#include "OptionRules.h" // the threshold scale and its texts

#include <cstdint>
#include <string>
#include <string_view>

// Frames in `milliseconds` at `sampleRate`, rounded down: the analysis window
// length and the appended-silence length. 64-bit so no rate or length wraps.
std::uint64_t FramesForMilliseconds(std::uint32_t sampleRate, std::uint32_t milliseconds);

// The sample value of silence in the input format: 128 for 8-bit, 0 for 16-bit.
std::int16_t SilenceSampleFor(std::uint16_t bitsPerSample);

// The amplitude threshold T for a threshold text such as "0.20 %": its number
// (ThresholdNumberText) is the percentage; the fraction is rounded to
// single precision, scaled by 2^(bits + 1), truncated and reduced to 16 bits.
std::uint16_t AmplitudeThreshold(std::string_view thresholdText, std::uint16_t bitsPerSample);
