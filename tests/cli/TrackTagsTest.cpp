// Tags and the recording's own metadata in every file, read back by readers that
// share no code with the writer: libsndfile and ffprobe.
#include "SndfileOracle.h"
#include "SplitCliFixture.h"
#include "WavBytes.h"

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

using testing_support::ReadTagsWithSndfile;
using testing_support::SndfileTags;

namespace {

const std::vector<Stretch> kTracks = {
    {24000, 10000}, {8000, 0}, {28000, 10000}, {8000, 0}, {28000, 10000}};
const int kFirstFrames[] = {0, 32000, 68000};

// Chunk id -> body of every chunk after the RIFF header; fails the test when the
// chunks, with their pad bytes, do not fill the file exactly.
std::map<std::string, wavbytes::Bytes> ChunksOf(const std::string& path) {
    const wavbytes::Bytes file = testing_support::ReadFileBytes(path);
    std::map<std::string, wavbytes::Bytes> chunks;
    EXPECT_EQ(wavbytes::Get32(file, 4), file.size() - 8) << path;
    std::size_t position = 12;
    while (position + 8 <= file.size()) {
        const std::string id(file.begin() + static_cast<std::ptrdiff_t>(position),
                             file.begin() + static_cast<std::ptrdiff_t>(position) + 4);
        const std::size_t size = wavbytes::Get32(file, position + 4);
        const auto body = file.begin() + static_cast<std::ptrdiff_t>(position) + 8;
        if (position + 8 + size > file.size()) {
            ADD_FAILURE() << id << " runs past the end of " << path;
            break;
        }
        chunks[id] = wavbytes::Bytes(body, body + static_cast<std::ptrdiff_t>(size));
        position += 8 + size + (size & 1U);
    }
    EXPECT_EQ(position, file.size()) << path;
    return chunks;
}

class TrackTags : public SplitCli {
protected:
    // ffprobe's tags of the file, "title" -> "Intro".
    std::map<std::string, std::string> FfprobeTags(const std::string& path) {
        const ProgramResult run =
            RunProgram(FFPROBE_PROGRAM,
                       {"-v", "error", "-show_entries", "format_tags", "-of", "default=nw=1", path},
                       dir.path().string());
        EXPECT_EQ(run.exitStatus, 0) << run.err;
        std::map<std::string, std::string> tags;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            const std::size_t equals = line.find('=');
            if (line.starts_with("TAG:") && equals != std::string::npos) {
                tags[line.substr(4, equals - 4)] = line.substr(equals + 1);
            }
        }
        return tags;
    }

    ProgramResult SplitWith(std::vector<std::string> arguments, const std::string& input) {
        arguments.insert(arguments.begin(), {"-y", "--min-track-sec", "1"});
        arguments.insert(arguments.end(), {input, "out"});
        return Split(arguments);
    }
};

TEST_F(TrackTags, TitlesAndOptionsAreTaggedInEveryFile) {
    MakeRecording("in.wav", kTracks);
    std::ofstream(dir.file("titles.txt"), std::ios::binary)
        << "Intro\nSecond Song\n\xC3\x89t\xC3\xA9\n";
    const ProgramResult run =
        SplitWith({"--titles", "titles.txt", "--first-number", "4", "--artist", "Band", "--album",
                   "Live at Home", "--date", "1979", "--genre", "Rock", "--comment", "Taped"},
                  "in.wav");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const std::string names[] = {"04 Intro.wav", "05 Second Song.wav", "06 \xC3\x89t\xC3\xA9.wav"};
    const std::string titles[] = {"Intro", "Second Song", "\xC3\x89t\xC3\xA9"};
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(names[i]);
        const std::string path = dir.file("out/" + names[i]);
        const SndfileTags tags = ReadTagsWithSndfile(path);
        ASSERT_TRUE(tags.opened);
        EXPECT_EQ(tags.title, titles[i]);
        EXPECT_EQ(tags.trackNumber, std::to_string(4 + i));
        EXPECT_EQ(tags.artist, "Band");
        EXPECT_EQ(tags.album, "Live at Home");
        EXPECT_EQ(tags.date, "1979");
        EXPECT_EQ(tags.genre, "Rock");
        EXPECT_EQ(tags.comment, "Taped");
        EXPECT_TRUE(tags.software.starts_with("Quernfold ")) << tags.software;

        std::map<std::string, std::string> probed = FfprobeTags(path);
        EXPECT_EQ(probed["title"], titles[i]);
        EXPECT_EQ(probed["track"], std::to_string(4 + i));
        EXPECT_EQ(probed["album"], "Live at Home");

        const auto chunks = ChunksOf(path);
        EXPECT_EQ(chunks.count("CSET"), 1u);
        const auto audio = testing_support::ReadTestWav(path);
        const int end = i < 2 ? kFirstFrames[i + 1] : 96000;
        EXPECT_EQ(audio.rawData, InputBytes(kTracks, kFirstFrames[i], end));
    }
}

