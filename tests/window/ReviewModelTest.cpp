// The review model: edits of the cuts with undo, snapping, the minimum track
// length, plans from the analysis and by count, titles, replaced files, the
// summary, and a job that writes exactly what the model shows.
#include "ReviewModel.h"

#include "CutList.h"
#include "JobFixture.h"
#include "LabelFile.h"
#include "Messages.h"
#include "WaveMetadata.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using Cuts = std::vector<std::uint32_t>;

// 100 s at 1000 Hz, 100-frame windows, 3 s minimum: cuts at 20, 40 and 60 s.
SplitOptions Options(bool average = false) {
    SplitOptions options;
    options.silenceLengthMs = 100;
    options.minTrackLengthSec = 3;
    options.useAverageMethod = average;
    return options;
}

SplitPlan PlanOf(const Cuts& cuts, std::uint32_t lead = 0, std::uint32_t tail = 0) {
    SplitPlan plan;
    EXPECT_TRUE(PlanFromCutPoints(cuts, lead, tail, 100000, 100, 0, plan));
    return plan;
}

ReviewModel Model(const SplitPlan& plan, bool average = false) {
    return ReviewModel(Options(average), plan, {100000, 1000, 16});
}

// Blocks of 10 frames, loud (peak 10000, mean 5000) but where told otherwise.
struct Quiet {
    std::uint32_t first, end, peak, mean;
};
std::shared_ptr<const LevelTable> Levels(const std::vector<Quiet>& quiet) {
    auto table = std::make_shared<LevelTable>();
    table->windowFrames = LevelBlockFrames(100);
    table->windows.resize(100000 / table->windowFrames);
    for (std::size_t b = 0; b < table->windows.size(); ++b) {
        const std::uint32_t at = static_cast<std::uint32_t>(b) * table->windowFrames;
        std::uint32_t peak = 10000, mean = 5000;
        for (const Quiet& q : quiet) {
            if (at >= q.first && at < q.end) {
                peak = q.peak;
                mean = q.mean;
            }
        }
        WindowLevel& level = table->windows[b];
        level.low[0] = static_cast<std::int16_t>(-static_cast<int>(peak));
        level.high[0] = static_cast<std::int16_t>(peak);
        level.frames = table->windowFrames;
        level.mean[0] = mean;
        level.sum[0] = std::uint64_t{mean} * level.frames;
    }
    return table;
}

TEST(ReviewModelTest, EditsCutWhereTheWriterCutsAndUndoRedoStepThroughThem) {
    // The lead trim of 37 puts the writer's window boundaries at 37 + 100 m.
    ReviewModel model = Model(PlanOf({20050, 40050, 60050}, 37));
    EXPECT_EQ(model.CutFrames(), (Cuts{20137, 40137, 60137}));
    EXPECT_FALSE(model.Changed());

    model.SelectNextCut();
    model.SelectNextCut();
    ASSERT_TRUE(model.MoveSelectedCut(45000).done);
    EXPECT_EQ(model.Plan().splitPoints, (Cuts{20137, 45037, 60137}));
    SplitPlan expected;
    ASSERT_TRUE(PlanFromCutPoints({20137, 45037, 60137}, 37, 0, 100000, 100, 0, expected));
    EXPECT_EQ(model.Plan().longestSegment, expected.longestSegment);
    EXPECT_EQ(model.Plan().shortestSegment, expected.shortestSegment);
    ASSERT_TRUE(model.NudgeSelectedCut(-2).done);
    ASSERT_TRUE(model.AddCut(80000).done);
    EXPECT_EQ(model.SelectedCut(), 3u);
    model.SelectCut(0);
    ASSERT_TRUE(model.DeleteSelectedCut().done);
    const Cuts edited{44837, 60137, 80037};
    EXPECT_EQ(model.Plan().splitPoints, edited);
    EXPECT_EQ(model.CutFrames(), edited);
    EXPECT_TRUE(model.Changed() && model.State().edited);

    const std::vector<Cuts> steps{
        {20137, 44837, 60137, 80037}, {20137, 44837, 60137}, {20137, 45037, 60137}};
    for (const Cuts& step : steps) {
        ASSERT_TRUE(model.Undo());
        EXPECT_EQ(model.CutFrames(), step);
    }
    ASSERT_TRUE(model.Undo());
    EXPECT_FALSE(model.Changed());
    EXPECT_FALSE(model.Undo());
    while (model.Redo()) {
    }
    EXPECT_EQ(model.CutFrames(), edited);
    model.Undo();
    model.SelectCut(0);
    ASSERT_TRUE(model.DeleteSelectedCut().done); // a new edit drops what could be redone
    EXPECT_FALSE(model.CanRedo());
}

