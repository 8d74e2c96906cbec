// quernfold-split run as a user runs it: exit statuses, the report and messages
// on its output streams, and the files it leaves in the folder.
#include "Messages.h"
#include "SplitCliFixture.h"

#include <cmath>
#include <fstream>
#include <sstream>

using testing_support::ReadTestWav;

namespace {

// Sound 0-3 s, pause 3-4 s, sound 4-7.5 s, pause 7.5-8.5 s, sound 8.5-12 s.
// With 500 ms windows and a 1 s minimum the cuts fall at frames 32000 and 68000.
const std::vector<Stretch> kThreeTracks = {
    {24000, 10000}, {8000, 0}, {28000, 10000}, {8000, 0}, {28000, 10000}};

// The same with a quarter second of silence at either end, for trimming.
const std::vector<Stretch> kThreeTracksPadded = {
    {2000, 0}, {24000, 10000}, {8000, 0}, {28000, 10000}, {8000, 0}, {24000, 10000}, {2000, 0}};

const std::string kThreeTracksReport = "Results of analysis:\n\n"
                                       "   Number of segments to be created:     3\n"
                                       "   Maximum segment length:\t 0:04\n"
                                       "   Minimum segment length:\t 0:03\n"
                                       "   Average segment length:\t 0:04\n"
                                       "\n"
                                       "Proceed to create WAV file segments?\n";

const std::string kNothingFound =
    "No split points could be found.  Try adjusting the program options.\n";

TEST_F(SplitCli, WritesEveryTrackAfterPrintingTheReport) {
    MakeRecording("in.wav", kThreeTracks);
    ProgramResult run = Split({"--yes", "--min-track-sec", "1", "in.wav", "out"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, kThreeTracksReport);
    EXPECT_EQ(run.err, "");
    ASSERT_EQ(FilesIn("out"), (std::vector<std::string>{"Track1.wav", "Track2.wav", "Track3.wav"}));
    const int cuts[] = {0, 32000, 68000, 96000};
    for (int i = 0; i < 3; ++i) {
        auto file = ReadTestWav(dir.file("out/Track" + std::to_string(i + 1) + ".wav"));
        ASSERT_TRUE(file.opened);
        EXPECT_EQ(file.sampleRate, kRate);
        EXPECT_EQ(file.rawData, InputBytes(kThreeTracks, cuts[i], cuts[i + 1])) << "file " << i + 1;
    }
}

TEST_F(SplitCli, SuggestPrintsOnlyTheThresholdAndNeedsNoOutputFolder) {
    MakeRecording("in.wav", kThreeTracks);
    ProgramResult run = Split({"--suggest", "in.wav"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Suggested threshold: 0.07 %\n");
    EXPECT_EQ(run.err, "");
}

TEST_F(SplitCli, AutoThresholdPrintsTheSuggestionBeforeTheReport) {
    MakeRecording("in.wav", kThreeTracks);
    ProgramResult run = Split({"--threshold", "auto", "--dry-run", "--min-track-sec", "1",
                               "--method", "average", "in.wav", "out"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Suggested threshold: 0.32 %\n" + kThreeTracksReport);
}

TEST_F(SplitCli, AutoThresholdTakesTheAverageMethodWhereClicksSpoilTheMaximum) {
    // Every pause window holds a click: the maximum method finds no silence.
    std::vector<Stretch> clicky = {{24000, 10000}};
    for (int pause = 0; pause < 2; ++pause) {
        for (int click = 0; click < 4; ++click) {
            clicky.insert(clicky.end(), {{1000, 0}, {1, 12000}, {999, 0}});
        }
        clicky.push_back({28000, 10000});
    }
    MakeRecording("in.wav", clicky);
    ProgramResult run = Split({"--threshold", "auto", "--dry-run", "--min-track-sec", "1",
                               "--method", "maximum", "in.wav", "out"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(run.out.starts_with("Suggested: ")) << run.out;
    EXPECT_NE(run.out.find(" with the average method (clicks make the maximum method "
                           "unreliable)\nResults of analysis:"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Number of segments to be created:     3"), std::string::npos);
}

TEST_F(SplitCli, NoUsableSilenceExitsThreeWithTheReasonAndWritesNothing) {
    MakeRecording("loud.wav", {{96000, 10000}});
    for (const char* option : {"--suggest", "--yes"}) {
        ProgramResult run = Split({"--threshold", "auto", option, "loud.wav", "out"});
        EXPECT_EQ(run.exitStatus, 3) << option;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "quernfold-split: No usable silence: no part of the WAV file is "
                           "clearly quieter than the rest, so no threshold can tell its pauses "
                           "from its sound.\n");
    }
    EXPECT_TRUE(FilesIn("out").empty());
}

TEST_F(SplitCli, DryRunWritesTheLabelFileAndNoTrack) {
    MakeRecording("in.wav", kThreeTracksPadded);
    // Relative paths: the label file lands where the user is, not in the output folder.
    ProgramResult run = Split(
        {"--dry-run", "--trim", "--min-track-sec", "1", "--labels", "cuts.txt", "in.wav", "out"});

    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Results of analysis:\n\n"
                       "   Number of segments to be created:     3\n"
                       "   Maximum segment length:\t 0:04\n"
                       "   Minimum segment length:\t 0:03\n"
                       "   Average segment length:\t 0:04\n"
                       "   Trim 249 ms from beginning\n"
                       "   Trim 250 ms from end\n"
                       "\n"
                       "Proceed to create WAV file segments?\n");
    EXPECT_TRUE(FilesIn("out").empty());
    std::ifstream labels(dir.file("cuts.txt"));
    std::stringstream text;
    text << labels.rdbuf();
    // Lead trim at frame 1999, cuts at 33999 and 69999, tail end at 93999.
    EXPECT_EQ(text.str(), "0.249875\t4.249875\tTrack1\n"
                          "4.249875\t8.749875\tTrack2\n"
                          "8.749875\t11.749875\tTrack3\n");
}

TEST_F(SplitCli, LabelsDescribeTheFramesOfEveryFileWritten) {
    // 300 ms windows do not line up with the cuts, so files end past their split points.
    MakeRecording("in.wav", kThreeTracks);
    ProgramResult run =
        Split({"-y", "--silence-ms", "300", "--min-track-sec", "1", "--append-silence-ms", "100",
               "--prefix", "Cut", "--labels", "cuts.txt", "in.wav", "out"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    std::ifstream labels(dir.file("cuts.txt"));
    std::string line;
    int previousEnd = 0;
    int count = 0;
    while (std::getline(labels, line)) {
        ++count;
        double start = 0;
        double end = 0;
        std::string name;
        std::istringstream fields(line);
        fields >> start >> end >> name;
        const int first = static_cast<int>(std::lround(start * kRate));
        const int last = static_cast<int>(std::lround(end * kRate));
        EXPECT_EQ(first, previousEnd) << line;
        previousEnd = last;
        EXPECT_EQ(name, "Cut" + std::to_string(count));

        auto file = ReadTestWav(dir.file("out/" + name + ".wav"));
        ASSERT_TRUE(file.opened) << name;
        std::vector<std::uint8_t> expected = InputBytes(kThreeTracks, first, last);
        if (count < 3) {
            expected.resize(expected.size() + 800 * 2, 0); // 100 ms of appended silence
        }
        EXPECT_EQ(file.rawData, expected) << name;
    }
    EXPECT_EQ(count, 3);
    EXPECT_EQ(previousEnd, 96000);
}

TEST_F(SplitCli, PromptProceedsOnlyOnYes) {
    MakeRecording("in.wav", kThreeTracks);
    struct Case {
        std::string answer;
        int exitStatus;
        std::size_t files;
    };
    // An answer line may hold 1024 bytes; a longer one is no answer.
    const Case cases[] = {{"y\n", 0, 3},
                          {"YES\r\n", 0, 3},
                          {"Yes", 0, 3},
                          {"n\n", 4, 0},
                          {"yess\n", 4, 0},
                          {"\n", 4, 0},
                          {"", 4, 0},
                          {"n\ny\n", 4, 0},
                          {std::string(1023, ' ') + "y\n", 0, 3},
                          {std::string(1024, ' ') + "y\n", 4, 0}};
    for (const Case& c : cases) {
        fs::remove_all(dir.path() / "out");
        fs::create_directory(dir.path() / "out");
        ProgramResult run = Split({"--min-track-sec", "1", "in.wav", "out"}, c.answer);
        EXPECT_EQ(run.exitStatus, c.exitStatus) << "answer '" << c.answer.substr(0, 20) << "'";
        EXPECT_EQ(run.out, kThreeTracksReport);
        EXPECT_EQ(FilesIn("out").size(), c.files) << "answer '" << c.answer << "'";
    }
}

TEST_F(SplitCli, EngineErrorsGoToStandardErrorWithTheirCaption) {
    MakeRecording("in.wav", kThreeTracks);
    MakeRecording("short.wav", {{4000, 10000}});
    MakeRecording("loud.wav", {{96000, 10000}});

    ProgramResult missing = Split({"missing.wav", "out"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_EQ(missing.err, "Error: " + FormatText(messages::kOpenFailed, "missing.wav") +
                               messages::kReasonMissing + "\n");

    ProgramResult noFolder = Split({"-y", "in.wav", "no-such-folder"});
    EXPECT_EQ(noFolder.exitStatus, 1);
    EXPECT_EQ(noFolder.err, std::string("Error: ") + messages::kInvalidOutputDirectory + "\n");

    ProgramResult tooShort = Split({"-y", "short.wav", "out"});
    EXPECT_EQ(tooShort.exitStatus, 1);
    EXPECT_EQ(tooShort.err, std::string("Error: ") + messages::kNotLongEnough + "\n");

    // A folder where the first file goes: no file can take its name.
    fs::create_directory(dir.path() / "out/T1.wav");
    ProgramResult cannotCreate =
        Split({"-y", "--min-track-sec", "1", "--prefix", "T", "in.wav", "out"});
    EXPECT_EQ(cannotCreate.exitStatus, 1);
    EXPECT_EQ(cannotCreate.err,
              "Error: " +
                  FormatText(messages::kCannotOpenForWriting,
                             (fs::canonical(dir.path() / "out") / "T1.wav").string().c_str()) +
                  "\n");
    EXPECT_EQ(FilesIn("out"), std::vector<std::string>{"T1.wav"});
    fs::remove(dir.path() / "out/T1.wav");

    // Writing tracks without the cuts the user asked to review would hide a failure.
    ProgramResult labels =
        Split({"-y", "--min-track-sec", "1", "--labels", "missing/cuts.txt", "in.wav", "out"});
    EXPECT_EQ(labels.exitStatus, 1);
    EXPECT_EQ(labels.out, kThreeTracksReport);
    EXPECT_EQ(labels.err, "Error: The label file " +
                              (fs::canonical(dir.path()) / "missing" / "cuts.txt").string() +
                              " could not be written.\n");

    ProgramResult nothing = Split({"-y", "--min-track-sec", "1", "loud.wav", "out"});
    EXPECT_EQ(nothing.exitStatus, 3);
    EXPECT_EQ(nothing.out, kNothingFound);
    EXPECT_EQ(nothing.err, "");

    EXPECT_TRUE(FilesIn("out").empty());
}

TEST_F(SplitCli, BadCommandLinesAreRefusedBeforeAnythingIsOpened) {
    MakeRecording("in.wav", kThreeTracks);
    auto withFiles = [](std::vector<std::string> options) {
        options.insert(options.end(), {"in.wav", "out"});
        return options;
    };
    std::vector<std::vector<std::string>> bad = {
        withFiles({"--threshold", "5.01"}),
        withFiles({"--threshold", "-1"}),
        withFiles({"--threshold", "1e-1"}),
        withFiles({"--threshold", "0,2"}),
        withFiles({"--threshold", "0.2 %"}),
        withFiles({"--threshold", "%"}),
        withFiles({"--silence-ms", "0"}),
        withFiles({"--silence-ms", "5001"}),
        withFiles({"--silence-ms", "0x10"}),
        withFiles({"--min-track-sec", "0"}),
        withFiles({"--min-track-sec", "3601"}),
        withFiles({"--append-silence-ms", "5001"}),
        withFiles({"--append-silence-ms", "-1"}),
        withFiles({"--prefix", std::string(101, 'p')}),
        // Prefixes that would leave the folder, break the label file's lines, are
        // no text, or make a name longer than a file system's 255 bytes.
        withFiles({"--prefix", "../x"}),
        withFiles({"--prefix", "a/b"}),
        withFiles({"--prefix", "a\\b"}),
        withFiles({"--prefix", "a\tb"}),
        withFiles({"--prefix", "a\nb"}),
        withFiles({"--prefix",
                   [] {
                       std::string euros;
                       for (int i = 0; i < 81; ++i) {
                           euros += "\xE2\x82\xAC"; // 81 characters, 243 bytes
                       }
                       return euros;
                   }()}),
        withFiles({"--method", "median"}),
        withFiles({"--yes", "--dry-run"}),
        withFiles({"--no-such-option"}),
        {"in.wav", "out", "extra"},
        {"in.wav"},
    };
    // Bytes that are no UTF-8 text reach a program only where arguments are bytes.
    if (cli_testing::kArgumentsAreBytes) {
        bad.push_back(withFiles({"--prefix", std::string(150, '\x80')}));
        bad.push_back(withFiles({"--prefix", "\xC3"}));
    }
    for (std::vector<std::string> arguments : bad) {
        std::string shown;
        for (const std::string& argument : arguments) {
            shown += argument.substr(0, 12) + " ";
        }
        arguments.insert(arguments.begin(), {"--labels", "cuts.txt"});
        ProgramResult run = Split(arguments, "y\n");
        EXPECT_EQ(run.exitStatus, 2) << shown;
        EXPECT_EQ(run.out, "") << shown;
        EXPECT_NE(run.err.find("Usage: quernfold-split"), std::string::npos) << shown << run.err;
    }
    EXPECT_EQ(Split({"--labels=", "in.wav", "out"}).exitStatus, 2);
    EXPECT_TRUE(FilesIn("out").empty());
    EXPECT_FALSE(fs::exists(dir.path() / "cuts.txt"));

    // The limits themselves are accepted.
    ProgramResult limits =
        Split({"-n", "--threshold", "5%", "--prefix", std::string(100, 'p'), "--silence-ms", "1",
               "--min-track-sec", "1", "--append-silence-ms", "5000", "in.wav", "out"});
    EXPECT_NE(limits.exitStatus, 2) << limits.err;
    std::string accents;
    for (int i = 0; i < 100; ++i) {
        accents += "\xC3\xA9"; // 100 characters in 200 bytes
    }
    ProgramResult multibyte =
        Split({"-n", "--prefix", accents, "--min-track-sec", "1", "in.wav", "out"});
    EXPECT_NE(multibyte.exitStatus, 2) << multibyte.err;
    EXPECT_EQ(Split({"--help"}).exitStatus, 0);
    EXPECT_EQ(Split({"--version"}).exitStatus, 0);
}

TEST_F(SplitCli, ThresholdAndMethodReachTheAnalysis) {
    // Pauses of quiet noise whose samples reach 300: above the default threshold
    // (262 for 0.20 %), below the one for 0.3 % (393).
    MakeRecording("noisy.wav",
                  {{24000, 10000}, {8000, 300}, {28000, 10000}, {8000, 300}, {28000, 10000}});
    EXPECT_EQ(Split({"-n", "--min-track-sec", "1", "noisy.wav", "out"}).exitStatus, 3);
    for (const char* threshold : {"0.3", "0.3%", ".3"}) {
        ProgramResult run =
            Split({"-n", "--min-track-sec", "1", "--threshold", threshold, "noisy.wav", "out"});
        EXPECT_EQ(run.exitStatus, 0) << threshold;
        EXPECT_EQ(run.out, kThreeTracksReport) << threshold;
    }

    // Pauses alternating 0 and 400: loud by their peaks, quiet by their mean (200).
    std::vector<std::int16_t> samples = Samples({{24000, 10000}});
    for (int i = 0; i < 8000; ++i) {
        samples.push_back(static_cast<std::int16_t>(i % 2 ? 400 : 0));
    }
    std::vector<std::int16_t> rest = Samples({{28000, 10000}});
    samples.insert(samples.end(), rest.begin(), rest.end());
    testing_support::WriteTestWav(dir.file("peaks.wav"), kRate, 1, 16, samples);
    EXPECT_EQ(Split({"-n", "--min-track-sec", "1", "peaks.wav", "out"}).exitStatus, 3);
    EXPECT_EQ(
        Split({"-n", "--min-track-sec", "1", "--method", "average", "peaks.wav", "out"}).exitStatus,
        0);
}

} // namespace
