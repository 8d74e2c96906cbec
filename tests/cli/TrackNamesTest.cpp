// File names from numbers, titles and patterns, and the refusals that come
// before any file is written.
#include "Messages.h"
#include "SplitCliFixture.h"

#include <fstream>

namespace {

// Three tracks; with 500 ms windows and a 1 s minimum the cuts fall at frames
// 32000 and 68000.
const std::vector<Stretch> kTracks = {
    {24000, 10000}, {8000, 0}, {28000, 10000}, {8000, 0}, {28000, 10000}};

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

class TrackNames : public SplitCli {
protected:
    void SetUp() override {
        SplitCli::SetUp();
        MakeRecording("in.wav", kTracks);
    }

    void WriteTitles(const std::string& text) {
        std::ofstream(dir.file("titles.txt"), std::ios::binary) << text;
    }

    ProgramResult SplitWith(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), {"-y", "--min-track-sec", "1"});
        arguments.insert(arguments.end(), {"in.wav", "out"});
        return Split(arguments);
    }
};

TEST_F(TrackNames, NamesFollowNumbersTitlesAndPatterns) {
    struct Case {
        const char* what;
        std::string titles; // empty: no --titles
        std::vector<std::string> arguments;
        std::vector<std::string> names; // sorted
    };
    const std::vector<Case> cases = {
        {"side B continues",
         "",
         {"--first-number", "7"},
         {"Track7.wav", "Track8.wav", "Track9.wav"}},
        {"padding follows the largest number",
         "",
         {"--first-number", "8"},
         {"Track08.wav", "Track09.wav", "Track10.wav"}},
        {"titles give NN Title",
         "Intro\r\n  Second Song \n\n",
         {},
         {"01 Intro.wav", "02 Second Song.wav", "03.wav"}},
        {"a pattern with the artist and the album",
         "One\nTwo\nThree\n",
         {"--name-pattern", "{artist} - {album} - {n}. {title}", "--artist", "Band", "--album",
          "Live", "--first-number", "9"},
         {"Band - Live - 09. One.wav", "Band - Live - 10. Two.wav", "Band - Live - 11. Three.wav"}},
        {"characters a file name cannot hold",
         "A/B\nWhat?\nx<y>z:\"q\"|*\n",
         {},
         kWindows ? std::vector<std::string>{"01 A_B.wav", "02 What_.wav", "03 x_y_z__q___.wav"}
                  : std::vector<std::string>{"01 A_B.wav", "02 What?.wav", "03 x<y>z:\"q\"|*.wav"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(dir.path() / "out");
        fs::create_directory(dir.path() / "out");
        std::vector<std::string> arguments = c.arguments;
        if (!c.titles.empty()) {
            WriteTitles(c.titles);
            arguments.insert(arguments.end(), {"--titles", "titles.txt"});
        }
        const ProgramResult run = SplitWith(arguments);
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        EXPECT_EQ(FilesIn("out"), c.names);
    }
}

TEST_F(TrackNames, NamesThatDoNotSuitTheTracksAreRefusedBeforeAnyFileIsWritten) {
    struct Case {
        const char* what;
        std::string titles;
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"fewer titles", "One\nTwo\n", {}, FormatText(messages::kTitleCountMismatch, 2u, 3u)},
        {"more titles", "1\n2\n3\n4\n", {}, FormatText(messages::kTitleCountMismatch, 4u, 3u)},
        {"names that differ only in case",
         "Intro\nSong\nINTRO\n",
         {"--name-pattern", "{title}"},
         FormatText(messages::kTrackNamesClash, "Intro.wav", "INTRO.wav")},
        {"accents composed and decomposed, in either case",
         "\xC3\x89t\xC3\xA9\nSong\nE\xCC\x81T\xC3\x89\n",
         {"--name-pattern", "{title}"},
         FormatText(messages::kTrackNamesClash, "\xC3\x89t\xC3\xA9.wav", "E\xCC\x81T\xC3\x89.wav")},
        {"an empty name",
         "One\n\nThree\n",
         {"--name-pattern", "{title}"},
         FormatText(messages::kTrackNameEmpty, 2u)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTitles(c.titles);
        std::vector<std::string> arguments = c.arguments;
        arguments.insert(arguments.end(), {"--titles", "titles.txt", "--labels", "cuts.txt"});
        const ProgramResult run = SplitWith(arguments);
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
        EXPECT_TRUE(FilesIn("out").empty());
        EXPECT_FALSE(fs::exists(dir.file("cuts.txt")));
    }
}

TEST_F(TrackNames, BadNamingOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {"--name-pattern", "{track}"}, {"--name-pattern", "{title"}, {"--first-number", "0"},
        {"--first-number", "x"},       {"--titles", "missing.txt"},
    };
    for (const auto& arguments : cases) {
        SCOPED_TRACE(arguments[0] + " " + arguments[1]);
        const ProgramResult run = SplitWith(arguments);
        EXPECT_EQ(run.exitStatus, 2);
        EXPECT_TRUE(FilesIn("out").empty());
    }
}

TEST_F(TrackNames, TheLabelFileCarriesTheTitles) {
    WriteTitles("Intro\nSecond\n\n");
    const ProgramResult run =
        SplitWith({"--titles", "titles.txt", "--first-number", "4", "--labels", "cuts.txt"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    std::ifstream labels(dir.file("cuts.txt"));
    std::stringstream text;
    text << labels.rdbuf();
    EXPECT_EQ(text.str(), "0.000000\t4.000000\tIntro\n"
                          "4.000000\t8.500000\tSecond\n"
                          "8.500000\t12.000000\t06\n");
}

TEST_F(TrackNames, ACueSheetGivesTheNamesAndTheCuts) {
    // 1/75 s is 106.67 frames at 8000 Hz: 00:08:30 is 8.4 s, frame 67200.
    WriteTitles("TITLE \"Live\"\r\nPERFORMER \"Band\"\r\nFILE \"in.wav\" WAVE\r\n"
                "  TRACK 05 AUDIO\r\n    TITLE \"Opening\"\r\n    INDEX 01 00:00:50\r\n"
                "  TRACK 06 AUDIO\r\n    TITLE \"Say \"Yes\"\"\r\n    INDEX 00 00:03:00\r\n"
                "    INDEX 01 00:04:00\r\n"
                "  TRACK 07 AUDIO\r\n    TITLE \"Close\"\r\n    INDEX 01 00:08:30\r\n");
    const ProgramResult run = SplitWith({"--cue", "titles.txt"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::vector<std::string> names = {"05 Opening.wav", "06 Say \"Yes\".wav", "07 Close.wav"};
    const std::vector<std::string> expected =
        kWindows ? std::vector<std::string>{"05 Opening.wav", "06 Say _Yes_.wav", "07 Close.wav"}
                 : names;
    ASSERT_EQ(FilesIn("out"), expected);
    const int cuts[] = {5333, 32000, 67200, 96000}; // 50/75 s is frame 5333, rounded down
    for (int i = 0; i < 3; ++i) {
        const auto file = testing_support::ReadTestWav(dir.file("out/" + expected[i]));
        EXPECT_EQ(file.rawData, InputBytes(kTracks, cuts[i], cuts[i + 1])) << expected[i];
    }
}

TEST_F(TrackNames, AWrittenCueSheetReadsBackToTheSameFiles) {
    // Trimmed ends and 300 ms windows: cuts off the 1/75 s grid, and a tail in no file.
    MakeRecording("padded.wav", {{2000, 0},
                                 {24000, 10000},
                                 {8000, 0},
                                 {28000, 10000},
                                 {8000, 0},
                                 {24000, 10000},
                                 {2000, 0}});
    WriteTitles("One\nTwo \"2\"\nThree\n");
    const ProgramResult first = Split(
        {"-y", "--min-track-sec", "1", "--titles", "titles.txt", "--first-number", "12", "--artist",
         "Band", "--silence-ms", "300", "--trim", "--write-cue", "sheet.cue", "padded.wav", "out"});
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    fs::create_directory(dir.path() / "again");
    const ProgramResult again = Split({"-y", "--cue", "sheet.cue", "padded.wav", "again"});
    ASSERT_EQ(again.exitStatus, 0) << again.err;
    const std::vector<std::string> names = FilesIn("out");
    ASSERT_EQ(names.size(), 3u);
    ASSERT_EQ(FilesIn("again"), names);
    for (const std::string& name : names) {
        EXPECT_EQ(testing_support::ReadFileBytes(dir.file("again/" + name)),
                  testing_support::ReadFileBytes(dir.file("out/" + name)))
            << name;
    }
}

// A sheet of several files, one per track (as rippers write them):
// its times count from each file's start, so only its names are taken.
TEST_F(TrackNames, ASheetOfSeveralFilesGivesTheNamesOnly) {
    WriteTitles("TITLE \"Live\"\r\n"
                "FILE \"Track1.wav\" WAVE\r\n  TRACK 01 AUDIO\r\n    TITLE \"Opening\"\r\n"
                "    INDEX 01 00:00:00\r\n"
                "FILE \"Track2.wav\" WAVE\r\n  TRACK 02 AUDIO\r\n    TITLE \"Middle\"\r\n"
                "    INDEX 01 00:02:00\r\n"
                "FILE \"Track3.wav\" WAVE\r\n  TRACK 03 AUDIO\r\n    TITLE \"Close\"\r\n"
                "    INDEX 01 00:03:00\r\n");
    const ProgramResult run = SplitWith({"--cue", "titles.txt"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    ASSERT_EQ(FilesIn("out"),
              (std::vector<std::string>{"01 Opening.wav", "02 Middle.wav", "03 Close.wav"}));
    const int cuts[] = {0, 32000, 68000, 96000}; // where the analysis cuts, not 2 s and 3 s
    for (int i = 0; i < 3; ++i) {
        const auto file = testing_support::ReadTestWav(dir.file("out/" + FilesIn("out")[i]));
        EXPECT_EQ(file.rawData, InputBytes(kTracks, cuts[i], cuts[i + 1])) << i;
    }
}

TEST_F(TrackNames, CueSheetsThatCannotBeFollowedAreRefused) {
    struct Case {
        const char* what;
        std::string sheet;
        int exitStatus;
    };
    const std::vector<Case> cases = {
        {"no track", "TITLE \"x\"\n", 2},
        {"a time that is not mm:ss:ff", "TRACK 01 AUDIO\nINDEX 01 00:00:80\n", 2},
        {"a track without a time among timed ones",
         "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n", 2},
        {"starts out of order",
         "TRACK 01 AUDIO\nINDEX 01 00:05:00\nTRACK 02 AUDIO\nINDEX 01 00:04:00\n", 1},
        {"a start past the end",
         "TRACK 01 AUDIO\nINDEX 01 00:00:00\nTRACK 02 AUDIO\n"
         "INDEX 01 00:12:00\n",
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteTitles(c.sheet);
        const ProgramResult run = SplitWith({"--cue", "titles.txt"});
        EXPECT_EQ(run.exitStatus, c.exitStatus) << run.err;
        EXPECT_TRUE(FilesIn("out").empty());
    }
}

} // namespace
