// What the review of a plan decides without a window: the columns of the
// overview, the bands and cuts, the threshold's level, the plan the engine writes
// when the host hands back a changed one, and the analysis run again.
#include "PlanReview.h"
#include "JobFixture.h"
#include "LevelTable.h"
#include "Messages.h"
#include "SplitAnalyzer.h"
#include "SplitQuantities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>

namespace {

TEST(FrameScaleTest, EveryFrameLiesInTheColumnThatStartsAtOrBeforeIt) {
    struct Case {
        std::uint32_t first, end, columns;
    };
    for (const Case c :
         {Case{0, 1000, 7}, Case{0, 7, 1000}, Case{500, 4100, 900}, Case{0, 4294967295u, 900}}) {
        const FrameScale scale(c.first, c.end, c.columns);
        for (std::uint32_t column = 0; column < c.columns; ++column) {
            const std::uint64_t start = scale.ColumnStart(column);
            const std::uint64_t next = scale.ColumnStart(column + 1);
            ASSERT_LE(start, next);
            if (start < next) { // a column wider than no frame at all
                EXPECT_EQ(scale.ColumnOf(start), column);
                EXPECT_EQ(scale.ColumnOf(next - 1), column);
            }
        }
        EXPECT_EQ(scale.ColumnStart(c.columns), c.end);
        EXPECT_EQ(scale.ColumnOf(c.end), c.columns);
        EXPECT_EQ(scale.FrameAtColumn(-5), c.first);
        EXPECT_EQ(scale.FrameAtColumn(c.columns + 5), c.end - 1);
    }
}

// Lowest and highest sample of each channel over a column, by brute force.
void ExpectColumnsMatch(const Recording& recording, const WaveOverview& overview) {
    const FrameScale scale(overview.firstFrame, overview.endFrame,
                           static_cast<std::uint32_t>(overview.columns.size()));
    for (std::uint32_t column = 0; column < overview.columns.size(); ++column) {
        const auto begin = scale.ColumnStart(column);
        const auto end = scale.ColumnStart(column + 1);
        if (begin == end) {
            continue;
        }
        for (int channel = 0; channel < recording.channels; ++channel) {
            int low = INT32_MAX, high = INT32_MIN;
            for (auto frame = begin; frame < end; ++frame) {
                int value = recording.samples[frame * recording.channels + channel];
                value = recording.bits == 8 ? (value - 128) * 256 : value;
                low = std::min(low, value);
                high = std::max(high, value);
            }
            EXPECT_EQ(overview.columns[column].low[channel], low) << column;
            EXPECT_EQ(overview.columns[column].high[channel], high) << column;
        }
    }
}

TEST(OverviewTest, ColumnsHoldTheLowestAndHighestSampleOnTheSixteenBitScale) {
    testing_support::TempDir temp;
    for (const int bits : {8, 16}) {
        for (const int channels : {1, 2}) {
            Recording recording(1000, channels, bits);
            recording.Sound(900).Silence(400).Sound(1300, true, false).Silence(333).Sound(77);
            const std::string path = temp.file("overview.wav");
            recording.Write(path);
            WaveStream reader;
            ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
            const std::atomic<bool> never{false};
            WaveOverview whole;
            ASSERT_TRUE(ReadOverview(reader, 0, recording.Frames(), 97, 100, never, whole));
            ExpectColumnsMatch(recording, whole);
            // A stretch in the middle, as the detail strip reads it, not on the window grid.
            WaveOverview part;
            ASSERT_TRUE(ReadOverview(reader, 1234, 1987, 500, 100, never, part));
            ExpectColumnsMatch(recording, part);

            // The window means are the analysis's own, per window from frame 0.
            WindowJudge judge;
            judge.silenceSample = recording.SilenceValue();
            judge.stereo = channels == 2;
            WaveStream again;
            ASSERT_EQ(again.OpenForRead(path.c_str()), WAVE_OK);
            std::vector<FrameSlot> window(100);
            const FrameScale scale(0, recording.Frames(), 97);
            for (std::uint32_t start = 0; start + 100 <= recording.Frames(); start += 100) {
                ASSERT_EQ(again.ReadFrames(100, window.data()), WAVE_OK);
                const std::uint32_t mean = judge.LevelsOf(window).mean * (bits == 8 ? 256 : 1);
                EXPECT_GE(whole.columns[scale.ColumnOf(start)].windowMean, mean);
                EXPECT_GE(whole.columns[scale.ColumnOf(start + 99)].windowMean, mean);
            }
            EXPECT_EQ(whole.columns[scale.ColumnOf(950)].windowMean, 0u); // inside the pause
        }
    }
}

TEST(OverviewTest, StopsWhenAskedTo) {
    testing_support::TempDir temp;
    Recording recording(1000, 1, 16);
    recording.Sound(5000);
    const std::string path = temp.file("stop.wav");
    recording.Write(path);
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
    const std::atomic<bool> stop{true};
    WaveOverview overview;
    EXPECT_FALSE(ReadOverview(reader, 0, recording.Frames(), 50, 100, stop, overview));
}

TEST(ThresholdLevelTest, IsTheAnalysisThresholdOnTheSixteenBitScale) {
    EXPECT_EQ(ThresholdLevel("0.20 %", 16), 262u);
    EXPECT_EQ(ThresholdLevel("0.20 %", 8), 256u); // T = 1
    EXPECT_EQ(ThresholdLevel("5.00 %", 8), 25u * 256);
    EXPECT_EQ(ThresholdLevel("0.00 %", 16), 0u);
    EXPECT_EQ(LevelOffset(kFullScaleLevel, 100), 100);
    EXPECT_EQ(LevelOffset(16384, 100), 50);
    EXPECT_EQ(LevelOffset(262, 100), 1);
    EXPECT_EQ(LevelOffset(0, 100), 0);
}

TEST(PicturePlanTest, BandsAreTheWritersFilesOnTheColumns) {
    SplitPlan plan;
    plan.windowFrames = 100;
    plan.leadTrimFrame = 150;
    plan.tailEndFrame = 9000;
    plan.splitPoints = {2950, 6020};
    plan.segmentCount = 3;
    const std::uint32_t frameCount = 10000;
    const FrameScale scale(0, frameCount, 100); // 100 frames a column
    const PlanPicture picture = PicturePlan(plan, frameCount, scale);
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    ASSERT_EQ(picture.bands.size(), 3u);
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(picture.bands[i].number, i + 1);
        EXPECT_EQ(picture.bands[i].firstFrame, spans[i].firstFrame);
        EXPECT_EQ(picture.bands[i].endFrame, spans[i].endFrame);
    }
    // The writer cuts on the window grid from the lead trim: 2950, then 6050
    // (the first boundary at or after 6020).
    EXPECT_EQ(picture.bands[0].left, 1u);
    EXPECT_EQ(picture.bands[0].right, 29u);
    EXPECT_EQ(picture.bands[1].left, 29u);
    EXPECT_EQ(picture.bands[1].endFrame, 6050u);
    EXPECT_EQ(picture.bands[2].right, 90u);
    EXPECT_EQ(picture.cutColumns, (std::vector<std::uint32_t>{29, 60}));
    EXPECT_EQ(picture.leadEndColumn, 1u);
    EXPECT_EQ(picture.tailStartColumn, 90u);

