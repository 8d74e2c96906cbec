// The whole Start job through a fake host: analysis, report, confirmation and
// the written files, compared byte for byte with the input.
#include "JobFixture.h"

#include <algorithm>

TEST_F(JobTest, WritesEverySegmentByteForByteWithAppendedSilence) {
    Recording input(1000, 2, 16);
    input.Tracks(5, kTrack, kPause).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 20;
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Written);

    ASSERT_TRUE(host.plan.has_value());
    EXPECT_EQ(host.plan->splitPoints, (std::vector<std::uint32_t>{1800, 3600, 5400, 7200}));
    EXPECT_EQ(host.plan->longestSegment, 1800u);
    EXPECT_EQ(host.plan->shortestSegment, 1500u);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].caption, messages::kReadyCaption);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Question);
    EXPECT_EQ(host.messages[0].text.rfind("Results of analysis:", 0), 0u);

    ExpectSegmentFiles(input, Names("Track", 5), LayOutSegments(*host.plan, input.Frames()), 20);
    EXPECT_EQ(FilesInOutput().size(), 5u);

    EXPECT_TRUE(host.mainWindowEnabled);
    EXPECT_EQ(host.progressAlive, 0);
    EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
    ASSERT_FALSE(host.statusTexts.empty());
    EXPECT_EQ(host.statusTexts.front(), messages::kAnalyzing);
    // The clock never passed a whole second: no estimate is shown.
    for (const std::string& text : host.statusTexts) {
        EXPECT_EQ(text.find("Estimated"), std::string::npos) << text;
    }
}

TEST_F(JobTest, EightBitStereoIsTrimmedAndCutOnTheWindowGridOfTheLeadTrim) {
    Recording input(1000, 2, 8);
    input.Silence(37).Tracks(3, kTrack, kPause).Silence(250).Write(inputPath);
    SplitOptions options = Options();
    options.trimSilence = true;
    options.appendSilenceMs = 5;
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Written);

    ASSERT_TRUE(host.plan.has_value());
    // The frame before the first loud one; splits on the grid 36 + 1000 + k * 100;
    // the tail end at the last loud frame found scanning down.
    EXPECT_EQ(host.plan->leadTrimFrame, 36u);
    EXPECT_EQ(host.plan->splitPoints, (std::vector<std::uint32_t>{1836, 3636}));
    EXPECT_EQ(host.plan->tailEndFrame, 5136u);
    const auto spans = LayOutSegments(*host.plan, input.Frames());
    ASSERT_EQ(spans.size(), 3u);
    EXPECT_EQ(spans[0].firstFrame, 36u);
    EXPECT_EQ(spans[2].endFrame, 5136u);
    ExpectSegmentFiles(input, Names("Track", 3), spans, 5);
    // 36 and 251 frames at 1000 Hz divide in single precision to just under 36 and 251 ms.
    EXPECT_NE(host.messages[0].text.find("Trim 35 ms from beginning\n   Trim 250 ms from end"),
              std::string::npos)
        << host.messages[0].text;
}

struct NamingCase {
    int segments;
    const char* prefix;
    const char* first;
    const char* last;
};

class NamingTest : public JobTest, public ::testing::WithParamInterface<NamingCase> {};

TEST_P(NamingTest, NumbersArePaddedToTheDigitsOfTheSegmentCount) {
    const NamingCase& c = GetParam();
    Recording input(1000, 1, 16);
    input.Tracks(c.segments, kTrack, kPause).Write(inputPath);
    SplitOptions options = Options();
    options.fileNamePrefix = c.prefix;
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Written);

    const std::set<std::string> files = FilesInOutput();
    EXPECT_EQ(files.size(), static_cast<std::size_t>(c.segments));
    EXPECT_TRUE(files.count(c.first)) << c.first;
    EXPECT_TRUE(files.count(c.last)) << c.last;
    ASSERT_TRUE(host.plan.has_value());
    ExpectSegmentFiles(input, Names(c.prefix, static_cast<std::uint32_t>(c.segments)),
                       LayOutSegments(*host.plan, input.Frames()), 0);
}

