// quernfold-split writing tracks the user decided: a label file's cuts (--cuts)
// or a known number of tracks (--tracks), whatever the threshold finds.
#include "SplitCliFixture.h"

#include <fstream>
#include <sstream>

using testing_support::ReadTestWav;

namespace {

class GivenTracks : public SplitCli {
protected:
    void WriteText(const std::string& name, const std::string& text) {
        std::ofstream(dir.file(name), std::ios::binary) << text;
    }
    std::string ReadText(const std::string& name) {
        std::ifstream file(dir.file(name), std::ios::binary);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
    // Every file holds exactly the input's frames between its boundaries.
    void ExpectFiles(const std::vector<Stretch>& input, const std::vector<int>& boundaries) {
        ASSERT_EQ(FilesIn("out").size(), boundaries.size() - 1);
        for (std::size_t i = 0; i + 1 < boundaries.size(); ++i) {
            const std::string name = "Track" + std::to_string(i + 1) + ".wav";
            const auto file = ReadTestWav(dir.file("out/" + name));
            ASSERT_TRUE(file.opened) << name;
            EXPECT_TRUE(file.rawData == InputBytes(input, boundaries[i], boundaries[i + 1]))
                << name;
        }
    }
};

TEST_F(GivenTracks, JoinedTracksAreCutWhereTheLabelFileSays) {
    // Three tracks with no pause between them: the analysis finds nothing.
    const std::vector<Stretch> joined = {{24000, 10000}, {28000, 6000}, {28000, 10000}};
    MakeRecording("in.wav", joined);
    EXPECT_EQ(Split({"-y", "--min-track-sec", "1", "in.wav", "out"}).exitStatus, 3);
    WriteText("cuts.txt", "0.000000\t3.000000\tA\n3.000000\t6.500000\tB\n6.5\t10\tC\n");
    const ProgramResult run =
        Split({"-y", "-q", "--min-track-sec", "1", "--cuts", "cuts.txt", "in.wav", "out"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    ExpectFiles(joined, {0, 24000, 52000, 80000});
}

TEST_F(GivenTracks, TrackCountCutsAtThePausesWhateverTheThreshold) {
    // The pauses hold hiss louder than the default threshold.
    const std::vector<Stretch> hissy = {
        {24000, 10000}, {8000, 2000}, {28000, 10000}, {8000, 1000}, {28000, 10000}};
    MakeRecording("in.wav", hissy);
    EXPECT_EQ(Split({"-y", "--min-track-sec", "1", "in.wav", "out"}).exitStatus, 3);
    ProgramResult run =
        Split({"-y", "-q", "--min-track-sec", "1", "--tracks", "3", "in.wav", "out"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    ExpectFiles(hissy, {0, 32000, 68000, 96000});

    // Asked for more tracks than there are pauses: it says so and plans what there is.
    fs::remove_all(dir.path() / "out");
    fs::create_directory(dir.path() / "out");
    run = Split({"-n", "--min-track-sec", "1", "--tracks", "5", "in.wav", "out"});
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("only 2 pauses separate it, so 3 tracks are planned"), std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("Number of segments to be created:     3"), std::string::npos);
}

TEST_F(GivenTracks, ADryRunsLabelsEditedAndFedBackGiveExactlyThoseFiles) {
    const std::vector<Stretch> padded = {{2000, 0}, {24000, 10000}, {8000, 0}, {28000, 10000},
                                         {8000, 0}, {24000, 10000}, {2000, 0}};
    MakeRecording("in.wav", padded);
    const std::vector<std::string> options = {"--trim", "--min-track-sec", "1", "in.wav", "out"};
    auto with = [&](std::vector<std::string> arguments) {
        arguments.insert(arguments.end(), options.begin(), options.end());
        return Split(arguments);
    };
    ASSERT_EQ(with({"-n", "--labels", "cuts.txt"}).exitStatus, 0);
    // Lead trim at frame 1999, cuts at 33999 and 69999, tail end at 93999.
    const std::string labels = ReadText("cuts.txt");
    ProgramResult run = with({"-y", "-q", "--cuts", "cuts.txt"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    ExpectFiles(padded, {1999, 33999, 69999, 93999});

    // The second and third track joined, as an editor would leave it.
    fs::remove_all(dir.path() / "out");
    fs::create_directory(dir.path() / "out");
    WriteText("edited.txt", "0.249875\t4.249875\tTrack1\r\n4.249875\t11.749875\tTrack2\r\n");
    run = with({"-y", "-q", "--cuts", "edited.txt"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    ExpectFiles(padded, {1999, 33999, 93999});
}

TEST_F(GivenTracks, BadLabelFilesAreRefusedWithTheLineAndNothingIsWritten) {
    MakeRecording("in.wav", {{96000, 10000}});
    struct Case {
        const char* text;
        const char* says;
    };
    for (const Case c : {
             Case{"1\t2\tA\n2,5\t3\tB\n", "line 2: expected start<TAB>end"},
             Case{"1\t2\tA\n\n5\t4\tB\n", "line 3: the track ends before it starts"},
             Case{"5\t6\tA\n1\t2\tB\n", "line 2: the tracks are not in the order"},
             Case{"1\t4\tA\n3\t6\tB\n", "line 2: the track overlaps the one before"},
             Case{"1\t4\tA\n5\t12.5\tB\n", "line 2: the track ends after the recording"},
             Case{"-1\t4\tA\n", "line 1: expected"},
             Case{"\n\n", "no track in the label file"},
         }) {
        WriteText("bad.txt", c.text);
        const ProgramResult run =
            Split({"-y", "--min-track-sec", "1", "--cuts", "bad.txt", "in.wav", "out"});
        EXPECT_EQ(run.exitStatus, 2) << c.text;
        EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
        EXPECT_TRUE(FilesIn("out").empty());
    }
    EXPECT_EQ(Split({"-y", "--cuts", "missing.txt", "in.wav", "out"}).exitStatus, 2);
    EXPECT_EQ(Split({"-y", "--cuts", "bad.txt", "--tracks", "2", "in.wav", "out"}).exitStatus, 2);
}

} // namespace
