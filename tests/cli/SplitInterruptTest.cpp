// quernfold-split interrupted by SIGINT while it writes, after the user said yes
// at the question: the program is held, under ptrace, right after it created the
// first file, so the signal lands there however busy the machine is.
#include "HeldProgram.h"
#include "SplitCliFixture.h"

#include <csignal>
#include <fstream>

using cli_testing::HeldProgram;
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
    // Ten minutes of CD-quality audio in 12 tracks.
    ProgramResult made =
        RunProgram(MAKE_RECORDING_PROGRAM, {"--length", "600", "--tracks", "12", "long.wav"},
                   dir.path().string());
    ASSERT_EQ(made.exitStatus, 0) << made.err;

    std::ofstream(dir.file("answer.txt")) << "y\n";
    HeldProgram split(SPLIT_PROGRAM, {"long.wav", "out"}, dir.path().string(), dir.file("err.txt"),
                      dir.file("report.txt"), dir.file("answer.txt"));
    ASSERT_TRUE(split.RunUntil(HeldProgram::Create, ".part", 1));
    split.Release(SIGINT);
    EXPECT_EQ(split.Wait(), 130);
    const std::vector<std::uint8_t> reportBytes =
        testing_support::ReadFileBytes(dir.file("report.txt"));
    const std::string report(reportBytes.begin(), reportBytes.end());
    EXPECT_NE(report.find("Number of segments to be created:    12"), std::string::npos) << report;

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
