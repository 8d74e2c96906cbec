// quernfold-split interrupted by SIGINT while it writes: the moment comes from
// inotify, the signal from kill.
#include "SplitCliFixture.h"

#include <climits>
#include <csignal>
#include <signal.h>
#include <sys/inotify.h>
#include <unistd.h>

using cli_testing::RunningProgram;
using testing_support::ReadTestWav;

namespace {

// Reads the data chunk size the header states (the files here have the 44-byte layout).
std::uint32_t HeaderDataSize(const std::string& path) {
    std::vector<std::uint8_t> bytes = testing_support::ReadFileBytes(path);
    if (bytes.size() < 44) {
        return 0;
    }
    return bytes[40] | bytes[41] << 8 | bytes[42] << 16 |
           static_cast<std::uint32_t>(bytes[43]) << 24;
}

TEST_F(SplitCli, InterruptWhileWritingLeavesOnlyValidFiles) {
    // Ten minutes of CD-quality audio in 12 tracks: the writing (at idle priority)
    // takes far longer than the signal needs to arrive.
    ProgramResult made =
        RunProgram(MAKE_RECORDING_PROGRAM, {"--length", "600", "--tracks", "12", "long.wav"},
                   dir.path().string());
    ASSERT_EQ(made.exitStatus, 0) << made.err;

    RunningProgram split(SPLIT_PROGRAM, {"long.wav", "out"}, dir.path().string(),
                         dir.file("err.txt"));
    std::string report = split.ReadUntil("Proceed to create WAV file segments?\n");
    ASSERT_NE(report.find("Number of segments to be created:    12"), std::string::npos) << report;

    // Woken the moment the first file is created, so the signal follows without
    // guesswork. Watched only from the question on: the output folder was tried
    // with a file of its own before the analysis.
    const int watch = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, dir.file("out").c_str(), IN_CREATE), 0);
    split.Write("y\n");
    char event[sizeof(inotify_event) + NAME_MAX + 1];
    const ssize_t got = read(watch, event, sizeof event);
    close(watch);
    ASSERT_GT(got, 0);
    ASSERT_EQ(kill(split.ProcessId(), SIGINT), 0);
    EXPECT_EQ(split.Wait(), 130);

    std::vector<std::string> files = FilesIn("out");
    ASSERT_GE(files.size(), 1u);
    EXPECT_LT(files.size(), 12u);
    for (const std::string& name : files) {
        const std::string path = dir.file("out/" + name);
        auto file = ReadTestWav(path);
        ASSERT_TRUE(file.opened) << name;
        const std::uintmax_t size = fs::file_size(path);
        EXPECT_EQ(HeaderDataSize(path), size - 44) << name;
        EXPECT_EQ(file.frames, static_cast<std::int64_t>((size - 44) / 4)) << name;
    }
}

} // namespace