TEST(ReviewModelTest, ADragIsOneStepAndADragBackIsNone) {
    ReviewModel model = Model(PlanOf({20000, 40000, 60000}));
    model.SelectCut(1);
    model.BeginDrag();
    for (const std::uint32_t frame : {39000u, 35000u, 30000u, 10000u /* refused */}) {
        model.DragSelectedCut(frame);
    }
    model.EndDrag();
    EXPECT_EQ(model.CutFrames(), (Cuts{20000, 30000, 60000}));
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.CutFrames(), (Cuts{20000, 40000, 60000}));
    EXPECT_FALSE(model.CanUndo());

    model.BeginDrag();
    model.DragSelectedCut(35000);
    model.DragSelectedCut(40000);
    model.EndDrag();
    EXPECT_FALSE(model.CanUndo());
}

TEST(ReviewModelTest, EditsThatBreakTheRulesAreRefusedAndChangeNothing) {
    const std::string tooShort = "A track would be shorter than the minimum track length of 3 s.";
    struct Case {
        const char* edit;
        std::optional<std::size_t> cut;
        std::uint32_t frame;
        std::string problem;
    };
    // Lead trim at 5 s; the last track (60 to 62 s, before the tail trim) is short already.
    const std::vector<Case> cases{
        {"move", 0, 38000, tooShort},
        {"move", 0, 41000, messages::kCutPassesNeighbour},
        {"move", 0, 7000, tooShort},
        {"move", 2, 60500, tooShort},
        {"add", {}, 41000, tooShort},
        {"add", {}, 40000, tooShort},
        {"add", {}, 3000, messages::kCutInTrimmedPart},
        {"add", {}, 62000, messages::kCutInTrimmedPart},
        {"move", {}, 30000, messages::kNoCutSelected},
    };
    for (const Case& c : cases) {
        ReviewModel model = Model(PlanOf({20000, 40000, 60000}, 5000, 62000));
        model.SelectCut(c.cut);
        const EditResult result =
            std::string(c.edit) == "add" ? model.AddCut(c.frame) : model.MoveSelectedCut(c.frame);
        EXPECT_FALSE(result.done) << c.edit << " " << c.frame;
        EXPECT_EQ(result.problem, c.problem) << c.edit << " " << c.frame;
        EXPECT_EQ(model.CutFrames(), (Cuts{20000, 40000, 60000}));
        EXPECT_FALSE(model.CanUndo());
    }
    // The short last track may grow.
    ReviewModel model = Model(PlanOf({20000, 40000, 60000}, 5000, 62000));
    model.SelectCut(2);
    EXPECT_TRUE(model.MoveSelectedCut(59500).done);
}

TEST(ReviewModelTest, SnapsToTheQuietestWindowByTheMethodsMeasureNearestFirst) {
    // 25.0-25.3 s digital silence; at 30 s a window with a low mean but a click,
    // at 30.5 s one without a click but with a higher mean.
    const auto levels =
        Levels({{25000, 25300, 0, 0}, {30000, 30100, 20000, 10}, {30500, 30600, 200, 100}});
    struct Case {
        bool average, snapping;
        std::uint32_t frame, cut;
    };
    for (const Case c : {Case{false, true, 25900, 25300}, Case{true, true, 24000, 25100},
                         Case{false, false, 25950, 26000}, Case{true, true, 30300, 30100},
                         Case{false, true, 30300, 30600}}) {
        ReviewModel model = Model(PlanOf({10000, 50000}), c.average);
        model.SetLevels(levels);
        model.SetSnapping(c.snapping);
        ASSERT_TRUE(model.AddCut(c.frame).done);
        EXPECT_EQ(model.CutFrames()[1], c.cut) << c.frame << (c.average ? " average" : "");
    }
    ReviewModel unmeasured = Model(PlanOf({10000, 50000}));
    ASSERT_TRUE(unmeasured.AddCut(25950).done);
    EXPECT_EQ(unmeasured.CutFrames()[1], 26000u);
}