INSTANTIATE_TEST_SUITE_P(Padding, NamingTest,
                         ::testing::Values(NamingCase{9, "Track", "Track1.wav", "Track9.wav"},
                                           NamingCase{10, "Track", "Track01.wav", "Track10.wav"},
                                           NamingCase{100, "Track", "Track001.wav", "Track100.wav"},
                                           NamingCase{10, "", "01.wav", "10.wav"},
                                           NamingCase{10, "50%d%s", "50%d%s01.wav",
                                                      "50%d%s10.wav"}),
                         [](const ::testing::TestParamInfo<NamingCase>& info) {
                             return "Case" + std::to_string(info.index);
                         });

TEST_F(JobTest, AverageMethodIgnoresASilentChannelOnlyWhenTrimming) {
    Recording input(1000, 2, 16);
    input.Silence(500);
    for (int t = 0; t < 3; ++t) {
        input.Sound(kTrack, true, false).Silence(kPause);
    }
    input.Write(inputPath);

    for (bool average : {true, false}) {
        SCOPED_TRACE(average ? "average" : "maximum");
        std::filesystem::current_path(previousDirectory);
        SplitOptions options = Options();
        options.trimSilence = true;
        options.useAverageMethod = average;
        FakeHost host;
        host.confirmAnswer = Answer::Cancel;

        EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Declined);

        ASSERT_TRUE(host.plan.has_value());
        EXPECT_FALSE(host.plan->splitPoints.empty());
        if (average) {
            // Both means must pass the threshold for sound; the split scan needs both below it.
            EXPECT_EQ(host.plan->leadTrimFrame, 0u);
            EXPECT_EQ(host.plan->tailEndFrame, 0u);
        } else {
            EXPECT_EQ(host.plan->leadTrimFrame, 499u);
            EXPECT_EQ(host.plan->tailEndFrame, 500u + 3 * kTrack + 2 * kPause - 1);
        }
        // Declining writes nothing and leaves the window usable.
        EXPECT_TRUE(FilesInOutput().empty());
        EXPECT_TRUE(host.mainWindowEnabled);
        EXPECT_TRUE(host.priorityChanges.empty());
    }
}

TEST_F(JobTest, CancelDuringFileThreeOfFiveKeepsCompleteFilesAndAValidPartialOne) {
    Recording input(1000, 2, 16);
    input.Tracks(5, kTrack, kPause).Write(inputPath);
    SplitOptions options = Options();
    options.appendSilenceMs = 20;
    FakeHost host;
    host.clockStep = 1;
    // File 3 starts at 3600; cancel once two of its windows are written.
    host.cancelWhen = [](const FakeHost& h, std::int64_t position) {
        return h.writing && position >= 3800;
    };

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Cancelled);

    ASSERT_TRUE(host.plan.has_value());
    auto spans = LayOutSegments(*host.plan, input.Frames());
    spans.resize(3);
    spans[2].endFrame = 3800;
    spans[2].appendSilence = false;
    std::vector<std::string> names = Names("Track", 5);
    names.resize(3);
    ExpectSegmentFiles(input, names, spans, 20);
    EXPECT_EQ(FilesInOutput(), (std::set<std::string>{"Track1.wav", "Track2.wav", "Track3.wav"}));
    EXPECT_EQ(host.messages.size(), 1u); // the report only: a cancel is silent
    EXPECT_TRUE(host.mainWindowEnabled);
    EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));

    // The clock moved, so the estimate appeared; it is never negative.
    const auto estimate =
        std::find_if(host.statusTexts.begin(), host.statusTexts.end(), [](const std::string& text) {
            return text.find("Estimated time remaining: ") != std::string::npos;
        });
    ASSERT_NE(estimate, host.statusTexts.end());
    EXPECT_EQ(estimate->find('-'), std::string::npos) << *estimate;
}

TEST_F(JobTest, CancelDuringAnalysisEndsSilently) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    FakeHost host;
    host.cancelWhen = [](const FakeHost&, std::int64_t) { return true; };

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::Cancelled);

    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(FilesInOutput().empty());
    EXPECT_TRUE(host.mainWindowEnabled);
    EXPECT_EQ(host.progressAlive, 0);
}

