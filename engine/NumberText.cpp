#include "NumberText.h"

#include <array>
#include <charconv>
#include <cmath>

double ParseLeadingNumber(std::string_view text) {
    std::size_t at = 0;
    // atof skips the C locale's white space first.
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) {
        ++at;
    }
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
        negative = text[at] == '-';
        ++at;
    }
    // from_chars never consults the locale, unlike atof and strtod.
    double value = 0.0;
    const char* first = text.data() + at;
    const char* last = text.data() + text.size();
    if (first == last || *first == '-' || *first == '+') {
        return 0.0; // atof takes one sign at most: "--5" is no number
    }
    auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
    if (error == std::errc::result_out_of_range) {
        // Like atof: overflow gives infinity, underflow zero.
        bool tooSmall = false;
        for (const char* p = first; p != end; ++p) {
            if (*p == 'e' || *p == 'E') {
                tooSmall = p + 1 != end && p[1] == '-';
                break;
            }
        }
        value = tooSmall ? 0.0 : HUGE_VAL;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -value : value;
}

std::string FormatFixedPoint(double value, int precision) {
    std::array<char, 64> buffer{};
    auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, precision);
    if (error != std::errc()) {
        return "0";
    }
    return std::string(buffer.data(), end);
}
