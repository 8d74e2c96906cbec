#include "SplitAnalyzer.h"

#include "Messages.h"
#include "SplitQuantities.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

std::uint32_t Magnitude(std::int16_t value, std::int16_t silenceSample) {
    return static_cast<std::uint32_t>(std::abs(static_cast<int>(value) - silenceSample));
}

// Both levels of a window; one loop per channel count and no branch inside, so
// that the compiler can vectorise it. The loudest sample is the lowest or the
// highest value, whichever lies farther from silence, so the loop only tracks
// those two per channel; sums run in 32 bits over blocks short enough not to wrap.
template <bool Stereo>
WindowJudge::Levels LevelsOfFrames(std::span<const FrameSlot> window, std::int16_t silenceSample) {
    WindowJudge::Levels levels;
    if (window.empty()) {
        return levels;
    }
    constexpr std::size_t kBlockFrames = 65536; // 65536 × 32768 fits 32 bits
    std::uint64_t sum1 = 0;
    std::uint64_t sum2 = 0;
    std::int16_t low1 = INT16_MAX;
    std::int16_t high1 = INT16_MIN;
    std::int16_t low2 = INT16_MAX;
    std::int16_t high2 = INT16_MIN;
    for (std::size_t start = 0; start < window.size(); start += kBlockFrames) {
        const std::size_t end = std::min(window.size(), start + kBlockFrames);
        std::uint32_t block1 = 0;
        std::uint32_t block2 = 0;
        for (std::size_t i = start; i < end; ++i) {
            const std::int16_t value1 = window[i].channel1;
            block1 += Magnitude(value1, silenceSample);
            low1 = std::min(low1, value1);
            high1 = std::max(high1, value1);
            if constexpr (Stereo) {
                const std::int16_t value2 = window[i].channel2;
                block2 += Magnitude(value2, silenceSample);
                low2 = std::min(low2, value2);
                high2 = std::max(high2, value2);
            }
        }
        sum1 += block1;
        sum2 += block2;
    }
    levels.mean = static_cast<std::uint32_t>(std::max(sum1, sum2) / window.size());
    levels.peak = std::max(Magnitude(low1, silenceSample), Magnitude(high1, silenceSample));
    if constexpr (Stereo) {
        levels.peak = std::max(
            {levels.peak, Magnitude(low2, silenceSample), Magnitude(high2, silenceSample)});
    }
    return levels;
}

// Reads the window that starts at `at` into `frames`. A window that would run past
// the last frame is not read at all: it is the end of the usable data, exactly as
// a short read would be, and nothing is examined after it.
bool ReadWindow(WaveStream& reader, std::uint64_t at, std::span<FrameSlot> frames,
                std::uint32_t frameCount) {
    if (at + frames.size() > frameCount) {
        return false;
    }
    return reader.ReadFrames(static_cast<std::int32_t>(frames.size()), frames.data()) == WAVE_OK;
}

// Lead trim frame from the window [windowStart, windowStart + w) that has sound.
std::uint32_t LeadTrimFrom(const WindowJudge& judge, std::span<const FrameSlot> window,
                           std::uint64_t windowStart) {
    if (judge.useAverageMethod) {
        return static_cast<std::uint32_t>(windowStart);
    }
    for (std::size_t i = 0; i < window.size(); ++i) {
        if (judge.IsLoud(window[i])) {
            const std::uint64_t firstLoud = windowStart + i;
            // The frame before the first loud one, so the attack is kept whole.
            return firstLoud == 0 ? 0 : static_cast<std::uint32_t>(firstLoud - 1);
        }
    }
    return static_cast<std::uint32_t>(windowStart);
}

class PlanBuilder {
public:
    explicit PlanBuilder(SplitPlan& plan) : plan(plan) {}

    void RecordSplit(std::uint32_t splitPoint) {
        const std::uint32_t previous =
            plan.splitPoints.empty() ? plan.leadTrimFrame : plan.splitPoints.back();
        Fold(splitPoint - previous);
        plan.splitPoints.push_back(splitPoint);
    }

    // The last segment runs to the end of the recording, even when a tail end was found.
    void Finish(std::uint32_t frameCount) {
        if (!plan.splitPoints.empty()) {
            Fold(frameCount - plan.splitPoints.back());
        }
        plan.segmentCount = static_cast<std::uint32_t>(plan.splitPoints.size()) + 1;
    }

private:
    void Fold(std::uint32_t length) {
        if (plan.splitPoints.empty()) {
            plan.longestSegment = length;
            plan.shortestSegment = length;
            return;
        }
        if (length > plan.longestSegment) {
            plan.longestSegment = length;
        }
        if (length < plan.shortestSegment) {
            plan.shortestSegment = length;
        }
    }

    SplitPlan& plan;
};

bool ReportAndCheckCancel(ProgressDisplay& progress, std::uint64_t position) {
    progress.SetPos(static_cast<std::int64_t>(position));
    progress.PumpMessages(true);
    return progress.IsCancelled();
}