TEST(ReviewModelTest, ANewAnalysisReplacesThePlanAndUndoBringsTheEditBack) {
    ReviewModel model = Model(PlanOf({20000, 40000, 60000}));
    model.SelectCut(0);
    ASSERT_TRUE(model.DeleteSelectedCut().done);
    model.AnalysisRequested(1);
    model.AnalysisRequested(2);
    EXPECT_TRUE(model.Analysing());
    EXPECT_FALSE(model.CanWrite());
    model.AnalysisArrived(1, PlanOf({50000}), "0.40 %", true); // superseded
    EXPECT_EQ(model.CutFrames(), (Cuts{40000, 60000}));
    model.AnalysisArrived(2, PlanOf({30000}), "1.00 %", true);
    EXPECT_FALSE(model.Analysing());
    EXPECT_EQ(model.CutFrames(), Cuts{30000});
    EXPECT_EQ(model.OptionsForPlan().thresholdText, "1.00 %");
    EXPECT_TRUE(model.OptionsForPlan().useAverageMethod);
    EXPECT_FALSE(model.State().edited);
    ASSERT_TRUE(model.Undo());
    EXPECT_EQ(model.CutFrames(), (Cuts{40000, 60000}));
    EXPECT_EQ(model.State().thresholdText, "0.20 %");
    EXPECT_FALSE(model.State().useAverageMethod);
    model.AnalysisRequested(3);
    model.AnalysisFailed(3);
    EXPECT_TRUE(model.CanWrite());
}

TEST(ReviewModelTest, TracksByCountCutsTheLongestPausesAndSaysWhenThereAreFewer) {
    ReviewModel model = Model(PlanOf({60000}));
    EXPECT_EQ(model.SplitIntoTracks(3).problem, messages::kLevelsNotMeasured);
    model.SetLevels(Levels({{20000, 20500, 0, 0}, {50000, 50300, 0, 0}, {70000, 70100, 0, 0}}));
    struct Case {
        std::uint32_t tracks;
        Cuts cuts;
        std::string problem;
    };
    for (const Case& c : {Case{3, {20500, 50300}, ""}, Case{4, {20500, 50300, 70100}, ""},
                          Case{6,
                               {20500, 50300, 70100},
                               FormatText(messages::kFewerPausesThanTracks, 6u, 3u, 4u)}}) {
        const EditResult result = model.SplitIntoTracks(c.tracks);
        EXPECT_TRUE(result.done);
        EXPECT_EQ(result.problem, c.problem);
        EXPECT_EQ(model.CutFrames(), c.cuts);
    }
    ASSERT_TRUE(model.Undo()); // asking for 6 changed nothing more
    EXPECT_EQ(model.CutFrames(), (Cuts{20500, 50300}));
}

TEST(ReviewModelTest, TitlesStayWithTheirTracksAndNameTheFiles) {
    ReviewModel model = Model(PlanOf({20000, 40000, 60000}));
    EXPECT_EQ(model.FileName(2), "Track2.wav");
    for (std::uint32_t n = 1; n <= 4; ++n) {
        model.SetTitle(n, std::vector<std::string>{"Intro", "", "Song", "Outro"}[n - 1]);
    }
    EXPECT_EQ(model.FileName(1), "01 Intro.wav");
    model.SelectCut(0); // Intro + untitled: Intro
    ASSERT_TRUE(model.DeleteSelectedCut().done);
    model.SelectCut(1); // Song + Outro: Song
    ASSERT_TRUE(model.DeleteSelectedCut().done);
    ASSERT_TRUE(model.AddCut(70000).done);
    model.SelectCut(0);
    ASSERT_TRUE(model.MoveSelectedCut(45000).done);
    EXPECT_EQ(model.State().titles, (std::vector<std::string>{"Intro", "Song", ""}));
    model.SetTitle(1, "");
    model.SelectCut(0);
    ASSERT_TRUE(model.DeleteSelectedCut().done); // untitled + Song: Song
    EXPECT_EQ(model.State().titles, (std::vector<std::string>{"Song", ""}));

    model.SetTitle(2, "Coda");
    ASSERT_TRUE(model.Undo()); // the title typed later stays with its track
    EXPECT_EQ(model.Title(3), "Coda");
    EXPECT_TRUE(model.Chosen().changed);

    // Titles that make two names one are said before OK.
    SplitOptions titled = Options();
    titled.naming.namePattern = "{title}";
    ReviewModel named(titled, PlanOf({50000}), {100000, 1000, 16});
    named.SetTitle(1, "Song");
    named.SetTitle(2, "song");
    ASSERT_TRUE(named.WriteProblem().has_value());
    EXPECT_NE(named.WriteProblem()->find("song.wav"), std::string::npos);
    EXPECT_FALSE(named.CanWrite());
}

