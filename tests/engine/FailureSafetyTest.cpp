// The job never destroys the input, never reports a failed write or read as
// success, and leaves only complete files behind.
#include "JobFixture.h"

TEST_F(JobTest, RecordingChangedBeforeTheWritingStopsInsteadOfCopyingStaleAudio) {
    Recording input(1000, 1, 16);
    input.Tracks(4, kTrack, kPause).Write(inputPath);
    FakeHost host;
    // Between the analysis and the writing the recording loses its end: frames
    // from 4000 on can no longer be read although the reader counted them.
    const std::uintmax_t keptBytes =
        std::filesystem::file_size(inputPath) - (input.Frames() - 4000) * 2;
    host.beforeConfirm = [&] { std::filesystem::resize_file(inputPath, keptBytes); };

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::WriteFailed);

    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, FormatText(messages::kRecordingChanged, inputPath.c_str()));
    EXPECT_EQ(host.messages[1].caption, messages::kErrorCaption);
    EXPECT_EQ(FilesInOutput(), std::set<std::string>{});
    EXPECT_TRUE(host.mainWindowEnabled);
}

TEST_F(JobTest, LongOutputFolderPathsAreWrittenInFull) {
    // Well past 260 characters.
    std::filesystem::path deep = outputDir;
    for (int i = 0; i < 6; ++i) {
        deep /= std::string(60, static_cast<char>('a' + i));
    }
    std::filesystem::create_directories(deep);
    Recording input(1000, 1, 16);
    input.Tracks(2, kTrack, kPause).Write(inputPath);
    SplitOptions options = Options();
    options.outputFolder = deep.string();
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Written);

    const std::string folder = std::filesystem::canonical(deep).string();
    ASSERT_GT(folder.size(), 260u);
    ExpectSegmentFiles(
        input, {SegmentFileName(folder, "Track", 1, 2), SegmentFileName(folder, "Track", 2, 2)},
        LayOutSegments(*host.plan, input.Frames()), 0);
}

TEST_F(JobTest, ACancelledFileNeverReplacesAnExistingOne) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    FakeHost first;
    ASSERT_EQ(RunSplitJob(Options(), first), SplitOutcome::Written);
    const std::vector<std::string> names = Names("Track", 3);
    std::vector<std::vector<std::uint8_t>> before;
    for (const std::string& name : names) {
        before.push_back(testing_support::ReadFileBytes(name));
    }

    // Cancelled at its first progress update: file 1 holds one window only.
    FakeHost again;
    again.cancelWhen = [](const FakeHost& h, std::int64_t) { return h.writing; };
    EXPECT_EQ(RunSplitJob(Options(), again), SplitOutcome::Cancelled);

    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(testing_support::ReadFileBytes(names[i]), before[i]) << names[i];
    }
    EXPECT_EQ(FilesInOutput(), (std::set<std::string>{"Track1.wav", "Track2.wav", "Track3.wav"}));
    ASSERT_FALSE(again.messages.empty());
    EXPECT_EQ(again.messages.back().text,
              FormatText(messages::kCancelledNotWritten, names[0].c_str()));
    EXPECT_TRUE(again.mainWindowEnabled);
}