    plan.tailEndFrame = 0;
    plan.leadTrimFrame = 0;
    const PlanPicture untrimmed = PicturePlan(plan, frameCount, scale);
    EXPECT_EQ(untrimmed.leadEndColumn, 0u);
    EXPECT_EQ(untrimmed.tailStartColumn, 100u);
}

TEST(HoverTextTest, NamesTheTimeAndTheFileUnderThePointer) {
    SplitPlan plan;
    plan.windowFrames = 100;
    plan.leadTrimFrame = 150;
    plan.splitPoints.assign(10, 0);
    for (std::uint32_t i = 0; i < 10; ++i) {
        plan.splitPoints[i] = 1000 * (i + 1) + 50;
    }
    plan.segmentCount = 11;
    EXPECT_EQ(HoverText(plan, 20000, 1000, "Take", 100), "0:00.1   trimmed");
    EXPECT_EQ(HoverText(plan, 20000, 1000, "Take", 150), "0:00.1   Take01.wav");
    EXPECT_EQ(HoverText(plan, 20000, 1000, "Take", 19999), "0:19.9   Take11.wav");
    EXPECT_EQ(FormatTime(3600 * 1000 + 61500, 1000, false), "61:01");
}

// The host hands back another plan: exactly that one is written, under the
// options that made it.
class ChangingHost : public FakeHost {
public:
    std::optional<SplitPlan> replacement;
    std::string thresholdText;
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) override {
        proposed = proposal.plan;
        if (replacement) {
            chosen.changed = true;
            chosen.plan = *replacement;
            chosen.thresholdText = thresholdText;
            chosen.useAverageMethod = false;
        }
        return PlanAnswer::Proceed;
    }
    SplitPlan proposed;
};

