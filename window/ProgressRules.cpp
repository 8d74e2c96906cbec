#include "ProgressRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

int ProgressPercentage(std::int64_t lower, std::int64_t upper, std::int64_t pos) {
    if (upper <= lower) {
        return 0;
    }
    const double done = (static_cast<double>(pos) - static_cast<double>(lower)) /
                        (static_cast<double>(upper) - static_cast<double>(lower)) * 100.0;
    return static_cast<int>(std::clamp(std::trunc(done), -1e9, 1e9));
}

BarPosition ProgressBarPosition(std::int64_t lower, std::int64_t upper, std::int64_t pos) {
    if (upper <= lower) {
        return {1, 0}; // an empty range would make some bars a busy indicator
    }
    const auto span = static_cast<std::uint64_t>(upper) - static_cast<std::uint64_t>(lower);
    const std::uint64_t scale = span / std::numeric_limits<int>::max() + 1;
    const std::int64_t clamped = std::clamp(pos, lower, upper);
    const std::uint64_t done =
        static_cast<std::uint64_t>(clamped) - static_cast<std::uint64_t>(lower);
    return {static_cast<int>(span / scale), static_cast<int>(done / scale)};
}
