// Every file whole or absent when a run of quernfold-split ends by a signal or a
// file-size limit, and when FIFOs, devices or closed standard streams stand where
// files and streams are expected.
#include "HeldProgram.h"
#include "ImmutableFolder_linux.h"
#include "Messages.h"
#include "OutputSafetyFixture.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using cli_testing::HeldProgram;

namespace {
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

    // A later run into a folder a killed run left a temporary file in clears it.
    const ProgramResult again = Split({"-y", "-q", Long(), (dir.path() / "out3").string()});
    EXPECT_EQ(again.exitStatus, 0) << again.err;
    EXPECT_EQ(ExpectEveryWavWhole(dir.path() / "out3").size(), 6u);
    EXPECT_EQ(Entries(dir.path() / "out3").size(), 6u);
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

} // namespace

TEST_F(OutputSafety, DryRunIntoAFolderNoFileCanBeCreatedInFailsBeforeTheAnalysis) {
    const fs::path out = Folder("out");
    const testing_support::ImmutableFolder immutable(out);
    ASSERT_TRUE(immutable.IsSet()) << "the file system has no immutable flag";

    ProgramResult dryRun = Split({"-n", Short(), out.string()});

    EXPECT_EQ(dryRun.exitStatus, 1);
    EXPECT_EQ(dryRun.out, ""); // no report: nothing was analysed
    EXPECT_EQ(dryRun.err,
              "Error: " + FormatText(messages::kCannotOpenForWriting, fs::canonical(out).c_str()) +
                  "\n" + std::strerror(EPERM) + "\n");
    EXPECT_TRUE(Entries(out).empty());
}
