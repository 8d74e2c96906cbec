// The threshold suggestion: the choice made from window levels, judged by the
// analysis's own window tests, and the reading of a recording.
#include "ThresholdSuggestion.h"
#include "FakeHost.h"
#include "Messages.h"
#include "Recordings.h"
#include "SplitQuantities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using Outcome = ThresholdSuggestion::Outcome;

// `count` windows of one kind: every frame at `mean` but one at `peak`.
struct Windows {
    int count;
    std::uint32_t mean;
    std::uint32_t peak;
    bool pause; // the analysis must find these silent, and the others not
};

WindowLevelStatistics StatisticsOf(const std::vector<Windows>& kinds) {
    WindowLevelStatistics statistics;
    for (const Windows& kind : kinds) {
        for (int i = 0; i < kind.count; ++i) {
            statistics.Add({kind.mean, kind.peak});
        }
    }
    return statistics;
}

// Whether the analysis's own test calls such a window silent at the threshold text.
bool JudgedSilent(const Windows& kind, const std::string& thresholdText, bool average, int bits) {
    WindowJudge judge;
    judge.silenceSample = SilenceSampleFor(static_cast<std::uint16_t>(bits));
    judge.threshold = AmplitudeThreshold(thresholdText, static_cast<std::uint16_t>(bits));
    judge.useAverageMethod = average;
    // Mean exactly `mean` over 100 frames: 99 at one level and one at the peak.
    const std::int64_t total = static_cast<std::int64_t>(kind.mean) * 100 - kind.peak;
    const auto rest = static_cast<std::int16_t>(total / 99);
    std::vector<FrameSlot> window(100, FrameSlot{rest, 0});
    window[0].channel1 = static_cast<std::int16_t>(kind.peak);
    window[1].channel1 = static_cast<std::int16_t>(rest + total % 99);
    for (FrameSlot& frame : window) {
        frame.channel1 = static_cast<std::int16_t>(frame.channel1 + judge.silenceSample);
    }
    return judge.IsSilent(window);
}

// The levels the suggestion counts are the analysis's own: the mean its average
// method compares, and the peak at which its maximum method stops finding loud frames.
TEST(WindowLevels, MatchTheAnalysisTestsInEveryFormat) {
    std::uint32_t noise = 99;
    for (int bits : {8, 16}) {
        for (bool stereo : {false, true}) {
            WindowJudge judge;
            judge.silenceSample = SilenceSampleFor(static_cast<std::uint16_t>(bits));
            judge.stereo = stereo;
            // Long enough to cross the 32-bit block sums; extremes of the format included.
            std::vector<FrameSlot> window(140000);
            for (FrameSlot& frame : window) {
                noise = noise * 1103515245 + 12345;
                const int spread = bits == 8 ? 256 : 65536;
                const int low = bits == 8 ? 0 : -32768;
                frame.channel1 = static_cast<std::int16_t>(low + (noise >> 8) % spread);
                frame.channel2 = static_cast<std::int16_t>(low + (noise >> 12) % spread / 3);
            }
            window[70000].channel2 = static_cast<std::int16_t>(bits == 8 ? 0 : -32768);
            const WindowJudge::Levels levels = judge.LevelsOf(window);
            const WindowJudge::Means means = judge.MeansOf(window);
            EXPECT_EQ(levels.mean, std::max(means.channel1, means.channel2));
            judge.threshold = static_cast<std::uint16_t>(levels.peak);
            EXPECT_FALSE(std::any_of(window.begin(), window.end(),
                                     [&judge](const FrameSlot& f) { return judge.IsLoud(f); }));
            judge.threshold = static_cast<std::uint16_t>(levels.peak - 1);
            EXPECT_TRUE(std::any_of(window.begin(), window.end(),
                                    [&judge](const FrameSlot& f) { return judge.IsLoud(f); }));
        }
    }
    WindowJudge judge;
    const std::vector<FrameSlot> loudest(140000, FrameSlot{-32768, 0});
    EXPECT_EQ(judge.LevelsOf(loudest).mean, 32768U);
}

struct SeparationCase {
    const char* name;
    bool average;
    int bits;
    std::vector<Windows> kinds;
};

class Separation : public testing::TestWithParam<SeparationCase> {};

TEST_P(Separation, PausesAreSilentAndSoundIsNot) {
    const SeparationCase& c = GetParam();
    const ThresholdSuggestion suggestion =
        StatisticsOf(c.kinds).Suggest(c.average, static_cast<std::uint16_t>(c.bits));
    ASSERT_EQ(suggestion.outcome, Outcome::Suggested);
    EXPECT_EQ(suggestion.thresholdText, ThresholdTextForPosition(suggestion.position));
    EXPECT_TRUE(suggestion.advice.empty()) << suggestion.advice;
    for (const Windows& kind : c.kinds) {
        EXPECT_EQ(JudgedSilent(kind, suggestion.thresholdText, c.average, c.bits), kind.pause)
            << "mean " << kind.mean << ", peak " << kind.peak << " at " << suggestion.thresholdText;
    }
}

