// What the desktop threshold trackbar shows besides the shared scale (the scale
// itself, its texts and the text-to-position rule are the engine's option rules).
#pragma once

#include "OptionRules.h"

#include <string>

// The label at the right end of the scale: "5 %".
std::string ThresholdMaximumLabel();
