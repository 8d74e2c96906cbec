// make-recording: repeatable output in the asked format, with pauses the
// splitter's default options find.
#include "ProgramRun.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

using cli_testing::ProgramResult;
using cli_testing::RunProgram;

namespace {

class Generator : public testing::Test {
protected:
    ProgramResult Make(std::vector<std::string> arguments) {
        return RunProgram(MAKE_RECORDING_PROGRAM, arguments, dir.path().string());
    }
    testing_support::TempDir dir;
};

TEST_F(Generator, SameOptionsGiveTheSameFileInTheAskedFormat) {
    const std::vector<std::string> options = {"--rate",      "11025", "--bits",      "8",
                                              "--channels",  "1",     "--tracks",    "3",
                                              "--track-sec", "40",    "--pause-sec", "2"};
    auto first = options;
    first.push_back("a.wav");
    auto second = options;
    second.push_back("b.wav");
    ASSERT_EQ(Make(first).exitStatus, 0);
    ASSERT_EQ(Make(second).exitStatus, 0);

    EXPECT_EQ(testing_support::ReadFileBytes(dir.file("a.wav")),
              testing_support::ReadFileBytes(dir.file("b.wav")));
    auto file = testing_support::ReadTestWav(dir.file("a.wav"));
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(file.sampleRate, 11025);
    EXPECT_EQ(file.bits, 8);
    EXPECT_EQ(file.channels, 1);
    // A second of room noise at either end, three tracks, two pauses.
    EXPECT_EQ(file.frames, (1 + 3 * 40 + 2 * 2 + 1) * 11025);

    // Another seed gives other material of the same length.
    auto seeded = options;
    seeded.insert(seeded.end(), {"--seed", "7", "c.wav"});
    ASSERT_EQ(Make(seeded).exitStatus, 0);
    EXPECT_NE(testing_support::ReadFileBytes(dir.file("a.wav")),
              testing_support::ReadFileBytes(dir.file("c.wav")));
    EXPECT_EQ(testing_support::ReadTestWav(dir.file("c.wav")).frames, file.frames);
}

TEST_F(Generator, DefaultSplitCutsAtEveryPause) {
    const std::vector<std::vector<std::string>> formats = {
        {"--tracks", "5", "--length", "180"},
        {"--tracks", "4", "--length", "150", "--rate", "22050", "--bits", "8", "--channels", "1",
         "--seed", "3"},
    };
    for (std::vector<std::string> arguments : formats) {
        const std::string expected = "Number of segments to be created:     " + arguments[1] + "\n";
        arguments.push_back("demo.wav");
        ASSERT_EQ(Make(arguments).exitStatus, 0);
        for (const char* method : {"maximum", "average"}) {
            ProgramResult split = RunProgram(
                SPLIT_PROGRAM, {"-n", "--method", method, "demo.wav", "."}, dir.path().string());
            EXPECT_EQ(split.exitStatus, 0) << split.err;
            EXPECT_NE(split.out.find(expected), std::string::npos)
                << arguments[5 % arguments.size()] << " " << method << "\n"
                << split.out;
        }
    }
}

// Every format the splitter reads: the wider files hold the 16-bit recording
// scaled up, so the splitter's report and cuts are the 16-bit file's.
TEST_F(Generator, WiderFormatsSplitAsTheSixteenBitRecording) {
    const std::vector<std::string> common = {"--tracks", "3", "--length", "110", "--rate", "8000"};
    const std::vector<std::vector<std::string>> formats = {
        {"--bits", "16"},
        {"--bits", "24"},
        {"--bits", "32", "--extensible"},
        {"--bits", "32", "--float"},
        {"--bits", "64", "--float", "--extensible"},
    };
    std::string reference;
    std::string referenceLabels;
    for (const std::vector<std::string>& format : formats) {
        SCOPED_TRACE(format[1]);
        std::vector<std::string> arguments = common;
        arguments.insert(arguments.end(), format.begin(), format.end());
        arguments.push_back("rec.wav");
        ASSERT_EQ(Make(arguments).exitStatus, 0);

        ProgramResult split = RunProgram(
            SPLIT_PROGRAM, {"-n", "--labels", "cuts.txt", "rec.wav", "."}, dir.path().string());
        ASSERT_EQ(split.exitStatus, 0) << split.err;
        const auto labels = testing_support::ReadFileBytes(dir.file("cuts.txt"));
        const std::string labelText(labels.begin(), labels.end());
        if (reference.empty()) {
            reference = split.out;
            referenceLabels = labelText;
            EXPECT_NE(reference.find("Number of segments to be created:     3\n"),
                      std::string::npos);
        } else {
            EXPECT_EQ(split.out, reference);
            EXPECT_EQ(labelText, referenceLabels);
        }
    }
}

} // namespace
