// The cue sheet of the written tracks: written beside them once all are, named
// by the album or the prefix, never in place of the recording or another file,
// and never after a cancel or a "no".
#include "JobFixture.h"

#include <fstream>
#include <sstream>

namespace {

std::string FileText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(JobTest, TheCueSheetNamesEveryWrittenFileInOrder) {
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
        std::string expected = c.album.empty() ? "" : "TITLE \"" + c.album + "\"\r\n";
        for (int n = 7; n <= 9; ++n) {
            expected += "FILE \"" + c.prefix + std::to_string(n) + ".wav\" WAVE\r\n  TRACK 0" +
                        std::to_string(n) + " AUDIO\r\n    INDEX 01 00:00:00\r\n";
        }
        const std::filesystem::path sheet = outputDir / FileNameSafeText(c.sheet);
        EXPECT_EQ(FileText(sheet), expected);
        for (int n = 7; n <= 9; ++n) {
            EXPECT_TRUE(
                std::filesystem::exists(outputDir / (c.prefix + std::to_string(n) + ".wav")));
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