class ReviewedJobTest : public JobTest {};

TEST_F(ReviewedJobTest, AChangedPlanIsWrittenAsHandedBack) {
    Recording recording(1000, 1, 16);
    recording.Tracks(4, kTrack, kPause);
    recording.Write(inputPath);
    SplitOptions options = Options();
    options.thresholdText = "0.00 %"; // the average method finds nothing at T = 0
    options.useAverageMethod = true;

    SplitOptions changed = options;
    changed.thresholdText = "0.20 %";
    changed.useAverageMethod = false;
    const std::optional<SplitPlan> fresh = AnalyzeRecording(changed, inputPath, {});
    ASSERT_TRUE(fresh && fresh->splitPoints.size() == 3);

    ChangingHost host;
    host.replacement = fresh;
    host.thresholdText = "0.20 %";
    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
    EXPECT_TRUE(host.proposed.splitPoints.empty());
    EXPECT_TRUE(host.messages.empty()); // neither "Nothing to do" nor the report box
    ExpectSegmentFiles(recording, Names("Track", 4), LayOutSegments(*fresh, recording.Frames()), 0);
}

// A plan whose cuts are out of order or outside the recording is refused, not
// written in some other way.
TEST_F(ReviewedJobTest, AChangedPlanWhoseCutsDoNotFitIsRefused) {
    Recording recording(1000, 1, 16);
    recording.Tracks(4, kTrack, kPause);
    recording.Write(inputPath);
    struct Case {
        std::vector<std::uint32_t> cuts;
        std::uint32_t track;
    };
    for (const Case& c : {Case{{1800, 1700, 5400}, 3}, Case{{1800, 7000}, 3}}) {
        ChangingHost host;
        SplitPlan plan;
        plan.windowFrames = 100;
        plan.splitPoints = c.cuts;
        plan.segmentCount = static_cast<std::uint32_t>(c.cuts.size() + 1);
        host.replacement = plan;
        EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::Refused);
        ExpectOnlyError(host, FormatText(messages::kCutsDoNotFit, c.track));
        EXPECT_TRUE(FilesInOutput().empty());
    }
}

TEST_F(ReviewedJobTest, TheDefaultConfirmationIsTheReportBox) {
    Recording recording(1000, 1, 16);
    recording.Tracks(2, kTrack, kPause);
    recording.Write(inputPath);
    FakeHost host;
    host.confirmAnswer = Answer::Cancel;
    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::Declined);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, messages::kReadyCaption);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Question);
    EXPECT_EQ(host.messages[0].text,
              SplitAnalyzer::FormatReport(*host.plan, recording.Frames(), 1000));
    EXPECT_TRUE(FilesInOutput().empty());
}

