// Finds where a recording is cut: the lead trim, the split points and the tail
// end, judged window by window against the amplitude threshold; and the text
// that summarises the result for the user.
#pragma once

#include "SplitHost.h"
#include "SplitOptions.h"
#include "SplitPlan.h"
#include "WaveStream.h"

#include <cstdint>
#include <span>
#include <string>

// How the scans judge one window of frames.
struct WindowJudge {
    std::uint16_t threshold = 0;    // T: a magnitude above it is loud
    std::int16_t silenceSample = 0; // the value whose magnitude is 0
    bool stereo = false;
    bool useAverageMethod = false;

    // Magnitude sums per channel over the window, divided by its length.
    struct Means {
        std::uint64_t channel1 = 0;
        std::uint64_t channel2 = 0;
    };
    Means MeansOf(std::span<const FrameSlot> window) const;

    // Both methods' view of a window in one pass: the larger channel mean (the
    // window is silent for the average method when it is below T) and the largest
    // magnitude of any examined sample (silent for the maximum method when not above T).
    struct Levels {
        std::uint32_t mean = 0;
        std::uint32_t peak = 0;
    };
    Levels LevelsOf(std::span<const FrameSlot> window) const;
    bool IsLoud(const FrameSlot& frame) const;

    // Lead-in and tail scans ask "has sound"; the split scan asks "is silent".
    // For the average method the two are not complements.
    bool HasSound(std::span<const FrameSlot> window) const;
    bool IsSilent(std::span<const FrameSlot> window) const;
};

// Where the scans get their windows: the recording itself, or a table of its
// levels that reads only the windows it cannot judge. Positions are frames.
class WindowSource {
public:
    virtual ~WindowSource() = default;
    // As WaveStream::SeekToFrame: false when the frame is not below the frame count.
    virtual bool Seek(std::uint64_t frame) = 0;
    // The whole window from `at`, where the previous seek or read left off; false
    // at the end of the usable data (nothing is judged after it).
    virtual bool Read(std::uint64_t at) = 0;
    // The window last read, judged as WindowJudge judges its frames.
    virtual bool IsSilent() = 0;
    virtual bool HasSound() = 0;
    // Its frames; empty when they cannot be had.
    virtual std::span<const FrameSlot> Frames() = 0;
};

class SplitAnalyzer {
public:
    enum class Result { Complete, Cancelled };

    // Runs the lead-in scan (when trimming), the split scan and the tail scan
    // (when trimming) on `reader`, which must stand at frame 0. `frames` holds one
    // window (its size is the window length). `progress` must already show the
    // range 0 to the frame count. Fills `plan`; shows no message.
    static Result Analyze(const SplitOptions& options, WaveStream& reader,
                          ProgressDisplay& progress, std::span<FrameSlot> frames, SplitPlan& plan);

    // The same scans over windows from `source`, judged by `judge`.
    static Result AnalyzeWindows(const SplitOptions& options, WindowSource& source,
                                 const WindowJudge& judge, std::uint32_t frameCount,
                                 std::uint32_t sampleRate, std::uint32_t windowFrames,
                                 ProgressDisplay& progress, SplitPlan& plan);

    // How the analysis judges windows of `reader` with `options`.
    static WindowJudge JudgeFor(const SplitOptions& options, const WaveStream& reader);

    // The "Results of analysis" text for a plan with at least one split point.
    static std::string FormatReport(const SplitPlan& plan, std::uint32_t frameCount,
                                    std::uint32_t sampleRate);
};
