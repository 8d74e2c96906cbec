// Every file whole or absent, however a run of quernfold-split ends: signals,
// file-size limits, concurrent runs, FIFOs, closed streams, and earlier outputs.
#include "Messages.h"
#include "ProgramRun.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using cli_testing::HeldProgram;
using cli_testing::ProgramResult;
using cli_testing::RunningProgram;
using cli_testing::RunProgram;
using testing_support::ReadFileBytes;

namespace {

std::uint32_t LE32(const std::vector<std::uint8_t>& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// Every *.wav in folder opens with libsndfile and its header claims exactly the
// bytes it holds (the writer lays down the 44-byte header). Returns the names.
std::vector<std::string> ExpectEveryWavWhole(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".wav") {
            continue;
        }
        names.push_back(entry.path().filename().string());
        const std::vector<std::uint8_t> bytes = ReadFileBytes(entry.path().string());
        if (bytes.size() < 44) {
            ADD_FAILURE() << entry.path() << " is shorter than a header";
            continue;
        }
        EXPECT_EQ(LE32(bytes, 4), bytes.size() - 8) << entry.path();
        EXPECT_EQ(LE32(bytes, 40), bytes.size() - 44) << entry.path();
        EXPECT_TRUE(testing_support::ReadWithSndfile(entry.path().string()).opened) << entry.path();
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Entries(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// What the program says when `path` is a folder or a device.
std::string NotAFileError(const char* path) {
    return "Error: " + FormatText(messages::kOpenFailed, path) + messages::kReasonNotRegularFile +
           "\n";
}

// Runs the program with its standard streams redirected by the shell, which says
// "closed" or "onto this device" most plainly.
ProgramResult RunWithRedirection(const std::vector<std::string>& arguments,
                                 const std::string& redirection, const std::string& folder) {
    std::vector<std::string> shell = {"-c", "exec \"$0\" \"$@\" " + redirection, SPLIT_PROGRAM};
    shell.insert(shell.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/sh", shell, folder);
}

class OutputSafety : public testing::Test {
protected:
    static void SetUpTestSuite() { shared = new testing_support::TempDir; }
    static void TearDownTestSuite() {
        delete shared;
        shared = nullptr;
    }

    // Five minutes in six tracks: several files of megabytes each, for the tests
    // that stop or race a run in the middle of its writing.
    static std::string Long() { return Made("long.wav", {"--length", "300", "--tracks", "6"}); }
    // Short, for the tests that do not need a long write.
    static std::string Short() {
        return Made("short.wav",
                    {"--rate", "8000", "--channels", "1", "--track-sec", "35", "--tracks", "3"});
    }
    static std::string Made(const std::string& name, std::vector<std::string> options) {
        const std::string path = shared->file(name);
        if (!fs::exists(path)) {
            options.push_back(name);
            ProgramResult made =
                RunProgram(MAKE_RECORDING_PROGRAM, options, shared->path().string());
            EXPECT_EQ(made.exitStatus, 0) << made.err;
        }
        return path;
    }
    fs::path Folder(const std::string& name) const {
        fs::create_directories(dir.path() / name);
        return dir.path() / name;
    }
    ProgramResult Split(const std::vector<std::string>& arguments) const {
        return RunProgram(SPLIT_PROGRAM, arguments, dir.path().string());
    }

    static testing_support::TempDir* shared;
    testing_support::TempDir dir;
};

testing_support::TempDir* OutputSafety::shared = nullptr;

TEST_F(OutputSafety, EverySignalLeavesOnlyWholeWavFiles) {
    // The program is held right after its count-th temporary file was created or
    // its count-th track renamed into place, and signalled there: it cannot finish
    // the run before the signal arrives.
    struct Case {
        const char* name;
        int signal;
        HeldProgram::FileCall call;
        int count;
        int exitStatus;
    };
    constexpr auto created = HeldProgram::Create;
    constexpr auto finished = HeldProgram::RenameOnto;
    const Case cases[] = {
        {"hang-up while writing file 1", SIGHUP, created, 1, 130},
        {"quit after file 2", SIGQUIT, finished, 2, 130},
        {"kill while writing file 1", SIGKILL, created, 1, 128 + SIGKILL},
        {"kill after file 3", SIGKILL, finished, 3, 128 + SIGKILL},
        {"file-size signal after file 1 is ignored", SIGXFSZ, finished, 1, 0},
    };
    int run = 0;
    for (const Case& c : cases) {
        const fs::path out = Folder("out" + std::to_string(++run));
        HeldProgram split(SPLIT_PROGRAM, {"-y", "-q", Long(), out.string()}, dir.path().string(),
                          dir.file("err.txt"));
        ASSERT_TRUE(split.RunUntil(c.call, c.call == created ? ".part" : ".wav", c.count))
            << c.name;
        split.Release(c.signal);
        EXPECT_EQ(split.Wait(), c.exitStatus) << c.name;
        const std::vector<std::string> wavs = ExpectEveryWavWhole(out);
        EXPECT_GE(wavs.size(), static_cast<std::size_t>(c.call == finished ? c.count : 0))
            << c.name;
        if (c.exitStatus == 0) {
            EXPECT_EQ(wavs.size(), 6u) << c.name;
        }
        // Besides the tracks only a killed run's temporary dot-file may be left.
        for (const std::string& name : Entries(out)) {
            const bool temporary = name.starts_with(".") && name.ends_with(".part");
            EXPECT_TRUE(name.ends_with(".wav") || (temporary && c.signal == SIGKILL))
                << c.name << ": " << name;
        }
    }

    // A later run into a folder a killed run left a temporary file in ignores it.
    const ProgramResult again = Split({"-y", "-q", Long(), (dir.path() / "out3").string()});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(ExpectEveryWavWhole(dir.path() / "out3").size(), 6u);
}

// RLIMIT_FSIZE for the programs this test starts (children inherit it).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }

private:
    rlimit saved{};
};

TEST_F(OutputSafety, EarlierFilesStayWholeUntilReplacedAndHardLinksKeepTheirBytes) {
    const fs::path out = Folder("out");
    ASSERT_EQ(Split({"-y", "-q", Short(), out.string()}).exitStatus, 0);
    const std::vector<std::uint8_t> first = ReadFileBytes((out / "Track1.wav").string());
    const fs::path snapshot = Folder("snapshot") / "Track1.wav";
    fs::create_hard_link(out / "Track1.wav", snapshot);

    // A re-run with other contents that hits the file-size limit in its first
    // file: reported as a write failure, the earlier file untouched.
    ProgramResult limited;
    {
        FileSizeLimit limit(20000);
        limited = Split({"-y", "-q", "--append-silence-ms", "100", Short(), out.string()});
    }
    EXPECT_EQ(limited.exitStatus, 1);
    EXPECT_EQ(limited.err,
              "Error: " +
                  FormatText(messages::kCannotWrite, (fs::canonical(out) / "Track1.wav").c_str()) +
                  "\n");
    EXPECT_EQ(ReadFileBytes((out / "Track1.wav").string()), first);
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"Track1.wav", "Track2.wav", "Track3.wav"}));

