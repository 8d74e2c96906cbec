#include "SplitQuantities.h"

#include <cmath>

std::uint64_t FramesForMilliseconds(std::uint32_t sampleRate, std::uint32_t milliseconds) {
    return static_cast<std::uint64_t>(sampleRate) * milliseconds / 1000U;
}

std::int16_t SilenceSampleFor(std::uint16_t bitsPerSample) {
    return bitsPerSample == 8 ? 128 : 0;
}

std::uint16_t AmplitudeThreshold(std::string_view thresholdText, std::uint16_t bitsPerSample) {
    const float fraction =
        static_cast<float>(ParseLeadingNumber(ThresholdNumberText(thresholdText)) * 0.01);
    const float scaled = std::ldexp(fraction, bitsPerSample + 1);
    if (!std::isfinite(scaled)) {
        return 0;
    }
    // Truncate, then keep the low 16 bits as a two's-complement wrap would, without
    // the undefined conversion of an out-of-range float.
    double wrapped = std::fmod(std::trunc(static_cast<double>(scaled)), 65536.0);
    if (wrapped < 0) {
        wrapped += 65536.0;
    }
    return static_cast<std::uint16_t>(wrapped);
}