TEST_F(ReviewedJobTest, ReanalysisEqualsAFreshAnalysisAndTheNewestRequestWins) {
    Recording recording(1000, 2, 16);
    recording.Tracks(6, kTrack, kPause);
    recording.Write(inputPath);
    const SplitOptions options = Options();

    std::mutex mutex;
    std::vector<PlanReanalyzer::Result> results;
    PlanReanalyzer reanalyzer(options, inputPath, recording.Frames(), 1000,
                              [&](const PlanReanalyzer::Result& result) {
                                  std::lock_guard<std::mutex> lock(mutex);
                                  results.push_back(result);
                              });
    // Many changes in a row, as a dragged slider makes them.
    for (int position = 0; position <= kThresholdSteps; position += 10) {
        reanalyzer.Request(ThresholdTextForPosition(position), position % 20 == 0);
    }
    const std::uint64_t last = reanalyzer.Request("0.50 %", true);
    reanalyzer.WaitUntilIdle();

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_FALSE(results.empty());
    for (std::size_t i = 1; i < results.size(); ++i) {
        EXPECT_LT(results[i - 1].generation, results[i].generation);
    }
    const PlanReanalyzer::Result& newest = results.back();
    EXPECT_EQ(newest.generation, last);
    EXPECT_TRUE(newest.complete);
    EXPECT_EQ(newest.options.thresholdText, "0.50 %");
    EXPECT_TRUE(newest.options.useAverageMethod);

    SplitOptions fresh = options;
    fresh.thresholdText = "0.50 %";
    fresh.useAverageMethod = true;
    const std::optional<SplitPlan> expected = AnalyzeRecording(fresh, inputPath, {});
    ASSERT_TRUE(expected);
    EXPECT_EQ(newest.plan.splitPoints, expected->splitPoints);
    EXPECT_EQ(newest.plan.leadTrimFrame, expected->leadTrimFrame);
    EXPECT_EQ(newest.plan.tailEndFrame, expected->tailEndFrame);
    EXPECT_EQ(newest.text, SplitAnalyzer::FormatReport(*expected, recording.Frames(), 1000));
    EXPECT_EQ(expected->splitPoints.size(), 5u);
}