// Milliseconds of `frames` for the report: the division is in single precision
// and only the scaling by 1000 in double, so 0.7 s shows as 699 ms.
int TrimMilliseconds(std::uint32_t frames, std::uint32_t sampleRate) {
    const float seconds = static_cast<float>(frames) / static_cast<float>(sampleRate);
    const double milliseconds = static_cast<double>(seconds) * 1000.0;
    return milliseconds >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
}

} // namespace

WindowJudge::Means WindowJudge::MeansOf(std::span<const FrameSlot> window) const {
    Means means;
    if (window.empty()) {
        return means;
    }
    std::uint64_t sum1 = 0;
    std::uint64_t sum2 = 0;
    for (const FrameSlot& frame : window) {
        sum1 += Magnitude(frame.channel1, silenceSample);
        if (stereo) {
            sum2 += Magnitude(frame.channel2, silenceSample);
        }
    }
    means.channel1 = sum1 / window.size();
    means.channel2 = sum2 / window.size();
    return means;
}

WindowJudge::Levels WindowJudge::LevelsOf(std::span<const FrameSlot> window) const {
    return stereo ? LevelsOfFrames<true>(window, silenceSample)
                  : LevelsOfFrames<false>(window, silenceSample);
}

bool WindowJudge::IsLoud(const FrameSlot& frame) const {
    return Magnitude(frame.channel1, silenceSample) > threshold ||
           (stereo && Magnitude(frame.channel2, silenceSample) > threshold);
}

bool WindowJudge::HasSound(std::span<const FrameSlot> window) const {
    if (useAverageMethod) {
        const Means means = MeansOf(window);
        return means.channel1 > threshold && (!stereo || means.channel2 > threshold);
    }
    for (const FrameSlot& frame : window) {
        if (IsLoud(frame)) {
            return true;
        }
    }
    return false;
}

bool WindowJudge::IsSilent(std::span<const FrameSlot> window) const {
    if (useAverageMethod) {
        const Means means = MeansOf(window);
        return means.channel1 < threshold && (!stereo || means.channel2 < threshold);
    }
    return !HasSound(window);
}

namespace {

// The recording itself, window by window, into the one frame buffer.
class FileWindows : public WindowSource {
public:
    FileWindows(WaveStream& reader, std::span<FrameSlot> frames, const WindowJudge& judge)
        : reader(reader), frames(frames), judge(judge) {}

    bool Seek(std::uint64_t frame) override {
        return frame <= UINT32_MAX &&
               reader.SeekToFrame(static_cast<std::uint32_t>(frame)) == WAVE_OK;
    }
    bool Read(std::uint64_t at) override {
        return ReadWindow(reader, at, frames, reader.FrameCount());
    }
    bool IsSilent() override { return judge.IsSilent(frames); }
    bool HasSound() override { return judge.HasSound(frames); }
    std::span<const FrameSlot> Frames() override { return frames; }

private:
    WaveStream& reader;
    std::span<FrameSlot> frames;
    const WindowJudge& judge;
};

// What every scan reads and judges with.
struct ScanContext {
    WindowSource& source;
    std::uint64_t windowFrames;
    std::uint32_t frameCount;
    const WindowJudge& judge;

    std::uint64_t WindowFrames() const { return windowFrames; }
    bool ReadWindowAt(std::uint64_t at) const { return source.Read(at); }
};

// Lead-in scan: the first window with sound decides the lead trim. Leaves the
// reader at the lead trim frame.
std::uint32_t ScanLeadIn(const ScanContext& scan) {
    std::uint32_t leadTrimFrame = 0;
    for (std::uint64_t windowStart = 0; scan.ReadWindowAt(windowStart);
         windowStart += scan.WindowFrames()) {
        if (scan.source.HasSound()) {
            leadTrimFrame = LeadTrimFrom(scan.judge, scan.source.Frames(), windowStart);
            break;
        }
    }
    (void)scan.source.Seek(leadTrimFrame); // the split scan positions itself anyway
    return leadTrimFrame;
}

// Split scan from `position`: jump by the minimum track length, then look for a
// silent window followed by one that is not silent; the latter's first frame is
// the split. False when the user cancelled.
bool ScanForSplits(const ScanContext& scan, std::uint64_t position, std::uint64_t minTrack,
                   ProgressDisplay& progress, PlanBuilder& builder) {
    const std::uint64_t windowFrames = scan.WindowFrames();
    bool silenceSeen = false;
    for (;;) {
        const std::uint64_t jumpTarget = position + minTrack;
        if (jumpTarget >= scan.frameCount || !scan.source.Seek(jumpTarget)) {
            return true;
        }
        position = jumpTarget;
        if (ReportAndCheckCancel(progress, position)) {
            return false;
        }
        if (!scan.ReadWindowAt(position)) {
            continue;
        }
        for (;;) {
            // Only windows with more than the minimum track left after their start
            // are examined, so the last segment is always longer than that.
            if (scan.frameCount - position <= minTrack) {
                break;
            }
            position += windowFrames;
            if (scan.source.IsSilent()) {
                silenceSeen = true;
            } else if (silenceSeen) {
                builder.RecordSplit(static_cast<std::uint32_t>(position - windowFrames));
                silenceSeen = false;
                break;
            }
            if (ReportAndCheckCancel(progress, position)) {
                return false;
            }
            if (!scan.ReadWindowAt(position)) {
                break;
            }
        }
    }
}

// Tail scan: windows laid out backwards from the second-to-last frame; the end
// of the kept audio, or 0 when no window with sound was found.
std::uint32_t ScanTail(const ScanContext& scan) {
    const std::uint64_t windowFrames = scan.WindowFrames();
    for (std::uint64_t windowsBack = 1; windowsBack * windowFrames < scan.frameCount;
         ++windowsBack) {
        const std::uint64_t start = scan.frameCount - 1 - windowsBack * windowFrames;
        if (!scan.source.Seek(start) || !scan.ReadWindowAt(start)) {
            break;
        }
        if (scan.judge.useAverageMethod) {
            if (scan.source.HasSound()) {
                return static_cast<std::uint32_t>(start + windowFrames);
            }
            continue;
        }
        if (!scan.source.HasSound()) {
            continue;
        }
        const std::span<const FrameSlot> frames = scan.source.Frames();
        for (std::size_t i = frames.size(); i-- > 0;) {
            if (scan.judge.IsLoud(frames[i])) {
                return static_cast<std::uint32_t>(start + i);
            }
        }
    }
    return 0;
}

} // namespace

