#include "CThresholdSlider.h"

#include <array>
#include <charconv>
#include <cmath>
#include <system_error>

CThresholdSlider::CThresholdSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setRange(0, kSteps);
    setTickInterval(kTickInterval);
    setTickPosition(QSlider::TicksBelow);
}

CThresholdSlider::~CThresholdSlider() = default;

namespace {

// printf's "%.<precision>f" without the C locale: to_chars always writes '.'.
std::string FormatFixed(double value, int precision) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    if (error != std::errc()) {
        return "0";
    }
    return std::string(buffer.data(), end);
}

// The leading decimal number of text as the C library's atof reads it (leading
// blanks, an optional sign, digits, point, exponent), or 0 when there is none.
double LeadingNumber(std::string_view text) {
    std::size_t start = 0;
    while (start < text.size() &&
           (text[start] == ' ' || (text[start] >= '\t' && text[start] <= '\r'))) {
        ++start;
    }
    bool negative = false;
    if (start < text.size() && (text[start] == '+' || text[start] == '-')) {
        negative = text[start] == '-';
        ++start;
    }
    double value = 0.0;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first == last || *first == '-' || *first == '+') {
        return 0.0;
    }
    auto [ptr, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Too large for a double; anything that large is beyond the scale anyway.
        value = HUGE_VAL;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

} // namespace

std::string CThresholdSlider::PositionToText(int position) {
    double percent = static_cast<double>(position) * static_cast<double>(kScaleMaximum) *
                     static_cast<double>(kStepFactor);
    return FormatFixed(percent, 2) + " %";
}

int CThresholdSlider::TextToPosition(std::string_view text) {
    std::string_view number =
        text.size() > 2 ? text.substr(0, text.size() - 2) : std::string_view();
    double value = LeadingNumber(number);
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
    return FormatFixed(static_cast<double>(kScaleMaximum), 0) + " %";
}