// The labels are offered under the album's name, else the prefix's, as a name
// the disk takes.
TEST(ReviewModelTest, OffersTheLabelsUnderANameTheDiskTakes) {
    struct Case {
        const char* prefix;
        const char* album;
        const char* offered;
    };
    for (const Case& c :
         {Case{"Track", "", "Tracklabels.txt"}, Case{"side-a-", "  ", "side-a-labels.txt"},
          Case{"", "", "labels.txt"}, Case{"Track", " Live/Side B ", "Live_Side B.txt"}}) {
        SplitOptions options = Options();
        options.fileNamePrefix = c.prefix;
        options.naming.album = c.album;
        EXPECT_EQ(ReviewModel(options, PlanOf({20050}), {100000, 1000, 16}).LabelFileName(),
                  c.offered);
    }
}

TEST(ReviewModelTest, CountsTheFilesItReplacesCaseBlindAndSummarisesInRows) {
    ReviewModel model = Model(PlanOf({20000, 40000, 60000}));
    model.SetExistingFiles({"TRACK1.WAV", "track3.wav", "Other.wav"});
    EXPECT_TRUE(model.Replaces(1) && model.Replaces(3));
    EXPECT_FALSE(model.Replaces(2) || model.Replaces(4));
    const std::vector<std::pair<std::string, std::string>> rows{
        {"Results of analysis:", ""},
        {"", ""},
        {"Number of segments to be created:", "4"},
        {"Maximum segment length:", "0:40"},
        {"Minimum segment length:", "0:20"},
        {"Average segment length:", "0:25"},
        {"", ""},
        {"Proceed to create WAV file segments?", ""},
        {"2 existing files in the output folder will be replaced.", ""}};
    const std::vector<SummaryRow> summary = model.Summary();
    ASSERT_EQ(summary.size(), rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(summary[i].label, rows[i].first);
        EXPECT_EQ(summary[i].value, rows[i].second);
    }
    model.SetTitle(1, "Intro"); // other names: none of them exists
    EXPECT_EQ(model.ReplacedCount(), 0u);
    ReviewModel empty = Model(PlanOf({}));
    ASSERT_EQ(empty.Summary().size(), 1u);
    EXPECT_EQ(empty.Summary()[0].label, messages::kNoSplitPoints);
    EXPECT_EQ(empty.TrackCount(), 0u);
}

// A review that moves, deletes and adds cuts and types titles: the job writes
// exactly the files the model shows, under their titles.
class EditingHost : public FakeHost {
public:
    std::vector<SegmentSpan> shown;
    std::vector<std::string> names;
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) override {
        ReviewModel model(proposal.options, proposal.plan,
                          {proposal.frameCount, proposal.sampleRate, proposal.bitsPerSample});
        model.SelectCut(1);
        EXPECT_TRUE(model.MoveSelectedCut(3000).done);
        model.SelectCut(0);
        EXPECT_TRUE(model.DeleteSelectedCut().done);
        EXPECT_TRUE(model.AddCut(1250).done);
        for (std::uint32_t n = 1; n <= 4; ++n) {
            model.SetTitle(n, std::vector<std::string>{"Intro", "", "Finale", "Coda"}[n - 1]);
            names.push_back(model.FileName(n));
        }
        shown = model.Spans();
        chosen = model.Chosen();
        return PlanAnswer::Proceed;
    }
};