// Levels are magnitudes: 16-bit full scale is 32768, 8-bit 128. The generated
// recordings of the evaluation test cover the everyday cases.
INSTANTIATE_TEST_SUITE_P(
    Levels, Separation,
    testing::Values(
        // A quiet passage far louder than the pauses stays sound, even when it
        // fills more windows than the pauses do.
        SeparationCase{"QuietPassagesAverage",
                       true,
                       16,
                       {{8, 6, 25, true}, {30, 120, 700, false}, {60, 2500, 14000, false}}},
        SeparationCase{"QuietPassagesMaximum",
                       false,
                       16,
                       {{8, 6, 25, true}, {30, 120, 700, false}, {60, 2500, 14000, false}}},
        // Near the bottom of the scale, whose first step is T = 26.
        SeparationCase{"LowStepsMaximum", false, 16, {{10, 0, 21, true}, {90, 200, 900, false}}},
        // 8-bit thresholds come in whole sample steps (T = 1 from 0.20 % up).
        SeparationCase{"EightBitAverage", true, 8, {{10, 1, 2, true}, {90, 9, 60, false}}}),
    [](const testing::TestParamInfo<SeparationCase>& info) { return info.param.name; });

struct RefusalCase {
    const char* name;
    std::vector<Windows> kinds;
    Outcome outcome;
};

class Refusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, GivesAClearAnswerForBothMethods) {
    const RefusalCase& c = GetParam();
    const WindowLevelStatistics statistics = StatisticsOf(c.kinds);
    for (bool average : {true, false}) {
        const ThresholdSuggestion suggestion = statistics.Suggest(average, 16);
        EXPECT_EQ(suggestion.outcome, c.outcome) << (average ? "average" : "maximum");
        EXPECT_FALSE(SuggestionProblemText(suggestion.outcome).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Levels, Refusal,
    testing::Values(
        RefusalCase{"TooFewWindows", {{2, 0, 0, true}, {5, 2000, 9000, false}}, Outcome::TooShort},
        RefusalCase{"DigitalSilence", {{100, 0, 0, true}}, Outcome::NoSound},
        // Below the lowest step of the scale nothing can be told apart.
        RefusalCase{"BelowTheScale", {{50, 0, 0, true}, {50, 5, 21, false}}, Outcome::NoSound},
        // Music all through: levels spread evenly, no quieter cluster.
        RefusalCase{"EvenSpread",
                    {{10, 500, 2000, false},
                     {10, 700, 2800, false},
                     {10, 1000, 4000, false},
                     {10, 1400, 5600, false},
                     {10, 2000, 8000, false},
                     {10, 2800, 11200, false}},
                    Outcome::NoSilence},
        // Pauses no more than a little quieter than the music.
        RefusalCase{
            "TooClose", {{20, 1500, 6000, true}, {80, 2000, 8000, false}}, Outcome::NoSilence}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// Clicks in the pauses: quiet on average, loud at their peak.
const std::vector<Windows> kClickyPauses = {
    {3, 8, 30, true}, {12, 8, 9000, true}, {85, 2000, 12000, false}};

TEST(ClickAdvice, MaximumMethodIsToldToUseTheAverageMethod) {
    const WindowLevelStatistics statistics = StatisticsOf(kClickyPauses);
    const ThresholdSuggestion average = statistics.Suggest(true, 16);
    ASSERT_EQ(average.outcome, Outcome::Suggested);
    EXPECT_TRUE(average.advice.empty());

    const ThresholdSuggestion maximum = statistics.Suggest(false, 16);
    // Whether or not a threshold is found among the few click-free pauses, the
    // user learns that the average method works, and with which threshold.
    EXPECT_NE(maximum.advice.find("average method"), std::string::npos) << maximum.advice;
    EXPECT_NE(maximum.advice.find(average.thresholdText), std::string::npos) << maximum.advice;
}

// What auto and Suggest go ahead with: the other method where the advice says
// it works, and no doubtful threshold where neither does.
TEST(MethodSwitch, GoesAheadOnlyWithAMethodThatSeparatesTheRecording) {
    struct Case {
        const char* name;
        std::vector<Windows> kinds;
        bool average;           // the method chosen
        Outcome outcome;        // after the switch
        bool switchedToAverage; // the method it goes ahead with, when Suggested
        const char* says;       // in the advice; empty: no advice
    };
    // Quiet on average and at their peak, but with a sample loud far beyond the
    // mean: what only clicks do.
    const std::vector<Windows> pausesAllClicky = {
        {12, 8, 9000, true}, {3, 20, 60, true}, {85, 2000, 12000, false}};
    // Quiet passages that the average method alone tells apart, and no pause.
    const std::vector<Windows> quietPassagesNoClicks = {{20, 100, 2400, false},
                                                        {80, 2500, 3000, false}};
    for (const Case& c : {
             Case{"ClicksUnderTheMaximumMethod", kClickyPauses, false, Outcome::Suggested, true,
                  "with the average method (clicks make the maximum method unreliable)"},
             Case{"OnlyClickyPauses", pausesAllClicky, false, Outcome::Suggested, true,
                  "with the average method (clicks make the maximum method unreliable)"},
             Case{"ClicksUnderTheAverageMethod", kClickyPauses, true, Outcome::Suggested, true, ""},
             Case{"NoPauseNoClicks", quietPassagesNoClicks, false, Outcome::NoSilence, false, ""},
         }) {
        SCOPED_TRACE(c.name);
        const WindowLevelStatistics statistics = StatisticsOf(c.kinds);
        const ThresholdSuggestion suggestion =
            SwitchToTheMethodThatWorks(statistics.Suggest(c.average, 16));
        ASSERT_EQ(suggestion.outcome, c.outcome);
        if (c.outcome == Outcome::Suggested) {
            EXPECT_EQ(suggestion.useAverageMethod, c.switchedToAverage);
            const ThresholdSuggestion direct = statistics.Suggest(c.switchedToAverage, 16);
            EXPECT_EQ(suggestion.thresholdText, direct.thresholdText);
        }
        if (*c.says == '\0') {
            EXPECT_EQ(suggestion.advice, "");
        } else {
            EXPECT_EQ(suggestion.advice, "Suggested: " + suggestion.thresholdText + " " + c.says);
        }
    }
}

// Tracks of loud noise with pauses of digital silence.
class SuggestFromFile : public testing::Test {
protected:
    void SetUp() override {
        Recording recording(8000, 1, 16);
        recording.Silence(4000).Tracks(4, 32000, 12000).Silence(4000);
        recording.Write(path);
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
    }

    testing_support::TempDir dir;
    std::string path = dir.file("in.wav");
    WaveStream reader;
    FakeHost host;
};

TEST_F(SuggestFromFile, LeavesTheReaderAtTheStart) {
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress("Progress", true);
    std::vector<FrameSlot> first(100);
    std::vector<FrameSlot> again(100);
    ASSERT_EQ(reader.ReadFrames(100, first.data()), WAVE_OK);
    ASSERT_EQ(reader.SeekToFrame(0), WAVE_OK);

    const ThresholdSuggestion suggestion = SuggestThreshold(reader, 500, false, *progress);
    EXPECT_EQ(suggestion.outcome, Outcome::Suggested);
    ASSERT_EQ(reader.ReadFrames(100, again.data()), WAVE_OK);
    EXPECT_EQ(0, std::memcmp(first.data(), again.data(), first.size() * sizeof(FrameSlot)));
    // One window per progress step: the recording was read once.
    EXPECT_EQ(host.positions.size(), reader.FrameCount() / 4000);
}

TEST_F(SuggestFromFile, CancelStopsTheReading) {
    host.cancelWhen = [](const FakeHost&, std::int64_t position) { return position >= 40000; };
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress("Progress", true);
    EXPECT_EQ(SuggestThreshold(reader, 500, true, *progress).outcome, Outcome::Cancelled);
    EXPECT_EQ(host.positions.back(), 40000);
}

TEST_F(SuggestFromFile, RefusesAFewSeconds) {
    Recording recording(8000, 1, 16);
    recording.Tracks(2, 32000, 8000); // 9 seconds
    recording.Write(dir.file("short.wav"));
    WaveStream shortReader;
    ASSERT_EQ(shortReader.OpenForRead(dir.file("short.wav").c_str()), WAVE_OK);
    std::unique_ptr<ProgressDisplay> progress = host.CreateProgress("Progress", true);
    EXPECT_EQ(SuggestThreshold(shortReader, 500, true, *progress).outcome, Outcome::TooShort);
}

TEST_F(SuggestFromFile, CommandShowsStartsOpenErrorAndNoProgress) {
    SplitOptions options;
    options.inputPath = dir.file("missing.wav");
    FakeHost fresh;
    EXPECT_EQ(RunThresholdSuggestion(options, fresh).outcome, Outcome::Refused);
    ASSERT_EQ(fresh.messages.size(), 1U);
    EXPECT_EQ(fresh.messages[0].caption, messages::kErrorCaption);
    EXPECT_EQ(fresh.progressCreated, 0);

    options.inputPath = path;
    const ThresholdSuggestion suggestion = RunThresholdSuggestion(options, fresh);
    EXPECT_EQ(suggestion.outcome, Outcome::Suggested);
    EXPECT_EQ(fresh.progressAlive, 0);
    EXPECT_TRUE(fresh.mainWindowEnabled);
}

} // namespace
