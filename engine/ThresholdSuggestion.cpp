#include "ThresholdSuggestion.h"

#include "Messages.h"
#include "SplitJob.h"
#include "SplitQuantities.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

namespace {

// The share of windows, as a divisor of their number, each part of the
// separation needs or may hold: pauses at least 1 in 200 windows, strays near
// the threshold (fades, the edges of pauses) at most 1 in 50, sound at least 1 in 10.
constexpr std::uint64_t kSilentShare = 200;
constexpr std::uint64_t kStrayShare = 50;
constexpr std::uint64_t kLoudShare = 10;

// How far from the threshold a window's level must lie to count as clearly on
// one side, as a factor num / den. The mean of a window hardly varies from one
// window of a pause to the next; the loudest sample of noise varies more.
struct Margin {
    std::uint64_t num;
    std::uint64_t den;
};
constexpr Margin kMeanMargin = {5, 4};
constexpr Margin kPeakMargin = {3, 2};

std::unique_ptr<std::uint64_t[]> AllocateCounts(std::size_t size) {
    return std::unique_ptr<std::uint64_t[]>(new (std::nothrow) std::uint64_t[size]());
}

// The amplitude threshold the analysis derives from the slider's text at `position`.
std::uint16_t ThresholdAt(int position, std::uint16_t bitsPerSample) {
    return AmplitudeThreshold(ThresholdTextForPosition(position), bitsPerSample);
}

std::string AdviceText(bool averageWouldServe, bool clicks, int position) {
    const std::string text = ThresholdTextForPosition(position);
    const char* advice = !averageWouldServe ? messages::kAdviceMaximum
                         : clicks           ? messages::kAdviceAverageForClicks
                                            : messages::kAdviceAverage;
    return FormatText(advice, text.c_str());
}

} // namespace

std::string SuggestionProblemText(ThresholdSuggestion::Outcome outcome) {
    using Outcome = ThresholdSuggestion::Outcome;
    switch (outcome) {
    case Outcome::TooShort:
        return FormatText(messages::kSuggestionTooShort,
                          static_cast<int>(kMinimumSuggestionSeconds),
                          static_cast<int>(WindowLevelStatistics::kMinimumWindows));
    case Outcome::NoSound:
        return messages::kSuggestionNoSound;
    case Outcome::NoSilence:
        return messages::kSuggestionNoSilence;
    case Outcome::OutOfMemory:
        return messages::kSuggestionNoMemory;
    case Outcome::Suggested:
    case Outcome::Cancelled:
    case Outcome::Refused:
        break;
    }
    return std::string();
}

WindowLevelStatistics::WindowLevelStatistics()
    : meanCounts(AllocateCounts(kLevels + 1)), peakCounts(AllocateCounts(kLevels + 1)),
      cumulated(AllocateCounts(kLevels + 1)) {}

void WindowLevelStatistics::Add(const WindowJudge::Levels& levels) {
    if (!Ready()) {
        return;
    }
    // Counted one slot up, so that cumulating gives the windows below each level.
    ++meanCounts[std::min<std::size_t>(levels.mean, kLevels - 1) + 1];
    ++peakCounts[std::min<std::size_t>(levels.peak, kLevels - 1) + 1];
    ++windows;
    // A click: a sample far above a window's mean, and loud in itself. Music and
    // noise keep their loudest sample within a few times their mean.
    constexpr std::uint32_t kClickPeak = 328; // 1 % of full scale
    constexpr std::uint32_t kClickRatio = 32;
    if (levels.peak >= kClickPeak && levels.peak / kClickRatio >= levels.mean) {
        ++clickWindows;
    }
    loudestPeak = std::max(loudestPeak, levels.peak);
}

