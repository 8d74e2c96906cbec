// Recordings whose header and length disagree, encodings named before their bit
// depth is judged, and the prompt under endless, overlong and shared input.
#include "HeldProgram.h"
#include "Messages.h"
#include "OutputSafetyFixture.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using cli_testing::HeldProgram;
using Bytes = std::vector<std::uint8_t>;

namespace {

void Put32(Bytes& bytes, std::size_t at, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void Append(Bytes& bytes, const std::string& text) {
    bytes.insert(bytes.end(), text.begin(), text.end());
}

void Append32(Bytes& bytes, std::uint64_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void Append64(Bytes& bytes, std::uint64_t value) {
    Append32(bytes, value);
    Append32(bytes, value >> 32);
}

// A canonical 44-byte-header recording with its data size replaced.
Bytes WithDataSize(Bytes recording, std::uint32_t size) {
    Put32(recording, 40, size);
    return recording;
}

// The same fmt chunk and samples as an RF64 file whose ds64 gives `dataBytes`.
Bytes AsRf64(const Bytes& recording, std::uint64_t dataBytes) {
    Bytes out;
    Append(out, "RF64");
    Append32(out, 0xFFFFFFFF);
    Append(out, "WAVEds64");
    Append32(out, 28);
    Append64(out, recording.size() + 36 - 8); // riff size, the 36 bytes of ds64 included
    Append64(out, dataBytes);
    Append64(out, dataBytes / 2);                                          // sample count
    Append32(out, 0);                                                      // no table
    out.insert(out.end(), recording.begin() + 12, recording.begin() + 36); // fmt chunk
    Append(out, "data");
    Append32(out, 0xFFFFFFFF);
    out.insert(out.end(), recording.begin() + 44, recording.end());
    return out;
}

// A damaged copy reads as the intact recording it stands for: the same report and
// cuts, after one warning line that says how the header and the file disagree.
TEST_F(OutputSafety, HeadersThatDisagreeWithTheFileAreSplitWholeWithAWarning) {
    const Bytes whole = ReadFileBytes(Short());
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(whole.size() - 44);
    Bytes cut(whole.begin(), whole.begin() + 44 + dataBytes * 9 / 10);
    Bytes cutIntact = WithDataSize(cut, static_cast<std::uint32_t>(cut.size() - 44));
    Put32(cutIntact, 4, cutIntact.size() - 8);
    struct Case {
        const char* name;
        Bytes damaged;
        const Bytes& intact;
        const char* warning;
    };
    const Case cases[] = {
        {"copy cut short", cut, cutIntact, "are missing"},
        {"size short of the audio", WithDataSize(whole, dataBytes / 3), whole, "more,"},
        {"RF64 with a short ds64", AsRf64(whole, dataBytes / 2), whole, "more,"},
    };
    for (const Case& c : cases) {
        testing_support::WriteFileBytes(dir.file("intact.wav"), c.intact);
        testing_support::WriteFileBytes(dir.file("damaged.wav"), c.damaged);
        Folder("out");
        const ProgramResult intact = Split({"-n", "-q", "--labels", "a.txt", "intact.wav", "out"});
        const ProgramResult damaged =
            Split({"-n", "-q", "--labels", "b.txt", "damaged.wav", "out"});
        ASSERT_EQ(intact.exitStatus, 0) << c.name << intact.err;
        EXPECT_EQ(intact.err, "") << c.name;
        EXPECT_EQ(damaged.exitStatus, 0) << c.name << damaged.err;
        EXPECT_EQ(damaged.out, intact.out) << c.name;
        EXPECT_EQ(ReadFileBytes(dir.file("b.txt")), ReadFileBytes(dir.file("a.txt"))) << c.name;
        EXPECT_TRUE(damaged.err.starts_with("Warning: The header of damaged.wav gives "))
            << c.name << damaged.err;
        EXPECT_NE(damaged.err.find(c.warning), std::string::npos) << c.name << damaged.err;
        EXPECT_EQ(std::count(damaged.err.begin(), damaged.err.end(), '\n'), 1) << c.name;
    }
}

// The size a recorder leaves while it records, in a recording longer than 2 GiB:
// the track after 2 GiB is split too (cut at 2 GiB, there would be two). Sparse, so the silence
// costs no disk.
TEST_F(OutputSafety, UnfinishedRecordingPastTwoGibibytesIsSplitWhole) {
    constexpr std::uint32_t kPlaceholder = 0x7FFFF000;
    constexpr std::uint64_t kBytesPerSecond = 16000; // 8000 Hz, 16-bit mono
    constexpr std::uint64_t kSeconds = 134'400;      // 2,150,400,000 bytes of audio
    const std::string path = dir.file("unfinished.wav");
    Bytes header = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                    ' ', 16,  0,   0,   0,  1, 0,   1,   0,   0x40, 0x1F, 0,   0,   0x80, 0x3E,
                    0,   0,   2,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
    Put32(header, 4, kPlaceholder + 36);
    Put32(header, 40, kPlaceholder);
    testing_support::WriteFileBytes(path, header);
    fs::resize_file(path, 44 + kSeconds * kBytesPerSecond);
    // Two seconds of sound early on, and two after the 2 GiB mark.
    Bytes sound(2 * kBytesPerSecond);
    for (std::size_t i = 0; i < sound.size(); i += 2) {
        sound[i + 1] = (i / 2) % 2 ? 0x50 : 0xB0;
    }
    const int file = open(path.c_str(), O_WRONLY);
    ASSERT_GE(file, 0);
    for (const std::uint64_t second : {std::uint64_t{100}, kSeconds - 100}) {
        ASSERT_EQ(pwrite(file, sound.data(), sound.size(),
                         static_cast<off_t>(44 + second * kBytesPerSecond)),
                  static_cast<ssize_t>(sound.size()));
    }
    close(file);
    Folder("out");

    const ProgramResult run = Split({"-n", "-q", "--labels", "cuts.txt", "unfinished.wav", "out"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("Number of segments to be created:     3"), std::string::npos)
        << run.out;
    EXPECT_NE(run.err.find("Warning: The header of unfinished.wav gives 2147479552 bytes of "
                           "audio, but the file holds 2150400000"),
              std::string::npos)
        << run.err;
    const Bytes labels = ReadFileBytes(dir.file("cuts.txt"));
    EXPECT_NE(std::string(labels.begin(), labels.end()).find("\t134400.000000\tTrack3\n"),
              std::string::npos);
}

TEST_F(OutputSafety, CompressedEncodingsAreRefusedByName) {
    for (const auto& [tag, name] : {std::pair{0x0055, "MP3"}, {0x0031, "GSM 6.10"}}) {
        Bytes file = {'R',  'I',  'F',  'F',  0,    0,    0,   0,   'W', 'A', 'V', 'E',
                      'f',  'm',  't',  ' ',  20,   0,    0,   0,   0,   0,   1,   0,
                      0x40, 0x1F, 0,    0,    0x41, 0x06, 0,   0,   65,  0,   0,   0,
                      2,    0,    0x40, 0x01, 'd',  'a',  't', 'a', 0,   1,   0,   0};
        file[20] = static_cast<std::uint8_t>(tag);
        file.resize(file.size() + 256, 0x55);
        Put32(file, 4, file.size() - 8);
        testing_support::WriteFileBytes(dir.file("coded.wav"), file);
        Folder("out");
        const ProgramResult run = Split({"-n", "-q", "coded.wav", "out"});
        EXPECT_EQ(run.exitStatus, 1) << name;
        EXPECT_EQ(run.err, "Error: " + FormatText(messages::kOpenFailed, "coded.wav") +
                               FormatText(messages::kReasonUnsupportedEncoding, name) + "\n");
    }
}

// Input that is always ready and never ends a line: the program held right after
// its first read of the answer, and signalled there, still ends as cancelled.
TEST_F(OutputSafety, EndlessInputAtThePromptStillTakesEveryCancelSignal) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        const fs::path out = Folder("out" + std::to_string(signal));
        HeldProgram split(SPLIT_PROGRAM, {"-q", Short(), out.string()}, dir.path().string(),
                          dir.file("err.txt"), "", "/dev/zero");
        ASSERT_TRUE(split.RunUntil(HeldProgram::ReadInput, "", 1)) << signal;
        split.Release(signal);
        EXPECT_EQ(split.Wait(), 130) << signal;
        EXPECT_TRUE(Entries(out).empty()) << signal;
    }
    // Unsignalled, the endless line is too long to be an answer: no.
    Folder("out");
    const ProgramResult run = RunProgram(
        "/bin/sh", {"-c", "exec \"$0\" -q \"$1\" out </dev/zero", SPLIT_PROGRAM, Short()},
        dir.path().string());
    EXPECT_EQ(run.exitStatus, 4);
}

// The answer is read up to its line end and no further, from a pipe or a file: a
// script's next command reads what follows. A line too long to be an answer is no.
TEST_F(OutputSafety, TheAnswerLeavesTheRestOfTheInputUnread) {
    const std::string run = "\"$0\" -q \"$1\" out >/dev/null; echo \"exit $?\"; cat";
    const std::string longYes = std::string(2000, ' ') + "y\nrest\n";
    testing_support::WriteFileBytes(dir.file("answers.txt"),
                                    Bytes{'y', 'e', 's', '\n', 'r', 'e', 's', 't', '\n'});
    struct Case {
        std::string script;
        std::string input;
        std::string out;
    };
    const Case cases[] = {
        {run, "yes\nrest\n", "exit 0\nrest\n"},
        {"exec <answers.txt; " + run, "", "exit 0\nrest\n"},
        // Reading stops one byte past the 1024-byte limit.
        {run, longYes, "exit 4\n" + longYes.substr(1025)},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir.path() / "out");
        Folder("out");
        const ProgramResult result = RunProgram("/bin/sh", {"-c", c.script, SPLIT_PROGRAM, Short()},
                                                dir.path().string(), c.input);
        EXPECT_EQ(result.out, c.out) << c.script;
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
constexpr bool kSanitized = __has_feature(address_sanitizer);
#else
constexpr bool kSanitized = false;
#endif

// Address-space limits from the least the program starts in up to plenty: every
// run either ends normally, or says it ran out of memory and leaves no track,
// never aborts. Below that least the C++ run-time's own start-up (before the
// program's first line) fails, which no program can report.
TEST_F(OutputSafety, RunningOutOfMemoryIsReportedAndWritesNothing) {
    if (kSanitized) {
        GTEST_SKIP() << "the address sanitizer cannot start under an address-space limit";
    }
    const auto underLimit = [&](int limitKib, const std::string& arguments) {
        return RunProgram("/bin/sh",
                          {"-c",
                           "ulimit -v " + std::to_string(limitKib) + "; exec \"$0\" " + arguments,
                           SPLIT_PROGRAM, Short()},
                          dir.path().string());
    };
    int startsAt = 2000;
    while (startsAt < 64000 && underLimit(startsAt, "--version").exitStatus != 0) {
        startsAt += 125;
    }
    const std::string noMemory = std::string("Error: ") + messages::kNotEnoughMemory + "\n";
    int reported = 0;
    for (int limitKib = startsAt; limitKib <= startsAt + 16000; limitKib += 125) {
        const fs::path out = dir.path() / "out";
        fs::remove_all(out);
        Folder("out");
        const ProgramResult run = underLimit(limitKib, "-y -q \"$1\" out");
        if (run.exitStatus == 1) {
            EXPECT_EQ(run.err, noMemory) << limitKib;
            EXPECT_TRUE(Entries(out).empty()) << limitKib;
            ++reported;
        } else {
            EXPECT_EQ(run.exitStatus, 0) << limitKib << run.err;
        }
    }
    EXPECT_GT(reported, 0);
}

} // namespace