// The review plans the recording it opened, from its table, even after another
// file has taken its name: the writer copies from that same open recording.
TEST_F(ReviewedJobTest, ReanalysisPlansTheOpenRecordingEvenWhenItsPathIsReplaced) {
    Recording recording(1000, 2, 16);
    recording.Tracks(6, kTrack, kPause);
    recording.Write(inputPath);
    const std::string original = temp.file("original.wav");
    recording.Write(original);
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(inputPath.c_str()), WAVE_OK);
    Recording other(1000, 2, 16);
    other.Tracks(3, kTrack * 2, kPause);
    const std::string replacement = temp.file("replacement.wav");
    other.Write(replacement);
    // Where the system lets another file take an open file's name (Windows does not).
    std::error_code notAllowed;
    std::filesystem::rename(replacement, inputPath, notAllowed);

    const SplitOptions options = Options();
    std::mutex mutex;
    std::vector<PlanReanalyzer::Result> results;
    std::shared_ptr<const LevelTable> levels;
    std::vector<PlanReanalyzer::Strip> strips;
    std::vector<std::pair<std::uint64_t, std::shared_ptr<const PlaybackClip>>> clips;
    PlanReanalyzer reanalyzer(
        options, reader,
        [&](const PlanReanalyzer::Result& result) {
            std::lock_guard<std::mutex> lock(mutex);
            results.push_back(result);
        },
        [&](std::shared_ptr<const LevelTable> table) {
            std::lock_guard<std::mutex> lock(mutex);
            levels = std::move(table);
        },
        [&](const PlanReanalyzer::Strip& strip) {
            std::lock_guard<std::mutex> lock(mutex);
            strips.push_back(strip);
        },
        [&](std::uint64_t request, std::shared_ptr<const PlaybackClip> clip) {
            std::lock_guard<std::mutex> lock(mutex);
            clips.emplace_back(request, std::move(clip));
        });
    // The levels come before any request, measured on the recording opened.
    reanalyzer.WaitUntilIdle();
    WaveStream originalReader;
    ASSERT_EQ(originalReader.OpenForRead(original.c_str()), WAVE_OK);
    const std::atomic<bool> never{false};
    LevelTable expectedLevels;
    ASSERT_TRUE(MeasureLevels(originalReader, LevelBlockFrames(100), never, expectedLevels));
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_TRUE(levels && levels->windows.size() == expectedLevels.windows.size());
        for (std::size_t b = 0; b < levels->windows.size(); ++b) {
            EXPECT_EQ(levels->windows[b].sum[0], expectedLevels.windows[b].sum[0]) << b;
            EXPECT_EQ(levels->windows[b].high[1], expectedLevels.windows[b].high[1]) << b;
        }
    }
    // Strips for a closer view too; the newest request wins.
    reanalyzer.RequestStrip(0, 5000, 40);
    const std::uint64_t newest = reanalyzer.RequestStrip(1234, 4321, 77);
    reanalyzer.WaitUntilIdle();
    WaveOverview expectedStrip;
    ASSERT_TRUE(ReadOverview(originalReader, 1234, 4321, 77, 100, never, expectedStrip));
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_FALSE(strips.empty());
        const PlanReanalyzer::Strip& strip = strips.back();
        EXPECT_EQ(strip.generation, newest);
        ASSERT_TRUE(strip.complete);
        ASSERT_EQ(strip.overview.columns.size(), 77u);
        for (std::size_t c = 0; c < 77; ++c) {
            EXPECT_EQ(strip.overview.columns[c].high[0], expectedStrip.columns[c].high[0]) << c;
            EXPECT_EQ(strip.overview.columns[c].windowMean, expectedStrip.columns[c].windowMean);
        }
    }
    // Clips to listen to, from the same open recording.
    reanalyzer.RequestClip(2000, 2600, 8);
    reanalyzer.WaitUntilIdle();
    const std::shared_ptr<const PlaybackClip> expectedClip =
        ReadPlaybackClip(originalReader, 2000, 2600);
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_EQ(clips.size(), 1u);
        EXPECT_EQ(clips[0].first, 8u);
        ASSERT_TRUE(clips[0].second && expectedClip);
        EXPECT_EQ(clips[0].second->firstFrame, 2000u);
        EXPECT_EQ(clips[0].second->samples, expectedClip->samples);
    }
    for (const bool average : {true, false}) {
        for (const char* threshold : {"0.50 %", "0.00 %", "4.00 %"}) {
            reanalyzer.Request(threshold, average);
            reanalyzer.WaitUntilIdle();
            std::lock_guard<std::mutex> lock(mutex);
            ASSERT_FALSE(results.empty());
            SplitOptions fresh = options;
            fresh.thresholdText = threshold;
            fresh.useAverageMethod = average;
            const std::optional<SplitPlan> expected = AnalyzeRecording(fresh, original, {});
            ASSERT_TRUE(expected && results.back().complete);
            EXPECT_EQ(results.back().plan.splitPoints, expected->splitPoints) << threshold;
            EXPECT_EQ(results.back().text, ReviewText(*expected, recording.Frames(), 1000));
        }
    }
}