WindowLevelStatistics::Choice WindowLevelStatistics::Choose(bool useAverageMethod,
                                                            std::uint16_t bitsPerSample) const {
    // Cumulated into scratch, so that windows can still be added afterwards.
    std::uint64_t* below = cumulated.get();
    Choice choice;
    const std::uint64_t* counts = useAverageMethod ? meanCounts.get() : peakCounts.get();
    for (std::size_t level = 1; level <= kLevels; ++level) {
        below[level] = below[level - 1] + counts[level];
    }
    below[0] = 0;
    auto windowsBelow = [below](std::uint64_t level) {
        return below[std::min<std::uint64_t>(level, kLevels)];
    };
    // A window is silent when its level is below the edge: T for the average
    // method (a mean equal to T is not silent), T + 1 for the maximum method (a
    // sample equal to T is not loud).
    auto silentEdge = [&](int position) -> std::uint64_t {
        return ThresholdAt(position, bitsPerSample) + (useAverageMethod ? 0U : 1U);
    };

    const Margin margin = useAverageMethod ? kMeanMargin : kPeakMargin;
    const std::uint64_t minSilent = std::max<std::uint64_t>(2, windows / kSilentShare);
    const std::uint64_t maxStrays = std::max<std::uint64_t>(1, windows / kStrayShare);
    const std::uint64_t minLoud = std::max<std::uint64_t>(2, windows / kLoudShare);
    int first = -1;
    int last = -1;
    for (int position = 0; position <= kThresholdSteps; ++position) {
        const std::uint64_t edge = silentEdge(position);
        // Levels within the margin's factor of the edge, either way, are too close.
        const std::uint64_t nearBelow = (edge * margin.den + margin.num - 1) / margin.num;
        const std::uint64_t nearAbove = (edge * margin.num + margin.den - 1) / margin.den;
        const std::uint64_t clearlySilent = windowsBelow(nearBelow);
        const std::uint64_t strays = windowsBelow(nearAbove) - clearlySilent;
        const std::uint64_t clearlyLoud = windows - windowsBelow(nearAbove);
        const bool separates =
            clearlySilent >= minSilent && strays <= maxStrays && clearlyLoud >= minLoud;
        if (separates) {
            first = first < 0 ? position : first;
            last = position;
        } else if (first >= 0) {
            break; // the lowest usable range ends here
        }
    }
    if (first < 0) {
        return choice;
    }
    // The position whose edge is nearest the geometric middle of the range's edges.
    const double middle = 0.5 * (std::log(static_cast<double>(silentEdge(first))) +
                                 std::log(static_cast<double>(silentEdge(last))));
    double bestDistance = HUGE_VAL;
    for (int position = first; position <= last; ++position) {
        const double distance =
            std::fabs(std::log(static_cast<double>(silentEdge(position))) - middle);
        if (distance < bestDistance) {
            bestDistance = distance;
            choice.position = position;
        }
    }
    choice.found = true;
    choice.silentWindows = windowsBelow(silentEdge(choice.position));
    return choice;
}

ThresholdSuggestion WindowLevelStatistics::Suggest(bool useAverageMethod,
                                                   std::uint16_t bitsPerSample) const {
    using Outcome = ThresholdSuggestion::Outcome;
    ThresholdSuggestion suggestion;
    if (!Ready()) {
        suggestion.outcome = Outcome::OutOfMemory;
        return suggestion;
    }
    if (windows < kMinimumWindows) {
        suggestion.outcome = Outcome::TooShort;
        return suggestion;
    }
    // Silent throughout: no sample rises above the lowest threshold the scale has.
    std::uint16_t lowestThreshold = 0;
    for (int position = 1; position <= kThresholdSteps && lowestThreshold == 0; ++position) {
        lowestThreshold = ThresholdAt(position, bitsPerSample);
    }
    if (loudestPeak <= lowestThreshold) {
        suggestion.outcome = Outcome::NoSound;
        return suggestion;
    }

    const Choice chosen = Choose(useAverageMethod, bitsPerSample);
    const Choice other = Choose(!useAverageMethod, bitsPerSample);
    suggestion.useAverageMethod = useAverageMethod;
    if (chosen.found) {
        suggestion.outcome = Outcome::Suggested;
        suggestion.position = chosen.position;
        suggestion.thresholdText = ThresholdTextForPosition(chosen.position);
        // Windows that are quiet on average but hold a loud sample are pauses with
        // clicks in them: the maximum method loses them.
        if (!useAverageMethod && other.found && chosen.silentWindows * 2 < other.silentWindows) {
            suggestion.advice = AdviceText(true, true, other.position);
            suggestion.otherPosition = other.position;
            suggestion.clicks = true;
        }
        return suggestion;
    }
    suggestion.outcome = Outcome::NoSilence;
    // The average method also "separates" a recording without pauses at its
    // quiet passages; it is the answer only where clicks spoil the maximum method.
    const bool clicks = clickWindows >= std::max<std::uint64_t>(2, windows / kSilentShare);
    if (other.found && (useAverageMethod || clicks)) {
        suggestion.advice = AdviceText(!useAverageMethod, !useAverageMethod, other.position);
        suggestion.otherPosition = other.position;
        suggestion.clicks = !useAverageMethod;
    }
    return suggestion;
}

