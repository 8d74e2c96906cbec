// Suggests the silence threshold from the recording itself.
//
// One read of the recording measures every window (as long as the silence length)
// as the analysis measures it: the larger channel mean for the average method, the
// loudest sample for the maximum method. Counts of windows per level (one slot per
// magnitude, 0 to 32768) keep memory fixed whatever the recording's length.
//
// A threshold on the slider's scale is usable when it separates the windows
// clearly: enough windows lie well below it (the pauses), hardly any lie near it
// (within a factor 1.5 either way), and a good share lie well above it (the
// sound). The usable positions nearest the bottom of the scale form the chosen
// range, so that quiet passages inside tracks stay above the threshold when the
// pauses are clearly quieter still; the suggestion is the position in that range
// that lies in the geometric middle, farthest from both kinds of window.
// Comparisons are the analysis's own: a window is silent for the average method
// when its mean is below T, for the maximum method when its loudest sample is not
// above T.
#pragma once

#include "SplitAnalyzer.h"
#include "SplitHost.h"
#include "SplitOptions.h"
#include "WaveStream.h"

#include <cstdint>
#include <memory>
#include <string>

struct ThresholdSuggestion {
    enum class Outcome {
        Suggested,   // position and thresholdText hold the suggestion
        TooShort,    // too few windows to tell pauses from sound
        NoSound,     // the recording is silent throughout
        NoSilence,   // no stretch is clearly quieter than the sound
        OutOfMemory, // the window or the level counts could not be allocated
        Cancelled,   // the user cancelled the reading
        Refused,     // the recording could not be opened; the host showed why
    };

    Outcome outcome = Outcome::NoSilence;
    int position = 0;              // on the slider's scale, 0 to kThresholdSteps
    std::string thresholdText;     // the slider's text for position, such as "0.47 %"
    std::string advice;            // one sentence, or empty
    bool useAverageMethod = false; // the method the threshold is for
    // The other method's suggestion when it separates the recording and the
    // advice says so (-1 otherwise); whether clicks are why the maximum method fails.
    int otherPosition = -1;
    bool clicks = false;
};

// The suggestion that works: when the advice says the other method separates
// the recording, the other method's threshold, its method, and the advice
// replaced by the sentence that says so ("Suggested: 0.13 % with the average
// method (clicks make the maximum method unreliable)"). Otherwise unchanged.
ThresholdSuggestion SwitchToTheMethodThatWorks(ThresholdSuggestion suggestion);

// The sentence that explains an outcome other than Suggested (empty for Suggested,
// Cancelled and Refused).
std::string SuggestionProblemText(ThresholdSuggestion::Outcome outcome);

// Counts of windows per level for both methods, and the choice made from them.
class WindowLevelStatistics {
public:
    // The fewest whole windows a suggestion is made from.
    static constexpr std::uint64_t kMinimumWindows = 8;

    WindowLevelStatistics();
    bool Ready() const { return meanCounts && peakCounts && cumulated; } // false: no memory

    void Add(const WindowJudge::Levels& levels);

    // The suggestion for the method the user has chosen, with advice when the
    // other method would serve better. Judges the windows added so far.
    ThresholdSuggestion Suggest(bool useAverageMethod, std::uint16_t bitsPerSample) const;

private:
    struct Choice {
        bool found = false;
        int position = 0;
        std::uint64_t silentWindows = 0; // windows the chosen threshold judges silent
    };
    Choice Choose(bool useAverageMethod, std::uint16_t bitsPerSample) const;

    static constexpr std::size_t kLevels = 32769; // magnitudes 0 to 32768

    // Window counts per level, one slot up (slot L + 1 counts the windows of level
    // L), so that cumulating them gives the windows below each level.
    std::unique_ptr<std::uint64_t[]> meanCounts;
    std::unique_ptr<std::uint64_t[]> peakCounts;
    std::unique_ptr<std::uint64_t[]> cumulated; // scratch that each choice overwrites
    std::uint64_t windows = 0;
    std::uint64_t clickWindows = 0; // quiet on average, with a sample far louder
    std::uint32_t loudestPeak = 0;
};

// The fewest seconds of recording a suggestion is made from.
inline constexpr std::uint32_t kMinimumSuggestionSeconds = 10;

// Reads `reader` once, window by window from frame 0, updating `progress` (its
// range must be 0 to the frame count) and stopping when it is cancelled. Leaves the
// reader at frame 0, ready for the analysis.
ThresholdSuggestion SuggestThreshold(WaveStream& reader, std::uint32_t silenceLengthMs,
                                     bool useAverageMethod, ProgressDisplay& progress);

// The front ends' command: opens options.inputPath (explaining a failure through
// the host, as Start does), shows the progress display while reading, and returns
// the suggestion for options.silenceLengthMs and options.useAverageMethod, or
// for the other method where it is the one that works (SwitchToTheMethodThatWorks).
// Shows neither the suggestion nor its problem text: the caller presents them.
ThresholdSuggestion RunThresholdSuggestion(const SplitOptions& options, SplitHost& host);
