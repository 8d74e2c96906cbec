// Every file whole or absent, however a run of quernfold-split ends: concurrent
// runs, a label file named like the recording or a track, and a recording too
// large for its header.
#include "Messages.h"
#include "OutputSafetyFixture.h"

using cli_testing::RunningProgram;

namespace {

TEST_F(OutputSafety, TwoRunsIntoOneFolderAtOnceLeaveWholeFiles) {
    const fs::path out = Folder("out");
    RunningProgram plain(SPLIT_PROGRAM, {"-y", "-q", Long(), out.string()}, dir.path().string(),
                         dir.file("err1.txt"));
    RunningProgram padded(SPLIT_PROGRAM,
                          {"-y", "-q", "--append-silence-ms", "2000", Long(), out.string()},
                          dir.path().string(), dir.file("err2.txt"));
    const auto errors = [this](const char* name) {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(dir.file(name));
        return std::string(bytes.begin(), bytes.end());
    };
    EXPECT_EQ(plain.Wait(), 0) << errors("err1.txt");
    EXPECT_EQ(padded.Wait(), 0) << errors("err2.txt");
    EXPECT_EQ(ExpectEveryWavWhole(out).size(), 6u);
    EXPECT_EQ(Entries(out).size(), 6u);
}

TEST_F(OutputSafety, LabelFileNeverReplacesTheRecordingOrATrack) {
    const fs::path out = Folder("out");
    fs::copy_file(Short(), dir.path() / "side-a.wav");
    const std::vector<std::uint8_t> recording = ReadFileBytes(dir.file("side-a.wav"));

    // The typo of side-a.txt: the recording is the label file named.
    ProgramResult onInput = Split({"--dry-run", "--labels", "side-a.wav", "side-a.wav", "out"});
    EXPECT_EQ(onInput.exitStatus, 1);
    EXPECT_NE(onInput.err.find("is the WAV file being split"), std::string::npos) << onInput.err;
    EXPECT_EQ(ReadFileBytes(dir.file("side-a.wav")), recording);
    // Nor through another name of it.
    fs::create_hard_link(dir.path() / "side-a.wav", dir.path() / "out" / "side-a.txt");
    for (const char* name : {"./out/../side-a.wav", "out/side-a.txt"}) {
        ProgramResult other = Split({"--dry-run", "--labels", name, "side-a.wav", "out"});
        EXPECT_EQ(other.exitStatus, 1) << name;
        EXPECT_NE(other.err.find("is the WAV file being split"), std::string::npos) << other.err;
    }
    fs::remove(dir.path() / "out" / "side-a.txt");
    EXPECT_EQ(ReadFileBytes(dir.file("side-a.wav")), recording);

    ProgramResult onTrack = Split({"-y", "--labels", "out/Track2.wav", "side-a.wav", "out"});
    EXPECT_EQ(onTrack.exitStatus, 1);
    EXPECT_NE(onTrack.err.find("one of the WAV files"), std::string::npos) << onTrack.err;
    EXPECT_TRUE(Entries(out).empty());
    // Nothing but the recording, the run's error log and the folders.
    EXPECT_EQ(Entries(dir.path()), (std::vector<std::string>{"out", "side-a.wav"}));
}

TEST_F(OutputSafety, RecordingPastFourGibibytesWithUnpatchedSizesIsRefusedWithItsReason) {
    // Sparse: the gibibytes of silence cost no disk. 17 GiB of 16-bit stereo
    // frames cannot be counted in 32 bits, and the refusal says why instead of
    // cutting at 4 GiB (the file layer's tests read a 5 GiB one whole).
    for (const std::uint32_t size : {0u, 0xFFFFFFFFu}) {
        const std::string path = dir.file("big.wav");
        std::vector<std::uint8_t> header = {
            'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
            ' ', 16,  0,   0,   0,  1, 0,   2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1,
            2,   0,   4,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
        for (std::size_t at : {4u, 40u}) {
            for (int i = 0; i < 4; ++i) {
                header[at + i] = static_cast<std::uint8_t>(size >> (8 * i));
            }
        }
        testing_support::WriteFileBytes(path, header);
        fs::resize_file(path, std::uintmax_t{17} << 30);
        Folder("out");
        ProgramResult run = Split({"-n", "-q", "big.wav", "out"});
        EXPECT_EQ(run.exitStatus, 1) << size;
        EXPECT_EQ(run.err, "Error: Failed to open big.wav for reading,\nit is larger than the "
                           "WAV format can describe.\n")
            << size;
        fs::remove(path);
    }
}

} // namespace