ThresholdSuggestion SuggestThreshold(WaveStream& reader, std::uint32_t silenceLengthMs,
                                     bool useAverageMethod, ProgressDisplay& progress) {
    using Outcome = ThresholdSuggestion::Outcome;
    ThresholdSuggestion suggestion;
    const std::uint32_t frameCount = reader.FrameCount();
    const std::uint64_t window = FramesForMilliseconds(reader.SampleRate(), silenceLengthMs);
    if (window == 0 ||
        frameCount < static_cast<std::uint64_t>(reader.SampleRate()) * kMinimumSuggestionSeconds ||
        frameCount / window < WindowLevelStatistics::kMinimumWindows) {
        suggestion.outcome = Outcome::TooShort;
        return suggestion;
    }

    WindowLevelStatistics statistics;
    std::unique_ptr<FrameSlot[]> frames;
    if (window <= INT32_MAX) {
        frames.reset(new (std::nothrow) FrameSlot[window]());
    }
    if (!frames || !statistics.Ready()) {
        suggestion.outcome = Outcome::OutOfMemory;
        return suggestion;
    }
    const std::span<const FrameSlot> span(frames.get(), static_cast<std::size_t>(window));

    WindowJudge judge;
    judge.silenceSample = SilenceSampleFor(reader.SlotBits());
    judge.stereo = reader.Channels() == 2;

    // Whole windows only, as the analysis reads them; a failed read ends the data.
    bool cancelled = false;
    if (reader.SeekToFrame(0) == WAVE_OK) {
        for (std::uint64_t position = window; position <= frameCount; position += window) {
            if (reader.ReadFrames(static_cast<std::int32_t>(window), frames.get()) != WAVE_OK) {
                break;
            }
            statistics.Add(judge.LevelsOf(span));
            progress.SetPos(static_cast<std::int64_t>(position));
            progress.PumpMessages(true);
            if (progress.IsCancelled()) {
                cancelled = true;
                break;
            }
        }
    }
    (void)reader.SeekToFrame(0); // the analysis positions itself; this is for other readers
    if (cancelled) {
        suggestion.outcome = Outcome::Cancelled;
        return suggestion;
    }
    return statistics.Suggest(useAverageMethod, reader.SlotBits());
}

ThresholdSuggestion SwitchToTheMethodThatWorks(ThresholdSuggestion suggestion) {
    using Outcome = ThresholdSuggestion::Outcome;
    if (suggestion.otherPosition < 0 ||
        (suggestion.outcome != Outcome::Suggested && suggestion.outcome != Outcome::NoSilence)) {
        return suggestion;
    }
    const bool average = !suggestion.useAverageMethod;
    const std::string reason =
        suggestion.clicks ? std::string(messages::kReasonClicks)
                          : FormatText(messages::kReasonNoSilence, average ? "maximum" : "average");
    suggestion.outcome = Outcome::Suggested;
    suggestion.position = suggestion.otherPosition;
    suggestion.thresholdText = ThresholdTextForPosition(suggestion.position);
    suggestion.useAverageMethod = average;
    suggestion.otherPosition = -1;
    suggestion.advice = FormatText(messages::kSuggestedWithMethod, suggestion.thresholdText.c_str(),
                                   average ? "average" : "maximum", reason.c_str());
    return suggestion;
}

ThresholdSuggestion RunThresholdSuggestion(const SplitOptions& options, SplitHost& host) {
    ThresholdSuggestion suggestion;
    suggestion.outcome = ThresholdSuggestion::Outcome::Refused;
    WaveStream reader;
    if (!OpenRecordingOrExplain(reader, options.inputPath, host) ||
        AnalysisWindowOrExplain(reader, options.silenceLengthMs, host) == 0) {
        return suggestion;
    }
    // Its destruction, on every way out, ends the modal state.
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress(messages::kProgressTitle, true);
    if (!progress) {
        return suggestion;
    }
    progress->BeginModal(messages::kProgressTitle, false);
    progress->SetRange(0, reader.FrameCount(), 1);
    progress->SetStatus(messages::kFindingSilenceLevel);
    suggestion = SwitchToTheMethodThatWorks(
        SuggestThreshold(reader, options.silenceLengthMs, options.useAverageMethod, *progress));
    progress->Hide();
    return suggestion;
}
