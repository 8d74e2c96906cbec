// The threshold suggestion on generated recordings of known layout, under the
// conditions that defeat a fixed threshold. For every recording and method, a dry
// run with the suggested threshold must plan one file per track, every cut inside
// its pause (give or take one window). The summary test prints how often the
// suggestion and the fixed 0.20 % get it right, for docs/threshold-suggestion.md.
#include "RecordingGenerator.h"
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"
#include "TestFiles.h"
#include "ThresholdSuggestion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr std::uint32_t kSilenceMs = 500;
constexpr std::uint32_t kMinTrackSec = 8;
const char kDefaultThreshold[] = "0.20 %";

// The method that may hand over to the other: clicks defeat the maximum method;
// a master too quiet for the scale's lowest step, or 8-bit samples with an offset
// close to the music's mean, defeat the average method.
enum class MayDefer { Neither, Average, Maximum };

struct EvaluationCase {
    const char* name;
    RecordingSettings settings;
    MayDefer mayDefer;
};

// Three 12-second tracks, 2.5-second pauses, a second of room noise at either end.
RecordingSettings Base(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    RecordingSettings settings;
    settings.sampleRate = rate;
    settings.bitsPerSample = bits;
    settings.channels = channels;
    settings.trackCount = 3;
    settings.trackSeconds = 12;
    return settings;
}

template <typename Change>
EvaluationCase Case(const char* name, RecordingSettings settings, Change change,
                    MayDefer mayDefer = MayDefer::Neither) {
    change(settings);
    return {name, settings, mayDefer};
}

const std::vector<EvaluationCase>& Cases() {
    static const std::vector<EvaluationCase> cases = {
        Case("Clean", Base(44100, 16, 2), [](RecordingSettings&) {}),
        Case("FaintHiss", Base(44100, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.0005; }),
        Case("Hiss", Base(22050, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.003; }),
        Case("HeavyHiss", Base(22050, 16, 2), [](RecordingSettings& s) { s.hissLevel = 0.01; }),
        Case("Crackle", Base(44100, 16, 2), [](RecordingSettings& s) { s.crackleLevel = 0.005; }),
        Case(
            "FewClicks", Base(44100, 16, 2),
            [](RecordingSettings& s) {
                s.clicksPerSecond = 0.5;
                s.crackleLevel = 0.002;
            },
            MayDefer::Maximum),
        Case(
            "ManyClicks", Base(44100, 16, 2), [](RecordingSettings& s) { s.clicksPerSecond = 4; },
            MayDefer::Maximum),
        Case("Hum50", Base(48000, 16, 2), [](RecordingSettings& s) { s.humLevel = 0.002; }),
        Case("LoudHum60", Base(48000, 16, 2),
             [](RecordingSettings& s) {
                 s.humLevel = 0.01;
                 s.humFrequency = 60;
             }),
        Case("Offset", Base(44100, 16, 2), [](RecordingSettings& s) { s.dcOffset = 0.005; }),
        Case("OffsetAndHiss", Base(32000, 16, 1),
             [](RecordingSettings& s) {
                 s.dcOffset = -0.02;
                 s.hissLevel = 0.001;
             }),
        Case("QuietPassages", Base(44100, 16, 2),
             [](RecordingSettings& s) { s.quietPassageGain = 0.03; }),
        Case("QuietPassagesHiss", Base(44100, 16, 2),
             [](RecordingSettings& s) {
                 s.quietPassageGain = 0.05;
                 s.hissLevel = 0.0003;
             }),
        Case("QuietMaster", Base(44100, 16, 2), [](RecordingSettings& s) { s.masterGain = 0.03; }),
        Case(
            "VeryQuietMaster", Base(44100, 16, 2),
            [](RecordingSettings& s) { s.masterGain = 0.01; }, MayDefer::Average),
        Case("EightBitMono", Base(8000, 8, 1), [](RecordingSettings&) {}),
        Case("EightBitHiss", Base(22050, 8, 2), [](RecordingSettings& s) { s.hissLevel = 0.02; }),
        Case(
            "EightBitOffset", Base(11025, 8, 1), [](RecordingSettings& s) { s.dcOffset = 0.03; },
            MayDefer::Average),
        Case("MonoHissAndHum", Base(48000, 16, 1),
             [](RecordingSettings& s) {
                 s.hissLevel = 0.002;
                 s.humLevel = 0.002;
             }),
        Case(
            "WornRecord", Base(44100, 16, 2),
            [](RecordingSettings& s) {
                s.hissLevel = 0.003;
                s.clicksPerSecond = 2;
                s.humLevel = 0.001;
            },
            MayDefer::Maximum),
    };
    return cases;
}

// The recording of a case, written once per test program run.
class RecordingFiles {
public:
    struct File {
        std::string path;
        std::vector<RecordingSection> sections;
    };

    const File& For(const EvaluationCase& c) {
        auto found = files.find(c.name);
        if (found != files.end()) {
            return found->second;
        }
        File file;
        file.path = dir.file(std::string(c.name) + ".wav");
        std::string error;
        file.sections = LayOutRecording(c.settings, error);
        RecordingGenerator generator(c.settings, file.sections);
        WaveStream output;
        output.OpenForWrite(file.path.c_str(), c.settings.sampleRate, c.settings.bitsPerSample,
                            c.settings.channels);
        std::vector<FrameSlot> frames(1 << 16);
        std::vector<std::uint8_t> scratch(frames.size() * 4);
        while (std::uint32_t rendered = generator.Render(frames.data(), 1 << 16)) {
            output.WriteFrames(frames.data(), rendered, scratch.data());
        }
        output.Close();
        return files.emplace(c.name, std::move(file)).first->second;
    }

private:
    testing_support::TempDir dir;
    std::map<std::string, File> files;
};

