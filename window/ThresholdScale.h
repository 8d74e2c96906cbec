// The desktop threshold trackbar's scale: position p of 0..kThresholdSteps
// stands for p/60 percent, from 0 % to 5 %, with a tick at every percent.
#pragma once

#include "SplitQuantities.h"

#include <string>
#include <string_view>

// One tick per percent.
inline constexpr int kThresholdTickInterval =
    kThresholdSteps / static_cast<int>(kThresholdScaleMaximum);

// Where a stored threshold text opens the trackbar: its number as a float,
// × 300 / 5, truncated and clamped into 0..300. "0.35 %" opens at 20, not 21;
// the text itself is kept until the trackbar moves.
int ThresholdPositionForText(std::string_view thresholdText);

// The label at the right end of the scale: "5 %".
std::string ThresholdMaximumLabel();
