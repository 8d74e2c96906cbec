// The planned cuts as a label file that audio editors import: one line per
// output file, "start<TAB>end<TAB>name", in seconds of the input's time line.
#pragma once

#include "SplitPlan.h"
#include "TrackNaming.h"

#include <cstdint>
#include <string>

// The text of the label file: for every file the writer will create, the input
// frames it holds (window-aligned ends included, appended silence not counted)
// as seconds with six decimals, and its title, or without one its name without ".wav".
std::string FormatLabels(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                         const std::string& fileNamePrefix, const TrackNaming& naming);

// Writes the labels to path (replacing it) through a temporary file; false, with
// nothing left behind and path unchanged, when the file cannot be written.
bool WriteLabelFile(const std::string& path, const std::string& labels);
