// The level of every analysis window of a recording, measured once: per channel
// the lowest and highest value and the mean magnitude, on the values the analysis
// judges (8-bit samples as their byte value, wider ones reduced to 16 bits).
// Windows (fixed blocks) are counted from frame 0; the last may be partial.
#pragma once

#include "SplitOptions.h"
#include "SplitPlan.h"
#include "WaveStream.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

struct WindowLevel {
    std::int16_t low[2] = {0, 0}; // a mono recording's channel 2 holds silence
    std::int16_t high[2] = {0, 0};
    std::uint32_t mean[2] = {0, 0}; // sum of magnitudes / frames, as the analysis
    std::uint64_t sum[2] = {0, 0};  // sum of magnitudes
    std::uint32_t frames = 0;       // the window length, or less for a last, partial one
};

struct LevelTable {
    std::uint32_t windowFrames = 0;
    std::int16_t silenceSample = 0;
    bool stereo = false;
    std::vector<WindowLevel> windows;

    // What each method compares with the threshold: the larger channel mean (the
    // average method's split scan) and the loudest sample's magnitude (the maximum method).
    std::uint32_t MeanOf(std::size_t window) const;
    std::uint32_t PeakOf(std::size_t window) const;
    std::uint32_t PeakOf(std::size_t window, int channel) const;
};

// The most windows a table holds (about 40 bytes each): a long recording judged
// in very short windows is analysed by reading instead of taking gigabytes.
inline constexpr std::uint64_t kMaxLevelWindows = std::uint64_t{1} << 23;

// Reads the whole recording once, from frame 0; false when a read fails, memory
// runs out, the table would hold more than kMaxLevelWindows windows or `stop`
// becomes true. Leaves the reader's position anywhere.
bool MeasureLevels(WaveStream& reader, std::uint32_t windowFrames, const std::atomic<bool>& stop,
                   LevelTable& table);

// The block length of a table measured for analysis windows of `windowFrames`:
// about an eighth of a window, and always a whole fraction of it, so that whole
// windows counted from frame 0 are whole runs of blocks (CombinedLevels). With
// `frameCount`, longer blocks (still a whole fraction, at most the window)
// where shorter ones would make more than kMaxLevelWindows of them.
std::uint32_t LevelBlockFrames(std::uint32_t windowFrames, std::uint32_t frameCount = 0);

// The table of windows `factor` blocks long, counted from frame 0, made from a
// table of blocks: the same values a measure with windows that long gives.
LevelTable CombinedLevels(const LevelTable& blocks, std::uint32_t factor);

// A plan from the table, equal to a fresh analysis of the recording with
// `options`: windows the table's blocks decide are judged without reading; the
// others (where a window's edges cut blocks the table cannot settle) are read
// exactly from `reader`, the recording the table was measured from. Adds the
// frames read to `framesRead`. No value when a read fails.
std::optional<SplitPlan> PlanFromLevels(const LevelTable& table, WaveStream& reader,
                                        const SplitOptions& options, std::uint64_t& framesRead);