// The user waits to hear a clip: requested while the worker is busy, it is read
// before a plan asked for earlier, and a newer clip replaces one not read yet.
TEST_F(ReviewedJobTest, AClipGoesBeforeAWaitingPlanAndOnlyTheNewestIsRead) {
    Recording recording(1000, 2, 16);
    recording.Tracks(4, kTrack, kPause);
    recording.Write(inputPath);
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(inputPath.c_str()), WAVE_OK);
    std::mutex mutex;
    std::condition_variable changed;
    bool holding = false;
    bool released = false;
    std::vector<std::string> arrivals;
    const auto note = [&](std::string what) {
        std::lock_guard<std::mutex> lock(mutex);
        arrivals.push_back(std::move(what));
    };
    PlanReanalyzer reanalyzer(
        Options(), reader, [&](const PlanReanalyzer::Result&) { note("plan"); }, {},
        [&](const PlanReanalyzer::Strip&) {
            // Holds the worker here until the requests below are queued.
            std::unique_lock<std::mutex> lock(mutex);
            holding = true;
            changed.notify_all();
            changed.wait(lock, [&] { return released; });
        },
        [&](std::uint64_t request, std::shared_ptr<const PlaybackClip> clip) {
            note("clip " + std::to_string(request) + (clip ? "" : " unread"));
        });
    reanalyzer.WaitUntilIdle();
    reanalyzer.RequestStrip(0, 1000, 10);
    {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return holding; });
    }
    reanalyzer.Request("1.00 %", false);
    reanalyzer.RequestClip(0, 500, 1);
    reanalyzer.RequestClip(500, 900, 2);
    {
        std::lock_guard<std::mutex> lock(mutex);
        released = true;
    }
    changed.notify_all();
    reanalyzer.WaitUntilIdle();
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(arrivals, (std::vector<std::string>{"clip 2", "plan"}));
}

} // namespace

// A long recording judged in very short windows would need gigabytes of levels:
// the blocks grow (still whole fractions of a window) to keep the table bounded,
// and where even whole windows are too many the review goes without a table,
// says so once, and plans by reading the open recording afresh.
TEST(LevelTableBoundTest, BlocksGrowToKeepTheTableBounded) {
    struct Case {
        std::uint32_t window;
        std::uint32_t frameCount;
        std::uint32_t block;
    };
    const std::uint32_t many = static_cast<std::uint32_t>(kMaxLevelWindows);
    for (const Case& c : {Case{96, 0, 12}, Case{96, many * 12, 12}, Case{96, many * 12 + 1, 16},
                          Case{96, many * 90, 96}, Case{8, many * 20, 8}}) {
        EXPECT_EQ(LevelBlockFrames(c.window, c.frameCount), c.block) << c.frameCount;
    }
}

TEST_F(ReviewedJobTest, WithoutRoomForTheLevelsEveryPlanIsAFreshAnalysis) {
    Recording recording(1000, 1, 8);
    recording.Tracks(3, kTrack, kPause)
        .Silence(static_cast<std::uint32_t>(kMaxLevelWindows) + 1000)
        .Tracks(1, kTrack, 0);
    recording.Write(inputPath);
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(inputPath.c_str()), WAVE_OK);
    SplitOptions options = Options();
    options.silenceLengthMs = 1; // one frame a window: more windows than a table holds

    std::mutex mutex;
    std::vector<PlanReanalyzer::Result> results;
    int levelsHandedOver = 0;
    bool levelsNull = false;
    PlanReanalyzer reanalyzer(
        options, reader,
        [&](const PlanReanalyzer::Result& result) {
            std::lock_guard<std::mutex> lock(mutex);
            results.push_back(result);
        },
        [&](std::shared_ptr<const LevelTable> table) {
            std::lock_guard<std::mutex> lock(mutex);
            ++levelsHandedOver;
            levelsNull = table == nullptr;
        });
    reanalyzer.Request("0.50 %", false);
    reanalyzer.WaitUntilIdle();
    reanalyzer.Request("1.00 %", true);
    reanalyzer.WaitUntilIdle();

    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(levelsHandedOver, 1);
    EXPECT_TRUE(levelsNull);
    ASSERT_FALSE(results.empty());
    ASSERT_TRUE(results.back().complete);
    SplitOptions fresh = options;
    fresh.thresholdText = "1.00 %";
    fresh.useAverageMethod = true;
    const std::optional<SplitPlan> expected = AnalyzeRecording(fresh, inputPath, {});
    ASSERT_TRUE(expected);
    EXPECT_EQ(results.back().plan.splitPoints, expected->splitPoints);
    EXPECT_FALSE(expected->splitPoints.empty());
}
