#include "ThresholdScale.h"

#include "SplitQuantities.h"

std::string ThresholdMaximumLabel() {
    return FormatFixedPoint(static_cast<double>(kThresholdScaleMaximum), 0) + " %";
}
