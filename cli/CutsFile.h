// The tracks of --cuts: the label file read and checked against the recording
// before anything is written.
#pragma once

#include "CutList.h"

#include <string>
#include <vector>

// Reads the label file at cutsPath and checks its tracks against the recording
// at inputPath (when it can be opened; otherwise the split reports why). False,
// after printing the file, the line and the reason on standard error.
bool ReadCutsOrExplain(const std::string& cutsPath, const std::string& inputPath,
                       std::vector<LabelTrack>& tracks);
