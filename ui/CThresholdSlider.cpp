#include "CThresholdSlider.h"

#include "SplitQuantities.h"

CThresholdSlider::CThresholdSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kSteps);
    setTickInterval(kTickInterval);
    setTickPosition(QSlider::TicksBelow);
}

CThresholdSlider::~CThresholdSlider() = default;

std::string CThresholdSlider::PositionToText(int position) {
    return ThresholdTextForPosition(position);
}

int CThresholdSlider::TextToPosition(std::string_view text) {
    std::string_view number =
        text.size() > 2 ? text.substr(0, text.size() - 2) : std::string_view();
    double value = ParseLeadingNumber(number);
    // Clamp before converting: a huge, infinite or NaN value must not reach the
    // float and int conversions, whose results would be undefined.
    if (!(value > 0.0)) {
        return 0;
    }
    if (value >= static_cast<double>(kScaleMaximum)) {
        return kSteps;
    }
    float stored = static_cast<float>(value);
    double position = static_cast<double>(stored) / static_cast<double>(kScaleMaximum) * kSteps;
    int truncated = static_cast<int>(position);
    return truncated > kSteps ? kSteps : truncated;
}

std::string CThresholdSlider::MaximumLabelText() {
    return FormatFixedPoint(static_cast<double>(kScaleMaximum), 0) + " %";
}