TEST_F(TrackTags, PlainFilesGetNoChunkBesideTheAudio) {
    MakeRecording("in.wav", kTracks);
    ASSERT_EQ(SplitWith({"--first-number", "3"}, "in.wav").exitStatus, 0);
    for (const std::string& name : FilesIn("out")) {
        const auto chunks = ChunksOf(dir.file("out/" + name));
        EXPECT_EQ(chunks.size(), 2u) << name; // fmt and data
        EXPECT_EQ(fs::file_size(dir.path() / "out" / name), 44 + chunks.at("data").size());
    }
}

TEST_F(TrackTags, TheRecordingsOwnMetadataCarriesIntoEveryFile) {
    MakeRecording("plain.wav", kTracks);
    const ProgramResult made =
        RunProgram(FFMPEG_PROGRAM, {"-v",          "error",
                                    "-i",          "plain.wav",
                                    "-c:a",        "pcm_s16le",
                                    "-write_bext", "1",
                                    "-metadata",   "time_reference=1000000",
                                    "-metadata",   "originator=Deck 2",
                                    "-metadata",   "description=Side A",
                                    "-metadata",   "coding_history=A=ANALOGUE,M=mono,T=Deck 2",
                                    "-metadata",   "album=Recorded Album",
                                    "-metadata",   "copyright=(c) Archive",
                                    "-metadata",   "title=Whole Side",
                                    "bext.wav"},
                   dir.path().string());
    ASSERT_EQ(made.exitStatus, 0) << made.err;
    // An iXML document, which ffmpeg does not write, is added by hand (odd size: padded).
    wavbytes::Bytes file = testing_support::ReadFileBytes(dir.file("bext.wav"));
    const std::string ixml = "<BWFXML><NOTE>x</NOTE></BWFXML>";
    const wavbytes::Bytes chunk =
        wavbytes::Chunk("iXML", wavbytes::Bytes(ixml.begin(), ixml.end()));
    file.insert(file.begin() + 12, chunk.begin(), chunk.end());
    const std::uint32_t riffSize = static_cast<std::uint32_t>(file.size() - 8);
    std::memcpy(file.data() + 4, &riffSize, 4);
    testing_support::WriteFileBytes(dir.file("bext.wav"), file);

    const ProgramResult run = SplitWith({"--album", "Given Album"}, "bext.wav");
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (int i = 0; i < 3; ++i) {
        const std::string path = dir.file("out/Track" + std::to_string(i + 1) + ".wav");
        SCOPED_TRACE(path);
        const SndfileTags tags = ReadTagsWithSndfile(path);
        ASSERT_TRUE(tags.hasBroadcastInfo);
        EXPECT_EQ(tags.timeReference, 1000000u + kFirstFrames[i]);
        EXPECT_EQ(tags.originator, "Deck 2");
        EXPECT_EQ(tags.description, "Side A");
        EXPECT_TRUE(tags.codingHistory.starts_with("A=ANALOGUE,M=mono,T=Deck 2\r\n"
                                                   "A=PCM,F=8000,W=16,M=mono,T=Quernfold "))
            << tags.codingHistory;
        EXPECT_EQ(tags.album, "Given Album"); // the option wins
        EXPECT_EQ(tags.copyright, "(c) Archive");
        EXPECT_EQ(tags.title, ""); // the recording's title is not a track's
        EXPECT_EQ(FfprobeTags(path)["time_reference"], std::to_string(1000000 + kFirstFrames[i]));
        const auto chunks = ChunksOf(path);
        ASSERT_EQ(chunks.count("iXML"), 1u);
        EXPECT_EQ(std::string(chunks.at("iXML").begin(), chunks.at("iXML").end()), ixml);
    }
}

} // namespace