RecordingFiles& Files() {
    static RecordingFiles files;
    return files;
}

// Empty when a dry run at the threshold plans one file per track with every cut
// inside its pause; otherwise what went wrong.
std::string DryRunFault(const RecordingFiles::File& file, const std::string& thresholdText,
                        bool average) {
    WaveStream reader;
    if (reader.OpenForRead(file.path.c_str()) != WAVE_OK) {
        return "cannot open";
    }
    SplitOptions options;
    options.thresholdText = thresholdText;
    options.silenceLengthMs = kSilenceMs;
    options.minTrackLengthSec = kMinTrackSec;
    options.useAverageMethod = average;
    const std::uint64_t window = FramesForMilliseconds(reader.SampleRate(), kSilenceMs);
    std::vector<FrameSlot> frames(window);
    SilentProgress progress;
    SplitPlan plan;
    SplitAnalyzer::Analyze(options, reader, progress, frames, plan);

    std::vector<const RecordingSection*> pauses;
    for (std::size_t i = 1; i + 1 < file.sections.size(); ++i) {
        if (!file.sections[i].isTrack) {
            pauses.push_back(&file.sections[i]);
        }
    }
    if (plan.splitPoints.size() != pauses.size()) {
        return std::to_string(plan.segmentCount) + " files for " +
               std::to_string(pauses.size() + 1) + " tracks";
    }
    for (std::size_t i = 0; i < pauses.size(); ++i) {
        const std::uint64_t cut = plan.splitPoints[i];
        const std::uint64_t first = pauses[i]->firstFrame;
        const std::uint64_t end = first + pauses[i]->frameCount;
        if (cut + window < first || cut > end + window) {
            return "cut " + std::to_string(i + 1) + " at frame " + std::to_string(cut) +
                   ", outside its pause";
        }
    }
    return std::string();
}

ThresholdSuggestion SuggestFor(const RecordingFiles::File& file, bool average) {
    WaveStream reader;
    reader.OpenForRead(file.path.c_str());
    SilentProgress progress;
    return SuggestThreshold(reader, kSilenceMs, average, progress);
}

class Evaluation : public testing::TestWithParam<EvaluationCase> {};

TEST_P(Evaluation, SuggestedThresholdCutsEveryPause) {
    const EvaluationCase& c = GetParam();
    const RecordingFiles::File& file = Files().For(c);
    for (bool average : {true, false}) {
        SCOPED_TRACE(average ? "average method" : "maximum method");
        const ThresholdSuggestion suggestion = SuggestFor(file, average);
        const bool mayDefer = c.mayDefer == (average ? MayDefer::Average : MayDefer::Maximum);
        if (mayDefer && !suggestion.advice.empty()) {
            // Handing over is right only when the other method then works.
            const char* other = average ? "maximum method" : "average method";
            EXPECT_NE(suggestion.advice.find(other), std::string::npos) << suggestion.advice;
            const ThresholdSuggestion instead = SuggestFor(file, !average);
            ASSERT_EQ(instead.outcome, ThresholdSuggestion::Outcome::Suggested);
            EXPECT_NE(suggestion.advice.find(instead.thresholdText), std::string::npos);
            EXPECT_EQ(DryRunFault(file, instead.thresholdText, !average), "");
            continue;
        }
        ASSERT_EQ(suggestion.outcome, ThresholdSuggestion::Outcome::Suggested)
            << SuggestionProblemText(suggestion.outcome);
        EXPECT_EQ(DryRunFault(file, suggestion.thresholdText, average), "")
            << "at " << suggestion.thresholdText;
    }
}

INSTANTIATE_TEST_SUITE_P(Recordings, Evaluation, testing::ValuesIn(Cases()),
                         [](const testing::TestParamInfo<EvaluationCase>& info) {
                             return info.param.name;
                         });

// Prints the table of docs/threshold-suggestion.md; checks nothing the cases above
// do not.
TEST(EvaluationSummary, SharesRightPerMethod) {
    int suggestedRight[2] = {0, 0};
    int defaultRight[2] = {0, 0};
    std::printf("| recording | average: suggested | average: 0.20 %% | maximum: suggested | "
                "maximum: 0.20 %% |\n|---|---|---|---|---|\n");
    for (const EvaluationCase& c : Cases()) {
        const RecordingFiles::File& file = Files().For(c);
        std::printf("| %s |", c.name);
        for (int method = 0; method < 2; ++method) {
            const bool average = method == 0;
            const ThresholdSuggestion suggestion = SuggestFor(file, average);
            const bool suggested = suggestion.outcome == ThresholdSuggestion::Outcome::Suggested;
            const bool right =
                suggested && DryRunFault(file, suggestion.thresholdText, average).empty();
            const bool byDefault = DryRunFault(file, kDefaultThreshold, average).empty();
            suggestedRight[method] += right ? 1 : 0;
            defaultRight[method] += byDefault ? 1 : 0;
            std::printf(" %s %s%s | %s |", suggested ? suggestion.thresholdText.c_str() : "none",
                        right ? "right" : "wrong", suggestion.advice.empty() ? "" : ", advice",
                        byDefault ? "right" : "wrong");
        }
        std::printf("\n");
    }
    const int total = static_cast<int>(Cases().size());
    std::printf("| share right | %d of %d | %d of %d | %d of %d | %d of %d |\n", suggestedRight[0],
                total, defaultRight[0], total, suggestedRight[1], total, defaultRight[1], total);
    SUCCEED();
}

} // namespace
