// The planned cuts as a label file that audio editors import: one line per
// output file, "start<TAB>end<TAB>name", in seconds of the input's time line.
#pragma once

#include "OutputFiles.h"
#include "SplitPlan.h"
#include "TrackNaming.h"

#include <cstdint>
#include <string>
#include <vector>

// The text of the label file: for every file the writer will create, the input
// frames it holds (window-aligned ends included, appended silence not counted)
// as seconds with six decimals, and its title, or without one its name without ".wav".
std::string FormatLabels(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                         const std::string& fileNamePrefix, const TrackNaming& naming);

// Whether text is a label file: every line "start<TAB>end<TAB>name" with two
// numbers (an empty file is one). When not, why, in words for the user.
bool IsLabelText(const std::string& text, std::string& why);

// Whether text is a cue sheet: text whose lines each start with a cue command
// (REM, FILE, TRACK, INDEX, TITLE, PERFORMER and the others). When not, why.
bool IsCueSheetText(const std::string& text, std::string& why);

enum class LabelFileResult {
    Written,
    IsRecording, // the path is the recording (or a name its disk takes for it)
    IsTrack,     // the path is one of the planned WAV files
    NotLabelFile,
    Failed, // the file could not be written; path is unchanged
};

// Whether name in folder may be written now: Written when it may, otherwise why
// not (as WriteLabelFile would answer), without writing anything.
LabelFileResult CheckSideFile(const OutputFolder& folder, const std::string& name,
                              const RecordingWatch& recording, const OutputFolder& outputFolder,
                              const std::vector<std::string>& trackNames,
                              bool (*accepts)(const std::string&, std::string&), std::string& why);

// The sentence that says why a side file (`what`, such as "cue sheet", at `path`)
// was not written; `why` as WriteLabelFile or CheckSideFile gave it.
std::string SideFileFailureText(const char* what, const std::string& path, LabelFileResult result,
                                const std::string& why);

// Writes text (labels, or a cue sheet) as name in folder through a temporary
// file there. Never replaces the recording, one of trackNames in outputFolder,
// or an existing file that `accepts` refuses (why says why); looked at before
// writing and again right before the rename.
LabelFileResult WriteLabelFile(OutputFolder& folder, const std::string& name,
                               const std::string& labels, const RecordingWatch& recording,
                               const OutputFolder& outputFolder,
                               const std::vector<std::string>& trackNames,
                               bool (*accepts)(const std::string&, std::string&), std::string& why);

// A label file saved where the user chose (`path`, UTF-8), as WriteLabelFile
// writes one: never over the recording at `recordingPath`, one of trackNames in
// the folder at `outputFolderPath`, or a file that is no label file.
LabelFileResult SaveLabelFile(const std::string& path, const std::string& labels,
                              const std::string& recordingPath, const std::string& outputFolderPath,
                              const std::vector<std::string>& trackNames, std::string& why);
