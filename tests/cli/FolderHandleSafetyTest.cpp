// The output folder is held open for the whole run, names are compared as
// case-blind disks compare them, and nothing a run cancels, fails or is killed
// in ever takes the place of a file that was whole.
#include "HeldProgram.h"
#include "Messages.h"
#include "OutputSafetyFixture.h"

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <sys/file.h>
#include <unistd.h>

using cli_testing::HeldProgram;
using cli_testing::RunningProgram;

namespace {

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string TextOf(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

bool RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

// A case-blind file system on a FUSE mount, unmounted when the test ends: exFAT
// when this machine's driver folds case, else FAT. Empty reason when mounted.
class CaseBlindMount {
public:
    explicit CaseBlindMount(const fs::path& folder) : point(folder / "disk") {
        fs::create_directories(point);
        const std::string image = (folder / "disk.img").string();
        const struct {
            const char* format;
            const char* mount;
        } drivers[] = {{"mkfs.exfat", "mount.exfat-fuse"}, {"mkfs.vfat", "fusefat -o rw+"}};
        for (const auto& driver : drivers) {
            fs::remove(image);
            if (!RunQuietly("truncate -s 64M " + image + " && " + driver.format + " " + image) ||
                !RunQuietly(std::string(driver.mount) + " " + image + " " + point.string())) {
                reason += std::string(driver.mount) + " cannot mount here; ";
                continue;
            }
            mounted = true;
            std::ofstream(point / "Probe.txt") << "x";
            if (fs::exists(point / "probe.txt")) {
                fs::remove(point / "Probe.txt");
                reason.clear();
                return;
            }
            reason += std::string(driver.mount) + " tells case apart here; ";
            Unmount();
        }
    }
    ~CaseBlindMount() { Unmount(); }
    const std::string& WhyNot() const { return reason; }
    const fs::path& Point() const { return point; }

private:
    void Unmount() {
        if (mounted) {
            RunQuietly("umount " + point.string());
            mounted = false;
        }
    }
    fs::path point;
    std::string reason;
    bool mounted = false;
};

} // namespace

TEST_F(OutputSafety, OtherSpellingsOfTheRecordingOnACaseBlindDiskAreRefused) {
    CaseBlindMount disk(dir.path());
    if (!disk.WhyNot().empty()) {
        GTEST_SKIP() << "no case-blind file system can be mounted: " << disk.WhyNot();
    }
    const fs::path out = disk.Point() / "out";
    const fs::path tracks = disk.Point() / "tracks";
    fs::create_directories(out);
    fs::create_directories(tracks);
    // Copied by hand: the FAT driver has no call for copying.
    const std::vector<std::uint8_t> recording = ReadFileBytes(Short());
    std::ofstream(out / "Track3.wav", std::ios::binary)
        .write(reinterpret_cast<const char*>(recording.data()),
               static_cast<std::streamsize>(recording.size()));
    const std::string input = (out / "track3.wav").string();
    struct Case {
        std::vector<std::string> arguments;
        const char* error;
    };
    const Case cases[] = {
        {{"-y", input, out.string()}, "is the WAV file being split"},
        {{"-y", "--labels", (tracks / "TRACK1.wav").string(), input, tracks.string()},
         "is the name of one of the WAV files"},
        {{"--dry-run", "--labels", (out / "TRACK3.WAV").string(), input, tracks.string()},
         "is the WAV file being split"},
    };
    for (const Case& c : cases) {
        const ProgramResult run = Split(c.arguments);
        EXPECT_EQ(run.exitStatus, 1) << c.arguments[2];
        EXPECT_TRUE(Contains(run.err, c.error)) << run.err;
        EXPECT_EQ(ReadFileBytes((out / "Track3.wav").string()), recording);
        EXPECT_EQ(Entries(out), std::vector<std::string>{"Track3.wav"});
        EXPECT_TRUE(Entries(tracks).empty());
    }
}

TEST_F(OutputSafety, AFolderSwappedAtThePromptStillGetsItsFiles) {
    // The recording's name is one of the track names, in another folder.
    const fs::path source = Folder("src");
    fs::copy_file(Short(), source / "Track3.wav");
    const std::vector<std::uint8_t> recording = ReadFileBytes((source / "Track3.wav").string());
    Folder("out");
    RunningProgram split(SPLIT_PROGRAM, {"src/Track3.wav", "out"}, dir.path().string(),
                         dir.file("err.txt"));
    split.ReadUntil("Proceed to create WAV file segments?\n");
    // While the question waits, the output folder's name comes to lead to the recording.
    fs::rename(dir.path() / "out", dir.path() / "chosen");
    fs::create_directory_symlink("src", dir.path() / "out");
    split.Write("y\n");
    EXPECT_EQ(split.Wait(), 0) << TextOf(dir.file("err.txt"));
    EXPECT_EQ(ReadFileBytes((source / "Track3.wav").string()), recording);
    EXPECT_EQ(Entries(source), std::vector<std::string>{"Track3.wav"});
    EXPECT_EQ(ExpectEveryWavWhole(dir.path() / "chosen"),
              (std::vector<std::string>{"Track1.wav", "Track2.wav", "Track3.wav"}));
}

TEST_F(OutputSafety, ACancelledFileNeverReplacesAWholeOne) {
    const fs::path out = Folder("out");
    ASSERT_EQ(Split({"-y", "-q", Long(), out.string()}).exitStatus, 0);
    const std::vector<std::uint8_t> whole = ReadFileBytes((out / "Track1.wav").string());

    HeldProgram split(SPLIT_PROGRAM, {"-y", "-q", Long(), out.string()}, dir.path().string(),
                      dir.file("err.txt"), dir.file("out.txt"));
    ASSERT_TRUE(split.RunUntil(HeldProgram::Create, ".part", 1));
    split.Release(SIGHUP);
    EXPECT_EQ(split.Wait(), 130);
    EXPECT_EQ(ReadFileBytes((out / "Track1.wav").string()), whole);
    EXPECT_EQ(ExpectEveryWavWhole(out).size(), 6u);
    EXPECT_EQ(Entries(out).size(), 6u); // no temporary file left
    EXPECT_TRUE(TextOf(dir.file("out.txt"))
                    .ends_with(FormatText(messages::kCancelledNotWritten,
                                          (fs::canonical(out) / "Track1.wav").string().c_str()) +
                               "\n"));
}

TEST_F(OutputSafety, LabelFileIsWrittenAfterTheAnswerAndOnlyOverALabelFile) {
    const fs::path out = Folder("out");
    fs::copy_file(Short(), dir.path() / "other.wav");
    const std::vector<std::uint8_t> other = ReadFileBytes(dir.file("other.wav"));
    std::ofstream(dir.file("notes.txt")) << "tracks to keep:\n1, 3\n";
    std::ofstream(dir.file("old.txt")) << "0.000000\t1.000000\tTrack1\n";
    struct Case {
        const char* labels;
        const char* answer;
        int exitStatus;
        bool written;
    };
    const Case cases[] = {
        {"other.wav", "y\n", 2, false}, // another recording
        {"notes.txt", "y\n", 2, false}, // a text of another kind
        {"old.txt", "n\n", 4, false},   // a "no" writes nothing
        {"old.txt", "y\n", 0, true},    // an earlier label file is replaced
    };
    for (const Case& c : cases) {
        const std::string before = TextOf(dir.file(c.labels));
        const ProgramResult run =
            RunProgram(SPLIT_PROGRAM, {"-q", "--labels", c.labels, Short(), out.string()},
                       dir.path().string(), c.answer);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << c.labels << run.err;
        const std::string after = TextOf(dir.file(c.labels));
        EXPECT_EQ(after != before, c.written) << c.labels;
        if (c.exitStatus == 2) {
            EXPECT_TRUE(Contains(run.err, "is not a label file")) << run.err;
            EXPECT_TRUE(Entries(out).empty()) << c.labels;
        }
        fs::remove_all(out);
        fs::create_directory(out);
    }
    EXPECT_EQ(ReadFileBytes(dir.file("other.wav")), other);
}

TEST_F(OutputSafety, LeftoversOfDeadRunsAreClearedAndLiveOnesKept) {
    const fs::path out = Folder("out");
    const std::string dead = (out / ".quernfold-0123456789abcdef.part").string();
    const std::string live = (out / ".quernfold-fedcba9876543210.part").string();
    const std::string unrelated = (out / "notes.part").string();
    for (const std::string& name : {dead, live, unrelated}) {
        std::ofstream(name) << "partial";
    }
    // This test stands for a live run: it holds the lock a run holds.
    const int held = open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
    const ProgramResult run = Split({"-y", "-q", Short(), out.string()});
    close(held);
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_FALSE(fs::exists(dead));
    EXPECT_TRUE(fs::exists(live));
    EXPECT_TRUE(fs::exists(unrelated));
}

TEST_F(OutputSafety, AFailedRenameSaysSoAndLeavesNoTemporaryFile) {
    const fs::path out = Folder("out");
    std::ofstream(out / "Track2.wav") << "kept";
    // An immutable file cannot be replaced, even by root; the folder stays writable.
    ASSERT_TRUE(RunQuietly("chattr +i " + (out / "Track2.wav").string()))
        << "chattr is needed to make a rename fail";
    const ProgramResult run = Split({"-y", "-q", Short(), out.string()});
    RunQuietly("chattr -i " + (out / "Track2.wav").string());
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_EQ(run.err, "Error: " +
                           FormatText(messages::kCannotRename,
                                      (fs::canonical(out) / "Track2.wav").string().c_str()) +
                           "\n");
    EXPECT_EQ(Entries(out), (std::vector<std::string>{"Track1.wav", "Track2.wav"}));
    EXPECT_EQ(TextOf(out / "Track2.wav"), "kept");
}

TEST_F(OutputSafety, ARecordingRewrittenDuringTheRunStopsIt) {
    const fs::path out = Folder("out");
    fs::copy_file(Long(), dir.path() / "side-a.wav");
    HeldProgram split(SPLIT_PROGRAM, {"-y", "-q", "side-a.wav", out.string()}, dir.path().string(),
                      dir.file("err.txt"));
    ASSERT_TRUE(split.RunUntil(HeldProgram::RenameOnto, ".wav", 1));
    // Rewritten in place, as a copy over it does: same file, new content.
    std::fstream(dir.file("side-a.wav"), std::ios::binary | std::ios::in | std::ios::out)
        .seekp(100000)
        .write("changed", 7);
    split.Release(0);
    EXPECT_EQ(split.Wait(), 1);
    EXPECT_TRUE(Contains(TextOf(dir.file("err.txt")), "changed while it was being split"))
        << TextOf(dir.file("err.txt"));
    EXPECT_EQ(ExpectEveryWavWhole(out), std::vector<std::string>{"Track1.wav"});
    EXPECT_EQ(Entries(out), std::vector<std::string>{"Track1.wav"});
}

TEST_F(OutputSafety, AnOutputFolderDeeperThanAPathCanSpellIsWrittenTo) {
    // The folder's full path is longer than the 4096 bytes a path may have; the
    // shell walks down to it one step at a time.
    std::string walk = "exec \"$0\" \"$@\"";
    fs::path deep = dir.path();
    for (int level = 0; level < 45; ++level) {
        deep /= std::string(99, 'd');
        walk = "cd -P " + std::string(99, 'd') + " && " + walk;
    }
    // Made one step at a time too, below the path limit of each call.
    const fs::path start = fs::current_path();
    fs::current_path(dir.path());
    for (int level = 0; level < 45; ++level) {
        fs::create_directory(std::string(99, 'd'));
        fs::current_path(std::string(99, 'd'));
    }
    fs::create_directory("out");
    fs::current_path(start);
    ASSERT_GT(deep.string().size(), 4096u);
    const ProgramResult run = RunProgram(
        "/bin/sh", {"-c", walk, SPLIT_PROGRAM, "-y", "-q", "--labels", "cuts.txt", Short(), "out"},
        dir.path().string());
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    // rm walks the tree relative to each folder, as the test's clean-up cannot.
    EXPECT_EQ(RunProgram("/bin/rm", {"-rf", std::string(99, 'd')}, dir.path().string()).exitStatus,
              0);
}
