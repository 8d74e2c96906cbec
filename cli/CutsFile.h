// The tracks of --cuts: the label file read and checked against the recording
// before anything is written.
#pragma once

#include "CutList.h"

#include <string>

// Reads the label file at cutsPath and turns its tracks into the cuts of the
// recording at inputPath (when it cannot be opened, the cuts stay empty and the
// split reports why). False, after printing the file, the line and the reason on
// standard error.
bool ReadCutsOrExplain(const std::string& cutsPath, const std::string& inputPath, GivenCuts& cuts);
