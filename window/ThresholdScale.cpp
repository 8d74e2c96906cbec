#include "ThresholdScale.h"

#include "OptionRules.h"

int ThresholdPositionForText(std::string_view thresholdText) {
    const double value = ThresholdTextNumber(thresholdText);
    // Clamp before converting: a huge, infinite or NaN value must not reach the
    // float and int conversions, whose results would be undefined.
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= static_cast<double>(kThresholdScaleMaximum)) {
        return kThresholdSteps;
    }
    const auto stored = static_cast<float>(value);
    const double position =
        static_cast<double>(stored) / static_cast<double>(kThresholdScaleMaximum) * kThresholdSteps;
    const int truncated = static_cast<int>(position);
    return truncated > kThresholdSteps ? kThresholdSteps : truncated;
}

std::string ThresholdMaximumLabel() {
    return FormatFixedPoint(static_cast<double>(kThresholdScaleMaximum), 0) + " %";
}
