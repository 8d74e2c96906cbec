// "This side has N tracks": the cuts at the N-1 pauses that best separate the
// recording, whatever the threshold.
#pragma once

#include "LevelTable.h"
#include "SplitPlan.h"

#include <cstdint>

struct TracksByCountResult {
    SplitPlan plan;
    std::uint32_t pausesFound = 0; // below trackCount - 1 when the recording has fewer
};

// Pauses are runs of whole windows quieter than a level, with sound on both
// sides; the level is the lowest at which trackCount - 1 pauses can be cut (or
// the one that allows the most), and never above a quarter of the median
// window's level. The longest pauses are taken first, the quieter of
// two as long; a pause whose cut would leave a track shorter than minTrackFrames
// is passed over. A cut is the first frame of the window after the pause, as
// the analysis cuts. With trimSilence, the stretches quieter than that level
// before the first and after the last track are trimmed. `useAverageMethod`
// judges windows by their mean, otherwise by their loudest sample.
TracksByCountResult TracksByCount(const LevelTable& table, std::uint32_t frameCount,
                                  std::uint32_t trackCount, std::uint64_t minTrackFrames,
                                  bool useAverageMethod, bool trimSilence);
