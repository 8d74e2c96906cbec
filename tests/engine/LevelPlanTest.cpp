// Plans made from the table of block levels equal a fresh analysis, for every
// sample width, method, threshold and trimming, and with blocks that do not line
// up with the analysis windows; and the plan for a known number of tracks.
#include "LevelTable.h"
#include "PlanReview.h"
#include "Recordings.h"
#include "TracksByCount.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>

namespace {

// Stretches of noise at levels from digital silence to loud, of random lengths,
// so that windows fall on every side of the thresholds and cut blocks anywhere.
Recording Varied(int channels, int bits, std::uint32_t seed) {
    Recording recording(1000, channels, bits);
    std::mt19937 random(seed);
    const int levels[] = {0, 0, 2, 30, 262, 300, 1310, 4000, 12000};
    while (recording.Frames() < 40000) {
        const int level = levels[random() % std::size(levels)];
        const std::uint32_t length = 50 + random() % 3000;
        for (std::uint32_t i = 0; i < length; ++i) {
            for (int c = 0; c < channels; ++c) {
                const int value =
                    level == 0 ? 0 : static_cast<int>(random() % (2 * level + 1)) - level;
                recording.samples.push_back(static_cast<std::int16_t>(
                    bits == 8 ? 128 + std::clamp(value / 256, -128, 127) : value));
            }
        }
    }
    return recording;
}

bool SamePlan(const SplitPlan& a, const SplitPlan& b) {
    return a.splitPoints == b.splitPoints && a.segmentCount == b.segmentCount &&
           a.leadTrimFrame == b.leadTrimFrame && a.tailEndFrame == b.tailEndFrame &&
           a.windowFrames == b.windowFrames && a.silenceSample == b.silenceSample &&
           a.longestSegment == b.longestSegment && a.shortestSegment == b.shortestSegment;
}

TEST(LevelPlan, EqualsAFreshAnalysisOnEveryWidth) {
    testing_support::TempDir temp;
    const std::atomic<bool> never{false};
    std::uint64_t plans = 0;
    for (const int bits : {8, 16}) {
        for (const int channels : {1, 2}) {
            const Recording recording =
                Varied(channels, bits, static_cast<std::uint32_t>(bits + channels));
            const std::string path = temp.file("varied.wav");
            recording.Write(path);
            WaveStream reader;
            ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
            for (const std::uint32_t block : {1u, 7u, 16u, 100u, 333u}) {
                LevelTable table;
                ASSERT_TRUE(MeasureLevels(reader, block, never, table));
                for (const char* threshold : {"0.00 %", "0.20 %", "1.00 %", "2.50 %", "5.00 %"}) {
                    for (const bool average : {false, true}) {
                        for (const bool trim : {false, true}) {
                            for (const std::uint32_t silenceMs : {100u, 130u}) {
                                SplitOptions options;
                                options.thresholdText = threshold;
                                options.useAverageMethod = average;
                                options.trimSilence = trim;
                                options.silenceLengthMs = silenceMs;
                                options.minTrackLengthSec = 1;
                                const std::optional<SplitPlan> fresh =
                                    AnalyzeRecording(options, path, {});
                                std::uint64_t read = 0;
                                const std::optional<SplitPlan> fromTable =
                                    PlanFromLevels(table, reader, options, read);
                                ASSERT_TRUE(fresh && fromTable);
                                EXPECT_TRUE(SamePlan(*fresh, *fromTable))
                                    << bits << " bits, " << channels << " ch, block " << block
                                    << ", " << threshold << (average ? " average" : " maximum")
                                    << (trim ? " trim " : " ") << silenceMs << " ms";
                                plans += fresh->splitPoints.size();
                            }
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(plans, 100u); // the cases do cut
}

TEST(TracksByCount, TakesTheLongestQuietestPausesAndSaysWhenThereAreFewer) {
    // Pauses of 3, 1 and 2 windows of 100 frames, ending at 2300, 4400 and 6600.
    Recording recording(1000, 1, 16);
    recording.Sound(2000).Silence(300).Sound(2000).Silence(100).Sound(1000);
    recording.Sound(1000).Silence(200).Sound(2000);
    testing_support::TempDir temp;
    recording.Write(temp.file("t.wav"));
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(temp.file("t.wav").c_str()), WAVE_OK);
    LevelTable table;
    const std::atomic<bool> never{false};
    ASSERT_TRUE(MeasureLevels(reader, 100, never, table));
    struct Case {
        std::uint32_t tracks;
        std::vector<std::uint32_t> cuts;
        std::uint32_t pauses;
    };
    for (const Case& c : {Case{2, {2300}, 1}, Case{3, {2300, 6600}, 2},
                          Case{4, {2300, 4400, 6600}, 3}, Case{9, {2300, 4400, 6600}, 3}}) {
        const TracksByCountResult result =
            TracksByCount(table, reader.FrameCount(), c.tracks, 500, false, false);
        EXPECT_EQ(result.plan.splitPoints, c.cuts) << c.tracks;
        EXPECT_EQ(result.pausesFound, c.pauses) << c.tracks;
        EXPECT_EQ(result.plan.segmentCount, c.pauses + 1);
    }
}

} // namespace