    // Replaced for real, the new file is a new file: the snapshot keeps the old bytes.
    ASSERT_EQ(Split({"-y", "-q", "--append-silence-ms", "100", Short(), out.string()}).exitStatus,
              0);
    EXPECT_NE(ReadFileBytes((out / "Track1.wav").string()), first);
    EXPECT_EQ(ReadFileBytes(snapshot.string()), first);
    ExpectEveryWavWhole(out);
}

TEST_F(OutputSafety, TwoRunsIntoOneFolderAtOnceLeaveWholeFiles) {
    const fs::path out = Folder("out");
    RunningProgram plain(SPLIT_PROGRAM, {"-y", "-q", Long(), out.string()}, dir.path().string(),
                         dir.file("err1.txt"));
    RunningProgram padded(SPLIT_PROGRAM,
                          {"-y", "-q", "--append-silence-ms", "2000", Long(), out.string()},
                          dir.path().string(), dir.file("err2.txt"));
    EXPECT_EQ(plain.Wait(), 0);
    EXPECT_EQ(padded.Wait(), 0);
    EXPECT_EQ(ExpectEveryWavWhole(out).size(), 6u);
    EXPECT_EQ(Entries(out).size(), 6u);
}

TEST_F(OutputSafety, FifosAndDevicesAreRefusedAtOnceAndLeftAlone) {
    // A blocking open would hang here until CTest's time limit ends the test.
    const fs::path out = Folder("out");
    ASSERT_EQ(mkfifo(dir.file("input.wav").c_str(), 0644), 0);
    ProgramResult input = Split({"-y", "input.wav", "out"});
    EXPECT_EQ(input.exitStatus, 1);
    EXPECT_EQ(input.err, NotAFileError("input.wav"));

    ProgramResult device = Split({"-y", "/dev/zero", "out"});
    EXPECT_EQ(device.exitStatus, 1);
    EXPECT_EQ(device.err, NotAFileError("/dev/zero"));

    ASSERT_EQ(mkfifo((out / "Track2.wav").c_str(), 0644), 0);
    ProgramResult output = Split({"-y", "-q", Short(), "out"});
    EXPECT_EQ(output.exitStatus, 1);
    EXPECT_EQ(output.err, "Error: " +
                              FormatText(messages::kCannotOpenForWriting,
                                         (fs::canonical(out) / "Track2.wav").c_str()) +
                              "\n");
    EXPECT_EQ(Entries(out), std::vector<std::string>{"Track2.wav"});
    EXPECT_TRUE(fs::is_fifo(out / "Track2.wav"));

    ASSERT_EQ(mkfifo(dir.file("cuts.txt").c_str(), 0644), 0);
    ProgramResult labels = Split({"-n", "--labels", "cuts.txt", Short(), "out"});
    EXPECT_EQ(labels.exitStatus, 1);
    EXPECT_TRUE(fs::is_fifo(dir.path() / "cuts.txt"));
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

TEST_F(OutputSafety, ClosedOrBrokenStandardStreamsNeverReachAFile) {
    const fs::path out = Folder("out");
    fs::copy_file(Short(), dir.path() / "in.wav");
    const std::vector<std::uint8_t> recording = ReadFileBytes(dir.file("in.wav"));

    // No standard input: the prompt meets the end of input, never the recording.
    ProgramResult noInput = RunWithRedirection({"in.wav", "out"}, "<&-", dir.path().string());
    EXPECT_EQ(noInput.exitStatus, 4) << noInput.err;
    EXPECT_TRUE(Entries(out).empty());

    // A report that cannot be written fails a dry run.
    ProgramResult full =
        RunWithRedirection({"-n", "in.wav", "out"}, ">/dev/full", dir.path().string());
    EXPECT_EQ(full.exitStatus, 1);
    EXPECT_EQ(full.err, "Error: The report could not be written to standard output.\n");

    // Standard output a pipe nobody reads: an error before any file, not a signal.
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    close(pipeEnds[0]);
    ProgramResult broken = RunWithRedirection(
        {"-y", "in.wav", "out"}, ">&" + std::to_string(pipeEnds[1]), dir.path().string());
    close(pipeEnds[1]);
    EXPECT_EQ(broken.exitStatus, 1);
    EXPECT_EQ(broken.err, full.err);
    EXPECT_TRUE(Entries(out).empty());
    EXPECT_EQ(ReadFileBytes(dir.file("in.wav")), recording);
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
