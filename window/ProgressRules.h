// What every desktop progress window shows and keeps, apart from drawing: the
// percentage in its caption, the engine's 64-bit positions on a bar that counts
// in int, and where its position is stored.
#pragma once

#include <cstdint>

// The section and entries that keep the window's top-left corner.
inline constexpr const char* kProgressSettingsSection = "Settings";
inline constexpr const char* kProgressSettingsX = "X";
inline constexpr const char* kProgressSettingsY = "Y";

// (pos - lower) / (upper - lower) x 100, truncated toward zero; 0 when the range
// is empty. Above 100 past the upper bound; kept inside int however far out.
int ProgressPercentage(std::int64_t lower, std::int64_t upper, std::int64_t pos);

// The range and value for a bar of 0..range in int: long ranges are divided by
// a whole factor; the value is clamped into the range. An empty range is 0..1 at 0.
struct BarPosition {
    int range;
    int value;
};
BarPosition ProgressBarPosition(std::int64_t lower, std::int64_t upper, std::int64_t pos);
