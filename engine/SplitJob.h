// The engine's half of the Start command: everything after the front end has
// committed and validated its fields.
#pragma once

#include "SplitHost.h"
#include "SplitOptions.h"
#include "WaveStream.h"

#include <cstdint>
#include <string>
#include <vector>

enum class SplitOutcome {
    Refused,      // an error message was shown before or after the analysis; nothing written
    Cancelled,    // the user cancelled the analysis or the writing
    NothingFound, // no split point; the "Nothing to do" message was shown
    Declined,     // the user answered the report with anything but OK
    Written,      // every segment file was written
    WriteFailed,  // writing stopped on an error, which was shown
};

// Opens the input, makes the output folder the working directory, analyses,
// reports, asks, and writes. Every way out releases the reader, the buffers and
// the progress display (so the main window ends enabled).
SplitOutcome RunSplitJob(const SplitOptions& options, SplitHost& host);

// Opens the recording for reading; on failure shows Start's message for it. A
// recording whose header and length disagree opens with a notice that says so.
bool OpenRecordingOrExplain(WaveStream& reader, const std::string& inputPath, SplitHost& host);

// The analysis window of the open recording in frames; 0, after showing why,
// when the silence length spans no whole frame at its sample rate.
std::uint64_t AnalysisWindowOrExplain(const WaveStream& reader, std::uint32_t silenceLengthMs,
                                      SplitHost& host);
