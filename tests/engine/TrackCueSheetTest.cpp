// The cue sheet of the recording: written beside the tracks once all are, named
// by the album or the prefix, never in place of the recording or another file,
// and never after a cancel or a "no".
#include "CueSheet.h"
#include "JobFixture.h"
#include "SegmentWriter.h"

#include <fstream>
#include <sstream>

namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(JobTest, TheCueSheetOfTheRecordingReadsBackToTheFilesWritten) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    struct Case {
        std::string album;
        std::string prefix;
        std::string sheet;
    };
    for (const Case& c : {Case{"", "Side ", "Side.cue"}, Case{"A/B: live", "Tr", "A_B: live.cue"},
                          Case{"", " ", "Track.cue"}}) {
        SCOPED_TRACE(c.sheet);
        std::filesystem::remove_all(outputDir);
        std::filesystem::create_directory(outputDir);
        SplitOptions options = Options();
        options.writeCueSheet = true;
        options.fileNamePrefix = c.prefix;
        options.naming.album = c.album;
        options.naming.firstNumber = 7;
        FakeHost host;
        ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
        std::filesystem::current_path(previousDirectory);
        ASSERT_TRUE(host.plan.has_value());

        // The sheet names the recording beside the output folder, a track at
        // the first frame of every file, the album and the numbers written.
        const std::string text = FileText(outputDir / FileNameSafeText(c.sheet));
        const std::string file = std::string("FILE \"..") + kPathSeparator + "input.wav\" WAVE";
        EXPECT_NE(text.find(file), std::string::npos) << text;
        std::string problem;
        const std::optional<CueSheet> sheet = ParseCueSheet(text, problem);
        ASSERT_TRUE(sheet.has_value()) << problem;
        EXPECT_EQ(sheet->naming.album, c.album);
        EXPECT_EQ(sheet->naming.firstNumber, 7u);
        const std::vector<SegmentSpan> spans = LayOutSegments(*host.plan, input.Frames());
        ASSERT_EQ(sheet->cuts.starts.size(), spans.size());
        for (std::size_t i = 0; i < spans.size(); ++i) {
            EXPECT_EQ(FrameOfStart(sheet->cuts.starts[i], 1000), spans[i].firstFrame);
            EXPECT_TRUE(
                std::filesystem::exists(outputDir / (c.prefix + std::to_string(7 + i) + ".wav")));
        }
    }
}

// A name the sheet may not take stops the run before any track is written.
TEST_F(JobTest, ACueSheetThatWouldReplaceAnotherFileIsRefusedBeforeAnyTrack) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause);
    const std::string recordingInOutput = (outputDir / "Track.cue").string();
    struct Case {
        const char* what;
        std::string recording;
        std::string message;
    };
    for (const Case& c :
         {Case{"the recording", recordingInOutput, "is the WAV file being split"},
          Case{"a file that is no cue sheet", inputPath, "exists and is not a cue sheet"}}) {
        SCOPED_TRACE(c.what);
        input.Write(c.recording);
        if (c.recording == inputPath) {
            input.Write((outputDir / "Track.cue").string()); // binary data: no cue sheet
        }
        const std::vector<std::uint8_t> before =
            testing_support::ReadFileBytes((outputDir / "Track.cue").string());
        SplitOptions options = Options();
        options.inputPath = c.recording;
        options.writeCueSheet = true;
        FakeHost host;
        EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Refused);
        std::filesystem::current_path(previousDirectory);
        ASSERT_FALSE(host.messages.empty());
        EXPECT_NE(host.messages.back().text.find(c.message), std::string::npos)
            << host.messages.back().text;
        EXPECT_EQ(FilesInOutput(), std::set<std::string>{"Track.cue"});
        EXPECT_EQ(testing_support::ReadFileBytes((outputDir / "Track.cue").string()), before);
    }
}

TEST_F(JobTest, NoCueSheetAfterACancelOrANo) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    for (const bool cancel : {true, false}) {
        SCOPED_TRACE(cancel ? "cancelled while writing" : "the report answered with Cancel");
        SplitOptions options = Options();
        options.writeCueSheet = true;
        FakeHost host;
        host.confirmAnswer = cancel ? Answer::Ok : Answer::Cancel;
        host.cancelWhen = [cancel](const FakeHost& h, std::int64_t position) {
            return cancel && h.writing && position >= 2000;
        };
        EXPECT_NE(RunSplitJob(options, host), SplitOutcome::Written);
        std::filesystem::current_path(previousDirectory);
        EXPECT_EQ(FilesInOutput().count("Track.cue"), 0u);
    }
}

} // namespace