class ReviewedWritingTest : public JobTest {};

TEST_F(ReviewedWritingTest, TheFilesAreTheCutsAndTitlesTheModelShows) {
    Recording recording(1000, 2, 16);
    recording.Tracks(4, kTrack, kPause);
    recording.Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 20;
    EditingHost host;
    ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
    EXPECT_EQ(host.names,
              (std::vector<std::string>{"01 Intro.wav", "02.wav", "03 Finale.wav", "04 Coda.wav"}));
    ASSERT_EQ(host.shown.size(), 4u);
    EXPECT_EQ(host.shown[0].endFrame, 1300u);
    EXPECT_EQ(host.shown[1].endFrame, 3000u);
    const std::vector<std::int16_t> silence(20 * 2, 0);
    for (std::size_t s = 0; s < 4; ++s) {
        const std::string path = (outputDir / host.names[s]).string();
        std::vector<std::uint8_t> expected =
            recording.Bytes(host.shown[s].firstFrame, host.shown[s].endFrame);
        if (s < 3) {
            const std::vector<std::uint8_t> tail = testing_support::PackSamples(16, silence);
            expected.insert(expected.end(), tail.begin(), tail.end());
        }
        EXPECT_TRUE(testing_support::ReadTestWav(path).rawData == expected) << path;
        WaveMetadata tags;
        ASSERT_TRUE(ReadWaveMetadata(path.c_str(), expected.size(), tags));
        const std::string title = std::vector<std::string>{"Intro", "", "Finale", "Coda"}[s];
        const bool tagged =
            std::any_of(tags.info.begin(), tags.info.end(), [&](const InfoField& f) {
                return f.id == MakeFourCC("INAM") && f.text == title;
            });
        EXPECT_EQ(tagged, !title.empty()) << path;
    }
    EXPECT_EQ(host.shown.back().endFrame, recording.Frames());
    EXPECT_EQ(FilesInOutput().size(), 4u);
}

// The labels saved from an edited review read back to the cuts shown, and are
// never saved over the recording or a file that is no label file.
TEST_F(ReviewedWritingTest, SavedLabelsReadBackToTheCutsShown) {
    Recording recording(1000, 1, 16);
    recording.Tracks(4, kTrack, kPause).Write(inputPath);
    ReviewModel model(Options(), PlanOf({20050, 40050, 60050}), {100000, 1000, 16});
    model.SelectCut(1);
    ASSERT_TRUE(model.DeleteSelectedCut().done);
    model.SetTitle(1, "Intro");

    std::vector<LabelTrack> tracks;
    CutListProblem problem;
    ASSERT_TRUE(ReadLabelTracks(model.LabelText(), tracks, problem)) << problem.reason;
    GivenCuts cuts;
    ASSERT_TRUE(GivenCutsFromTracks(tracks, 100000, 1000, cuts, problem)) << problem.reason;
    const std::vector<SegmentSpan> spans = model.Spans();
    ASSERT_EQ(cuts.starts.size(), spans.size());
    for (std::size_t i = 0; i < spans.size(); ++i) {
        EXPECT_EQ(FrameOfStart(cuts.starts[i], 1000), spans[i].firstFrame) << i;
    }

    const std::string labels = temp.file("labels.txt");
    const std::string other = temp.file("other.wav");
    recording.Write(other);
    std::string why;
    EXPECT_EQ(SaveLabelFile(labels, model.LabelText(), inputPath, outputDir.string(),
                            model.FileNames(), why),
              LabelFileResult::Written);
    EXPECT_EQ(testing_support::ReadFileBytes(labels).size(), model.LabelText().size());
    for (const std::string& target : {inputPath, other}) {
        EXPECT_NE(SaveLabelFile(target, model.LabelText(), inputPath, outputDir.string(),
                                model.FileNames(), why),
                  LabelFileResult::Written);
        EXPECT_EQ(testing_support::ReadFileBytes(target), testing_support::ReadFileBytes(other));
    }
}

} // namespace
