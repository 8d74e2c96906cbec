// The job never destroys the input named through a link, and leaves only complete
// files behind when a device or a full disk refuses its writes.
#include "JobFixture.h"

#include "ImmutableFolder_linux.h"

#include <sys/mount.h>

#include <cerrno>
#include <cstring>

TEST_F(JobTest, OutputNameThatIsTheInputIsRefusedHoweverThePathIsSpelled) {
    // The recording lives in the output folder under the name file 2 would get,
    // and is named through a link to that folder.
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write((outputDir / "Track2.wav").string());
    const std::filesystem::path link = temp.path() / "link";
    std::filesystem::create_directory_symlink(outputDir, link);
    const std::vector<std::uint8_t> before =
        testing_support::ReadFileBytes((outputDir / "Track2.wav").string());
    SplitOptions options = Options();
    options.inputPath = (link / "." / "Track2.wav").string();
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Refused);

    ExpectOnlyError(host, FormatText(messages::kOutputIsInput, Names("Track", 3)[1].c_str()));
    EXPECT_EQ(FilesInOutput(), (std::set<std::string>{"Track2.wav"}));
    EXPECT_EQ(testing_support::ReadFileBytes((outputDir / "Track2.wav").string()), before);
    EXPECT_TRUE(host.mainWindowEnabled);
}

// Other names of the recording where file 2 goes: the check compares the files
// themselves, not the text of their paths.
struct InputSpelling {
    const char* name;
    // Puts the recording (already at input.wav) where file 2 will be written, and
    // returns the input path the job is given, relative to the temporary folder.
    std::string (*arrange)(const std::filesystem::path& temp, const std::filesystem::path& out);
};

void PrintTo(const InputSpelling& spelling, std::ostream* out) {
    *out << spelling.name;
}

class InputSpellingTest : public JobTest, public ::testing::WithParamInterface<InputSpelling> {};

TEST_P(InputSpellingTest, OutputNameThatIsTheInputIsRefused) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    const std::string given = GetParam().arrange(temp.path(), outputDir);
    if (given.empty()) {
        GTEST_SKIP() << "this system cannot make that name here";
    }
    const std::vector<std::uint8_t> before = testing_support::ReadFileBytes(inputPath);
    // Relative paths are resolved from where the job starts, not the output folder.
    std::filesystem::current_path(temp.path());
    SplitOptions options = Options();
    options.inputPath = given;
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::Refused);

    ExpectOnlyError(host, FormatText(messages::kOutputIsInput, Names("Track", 3)[1].c_str()));
    EXPECT_EQ(testing_support::ReadFileBytes(inputPath), before);
    EXPECT_EQ(testing_support::ReadFileBytes((outputDir / "Track2.wav").string()), before);
    umount2(outputDir.c_str(), MNT_DETACH); // the bind mount, where there is one
}

INSTANTIATE_TEST_SUITE_P(
    Spellings, InputSpellingTest,
    ::testing::Values(
        InputSpelling{"HardLink",
                      [](const std::filesystem::path&, const std::filesystem::path& out) {
                          std::filesystem::create_hard_link(out.parent_path() / "input.wav",
                                                            out / "Track2.wav");
                          return std::string("input.wav");
                      }},
        InputSpelling{"SymbolicLink",
                      [](const std::filesystem::path&, const std::filesystem::path& out) {
                          std::filesystem::create_symlink("../input.wav", out / "Track2.wav");
                          return std::string("./input.wav");
                      }},
        InputSpelling{"DotsInARelativePath",
                      [](const std::filesystem::path& temp, const std::filesystem::path& out) {
                          std::filesystem::rename(temp / "input.wav", out / "Track2.wav");
                          std::filesystem::create_directory(out / "sub");
                          std::filesystem::create_hard_link(out / "Track2.wav", temp / "input.wav");
                          return std::string("out/./sub/../Track2.wav");
                      }},
        InputSpelling{"BindMountOfTheFolder",
                      [](const std::filesystem::path& temp, const std::filesystem::path& out) {
                          // The recording's folder mounted again as the output folder.
                          std::filesystem::remove(out);
                          std::filesystem::create_directory(out);
                          const std::filesystem::path source = temp / "source";
                          std::filesystem::create_directory(source);
                          std::filesystem::copy_file(temp / "input.wav", source / "Track2.wav");
                          if (mount(source.c_str(), out.c_str(), nullptr, MS_BIND, nullptr) != 0) {
                              return std::string();
                          }
                          return std::string("source/Track2.wav");
                      }}),
    [](const ::testing::TestParamInfo<InputSpelling>& info) { return info.param.name; });