WindowJudge SplitAnalyzer::JudgeFor(const SplitOptions& options, const WaveStream& reader) {
    WindowJudge judge;
    // Samples wider than 16 bits arrive reduced to 16 and are judged as such.
    judge.silenceSample = SilenceSampleFor(reader.SlotBits());
    judge.threshold = AmplitudeThreshold(options.thresholdText, reader.SlotBits());
    judge.stereo = reader.Channels() == 2;
    judge.useAverageMethod = options.useAverageMethod;
    return judge;
}

SplitAnalyzer::Result SplitAnalyzer::Analyze(const SplitOptions& options, WaveStream& reader,
                                             ProgressDisplay& progress, std::span<FrameSlot> frames,
                                             SplitPlan& plan) {
    const WindowJudge judge = JudgeFor(options, reader);
    FileWindows source(reader, frames, judge);
    return AnalyzeWindows(options, source, judge, reader.FrameCount(), reader.SampleRate(),
                          static_cast<std::uint32_t>(frames.size()), progress, plan);
}

SplitAnalyzer::Result SplitAnalyzer::AnalyzeWindows(const SplitOptions& options,
                                                    WindowSource& source, const WindowJudge& judge,
                                                    std::uint32_t frameCount,
                                                    std::uint32_t sampleRate,
                                                    std::uint32_t windowFrames,
                                                    ProgressDisplay& progress, SplitPlan& plan) {
    const std::uint64_t minTrack =
        static_cast<std::uint64_t>(sampleRate) * options.minTrackLengthSec;
    plan = SplitPlan();
    plan.splitPoints.reserve(100000);
    plan.windowFrames = windowFrames;
    plan.silenceSample = judge.silenceSample;
    PlanBuilder builder(plan);
    if (windowFrames == 0) {
        builder.Finish(frameCount);
        return Result::Complete;
    }

    const ScanContext scan{source, windowFrames, frameCount, judge};
    if (options.trimSilence) {
        plan.leadTrimFrame = ScanLeadIn(scan);
    }
    if (!ScanForSplits(scan, plan.leadTrimFrame, minTrack, progress, builder)) {
        return Result::Cancelled;
    }
    if (options.trimSilence) {
        plan.tailEndFrame = ScanTail(scan);
    }
    builder.Finish(frameCount);
    return Result::Complete;
}

std::string SplitAnalyzer::FormatReport(const SplitPlan& plan, std::uint32_t frameCount,
                                        std::uint32_t sampleRate) {
    if (sampleRate == 0 || plan.segmentCount == 0) {
        return std::string();
    }
    const std::uint32_t longest = plan.longestSegment / sampleRate;
    const std::uint32_t shortest = plan.shortestSegment / sampleRate;
    // The whole recording in whole seconds, trimmed parts included, shared out.
    const std::uint32_t average = frameCount / sampleRate / plan.segmentCount;

    std::string text = FormatText(messages::kReportSummary, static_cast<int>(plan.segmentCount),
                                  static_cast<int>(longest / 60), static_cast<int>(longest % 60),
                                  static_cast<int>(shortest / 60), static_cast<int>(shortest % 60),
                                  static_cast<int>(average / 60), static_cast<int>(average % 60));
    if (plan.leadTrimFrame != 0 || plan.tailEndFrame != 0) {
        const int leadMs = TrimMilliseconds(plan.leadTrimFrame, sampleRate);
        const int endMs = plan.tailEndFrame == 0
                              ? 0
                              : TrimMilliseconds(frameCount - plan.tailEndFrame, sampleRate);
        text += FormatText(messages::kReportTrim, leadMs, endMs);
    } else {
        text += "\n";
    }
    text += messages::kReportQuestion;
    return text;
}