TEST_F(JobTest, PreparationRefusesWithItsMessagesBeforeAnyProgress) {
    Recording(1000, 1, 16).Sound(999).Write(temp.file("short.wav"));
    Recording(500, 1, 16).Sound(2000).Write(temp.file("slow.wav"));
    const std::string missing = temp.file("missing.wav");
    struct Case {
        std::string input;
        std::string folder;
        std::string message;
    };
    const std::string folder = outputDir.string();
    const std::vector<Case> cases = {
        {"", folder, messages::kInvalidFileName},
        {missing, folder,
         FormatText(messages::kOpenFailed, missing.c_str()) + messages::kReasonMissing},
        {temp.path().string(), folder,
         FormatText(messages::kOpenFailed, temp.path().string().c_str()) +
             messages::kReasonNotRegularFile},
        {temp.file("short.wav"), (outputDir / "absent").string(),
         messages::kInvalidOutputDirectory},
        {temp.file("short.wav"), folder, messages::kNotLongEnough},
        {temp.file("slow.wav"), folder, messages::kSilenceTooShortForRate},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::filesystem::current_path(previousDirectory);
        SplitOptions options = Options();
        options.inputPath = c.input;
        options.outputFolder = c.folder;
        options.silenceLengthMs = 1; // 0 frames at 500 Hz, 1 frame at 1000 Hz
        FakeHost host;
        EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Refused);
        ExpectOnlyError(host, c.message);
        EXPECT_EQ(host.progressCreated, 0);
    }
}

TEST_F(JobTest, RecordingOfExactlyTheMinimumTrackIsAnalysedAndNothingFound) {
    Recording(1000, 1, 16).Sound(1000).Write(inputPath);
    FakeHost host;

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::NothingFound);

    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, messages::kNoSplitPoints);
    EXPECT_EQ(host.messages[0].caption, messages::kNothingToDoCaption);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Notice);
    EXPECT_EQ(host.progressCreated, 1);
    EXPECT_TRUE(host.mainWindowEnabled);
    EXPECT_TRUE(FilesInOutput().empty());
}

TEST_F(JobTest, UncreatableFirstFileStopsWithItsFullNameAndWritesNothing) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    // A folder in the way of the first file name: it cannot be opened for writing.
    std::filesystem::create_directory(outputDir / "Track1.wav");
    FakeHost host;

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::WriteFailed);

    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text,
              FormatText(messages::kCannotOpenForWriting, Names("Track", 3)[0].c_str()));
    EXPECT_EQ(host.messages[1].caption, messages::kErrorCaption);
    EXPECT_EQ(host.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(FilesInOutput(), (std::set<std::string>{"Track1.wav"}));
    EXPECT_TRUE(std::filesystem::is_directory(outputDir / "Track1.wav")); // not removed
    EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
    EXPECT_TRUE(host.mainWindowEnabled);
}

namespace {

// A recording cut short: the desktop programs are told by how much, in a message
// with OK, before the run goes on with the audio there is.
TEST_F(JobTest, RecordingCutShortIsSplitAfterAWarning) {
    Recording input(1000, 2, 16);
    input.Tracks(5, kTrack, kPause).Write(inputPath);
    // Four of the five tracks and the pause after the fourth: 7200 frames of 4 bytes.
    std::filesystem::resize_file(inputPath, 44 + 7200 * 4);
    FakeHost host;

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::Written);

    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[0].caption, messages::kWarningCaption);
    EXPECT_EQ(host.messages[0].kind, MessageKind::Notice);
    EXPECT_EQ(host.messages[0].text,
              "The header of " + inputPath +
                  " gives 34800 bytes of audio, but the file holds only 28800: 6000 bytes (0:01) "
                  "are missing, as when a copy or a recording is cut short.  The audio that is "
                  "there is split.");
    EXPECT_EQ(host.messages[1].caption, messages::kReadyCaption);
    ASSERT_TRUE(host.plan.has_value());
    EXPECT_EQ(host.plan->splitPoints, (std::vector<std::uint32_t>{1800, 3600, 5400}));
}

} // namespace