TEST_F(JobTest, DeviceWhereAFileGoesStopsTheRunBeforeAnythingIsWritten) {
    // The name of file 2 leads to a device (which would take every write and
    // never hold a file): refused before file 1 replaces anything, left alone.
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this system";
    }
    Recording input(1000, 2, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    std::filesystem::create_symlink("/dev/full", outputDir / "Track2.wav");
    SplitOptions options = Options();
    options.appendSilenceMs = 10;
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::WriteFailed);

    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text,
              FormatText(messages::kCannotOpenForWriting, Names("Track", 3)[1].c_str()));
    EXPECT_EQ(host.messages[1].caption, messages::kErrorCaption);
    EXPECT_EQ(host.messages[1].kind, MessageKind::Error);
    EXPECT_EQ(FilesInOutput(), (std::set<std::string>{"Track2.wav"}));
    EXPECT_TRUE(std::filesystem::is_symlink(outputDir / "Track2.wav"));
    EXPECT_EQ(host.priorityChanges, (std::vector<std::string>{"idle", "normal"}));
    EXPECT_TRUE(host.mainWindowEnabled);
}

TEST_F(JobTest, FullDiskLeavesOnlyCompleteFiles) {
    // 8000 Hz stereo: every file is about 57 KB, so the second overflows 64 KB.
    const std::filesystem::path small = temp.path() / "small";
    std::filesystem::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno)
                     << "); the /dev/full test covers the same path";
    }
    struct Unmount {
        std::filesystem::path dir;
        ~Unmount() { umount2(dir.c_str(), MNT_DETACH); }
    } unmount{small};

    Recording input(8000, 2, 16);
    input.Tracks(3, 12000, 2400).Write(inputPath);
    SplitOptions options = Options();
    options.outputFolder = small.string();
    FakeHost host;

    EXPECT_EQ(RunSplitJob(options, host), SplitOutcome::WriteFailed);

    ASSERT_TRUE(host.plan.has_value());
    EXPECT_EQ(host.plan->splitPoints, (std::vector<std::uint32_t>{14400, 28800}));
    const std::string folder = std::filesystem::canonical(small).string();
    const std::string second = SegmentFileName(folder, "Track", 2, 3);
    ASSERT_EQ(host.messages.size(), 2u);
    EXPECT_EQ(host.messages[1].text, FormatText(messages::kCannotWrite, second.c_str()));
    EXPECT_TRUE(std::filesystem::exists(SegmentFileName(folder, "Track", 1, 3)));
    EXPECT_FALSE(std::filesystem::exists(second));
    EXPECT_FALSE(std::filesystem::exists(SegmentFileName(folder, "Track", 3, 3)));
    auto spans = LayOutSegments(*host.plan, input.Frames());
    spans.resize(1);
    ExpectSegmentFiles(input, {SegmentFileName(folder, "Track", 1, 3)}, spans, 0);
}

TEST_F(JobTest, OutputFolderNoFileCanBeCreatedInIsRefusedBeforeTheAnalysis) {
    Recording input(1000, 1, 16);
    input.Tracks(3, kTrack, kPause).Write(inputPath);
    const testing_support::ImmutableFolder immutable(outputDir);
    ASSERT_TRUE(immutable.IsSet()) << "the file system has no immutable flag";
    FakeHost host;

    EXPECT_EQ(RunSplitJob(Options(), host), SplitOutcome::Refused);

    ExpectOnlyError(host, FormatText(messages::kCannotOpenForWriting,
                                     std::filesystem::canonical(outputDir).c_str()) +
                              "\n" + std::strerror(EPERM));
    EXPECT_EQ(host.progressCreated, 0); // nothing was analysed
    EXPECT_TRUE(FilesInOutput().empty());
}
