// Files read by WaveStream: real-world layouts, damaged and hostile headers, and
// recordings past 2 GiB.
#include "FrameSlots.h"
#include "SpecialFiles.h"
#include "TestFiles.h"
#include "WavBytes.h"
#include "WaveMetadata.h"
#include "WaveStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>

using namespace testing_support;
using namespace wavbytes;

namespace {

Bytes Canonical(const Fmt& fmt, const Bytes& data) {
    return Riff({Chunk("fmt ", FmtBody(fmt)), Chunk("data", data)});
}

Fmt WithTag(std::uint16_t tag) {
    Fmt fmt;
    fmt.tag = tag;
    return fmt;
}

Fmt WithShape(std::uint16_t bits, std::uint16_t channels) {
    Fmt fmt;
    fmt.bits = bits;
    fmt.channels = channels;
    return fmt;
}

Bytes Extensible(const Bytes& subFormat) {
    Bytes body = FmtBody(WithTag(0xFFFE));
    Append16(body, 22);
    Append16(body, 16);
    Append32(body, 3);
    body.insert(body.end(), subFormat.begin(), subFormat.end());
    return Riff({Chunk("fmt ", body), Chunk("data", Ramp(8))});
}

TEST(WaveRead, RefusesHeadersItCannotReadCorrectly) {
    const Bytes data = Ramp(16);
    Fmt badByteRate;
    badByteRate.byteRate = 176401;
    Fmt badBlockAlign;
    badBlockAlign.blockAlign = 2;
    Bytes shortFmt = FmtBody({});
    shortFmt.resize(14);
    const Bytes pcmGuidTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    Bytes floatGuid = {0x03, 0x00};
    floatGuid.insert(floatGuid.end(), pcmGuidTail.begin(), pcmGuidTail.end());

    using enum WaveOpenFailure;
    const std::tuple<const char*, Bytes, WaveOpenFailure> cases[] = {
        {"big-endian RIFX", Riff({Chunk("fmt ", FmtBody({})), Chunk("data", data)}, "RIFX"),
         NotWave},
        {"not RIFF", Riff({Chunk("fmt ", FmtBody({})), Chunk("data", data)}, "JUNK"), NotWave},
        {"not WAVE", Riff({Chunk("fmt ", FmtBody({})), Chunk("data", data)}, "RIFF", "AVI "),
         NotWave},
        {"A-law", Canonical(WithTag(6), data), UnsupportedEncoding},
        {"mu-law", Canonical(WithTag(7), data), UnsupportedEncoding},
        {"16-bit float", Canonical(WithTag(3), data), UnsupportedEncoding},
        {"ADPCM", Canonical(WithTag(2), data), UnsupportedEncoding},
        {"16-bit extensible float", Extensible(floatGuid), UnsupportedEncoding},
        {"extensible without extension", Canonical(WithTag(0xFFFE), data), DamagedHeader},
        {"20-bit", Canonical(WithShape(20, 2), data), UnsupportedEncoding},
        {"4-bit", Canonical(WithShape(4, 2), data), UnsupportedEncoding},
        {"3 channels", Canonical(WithShape(16, 3), data), TooManyChannels},
        {"byte rate", Canonical(badByteRate, data), DamagedHeader},
        {"block align", Canonical(badBlockAlign, data), DamagedHeader},
        {"fmt too short", Riff({Chunk("fmt ", shortFmt), Chunk("data", data)}), DamagedHeader},
        {"fmt past the end", Riff({Chunk("fmt ", FmtBody({}), 0xFFFFFFF0)}), DamagedHeader},
        {"no data", Riff({Chunk("fmt ", FmtBody({})), Chunk("LIST", data)}), DamagedHeader},
        {"no fmt", Riff({Chunk("LIST", data), Chunk("data", data)}), DamagedHeader},
        {"chunk past the end before fmt",
         Riff({Chunk("junk", data, 0xFFFFFFFF), Chunk("fmt ", FmtBody({})), Chunk("data", data)}),
         DamagedHeader},
        {"empty file", Bytes(), NotWave},
    };
    TempDir dir;
    const std::string path = dir.file("bad.wav");
    for (const auto& [name, bytes, why] : cases) {
        WriteFileBytes(path, bytes);
        WaveStream reader;
        EXPECT_EQ(reader.OpenForRead(path.c_str()), WAVE_FILE_ERROR) << name;
        EXPECT_EQ(reader.OpenFailure(), why) << name;
        // Closed and back to the construction values, whatever the header held.
        EXPECT_EQ(reader.Mode(), RIFF_CLOSED) << name;
        EXPECT_EQ(reader.FrameCount(), 0u) << name;
        EXPECT_EQ(reader.BitsPerSample(), 16) << name;
        EXPECT_EQ(reader.Channels(), 2) << name;
        FrameSlot slot{};
        EXPECT_NE(reader.ReadFrames(1, &slot), WAVE_OK) << name;
        EXPECT_EQ(reader.Close(), WAVE_OK) << name;
    }
    WaveStream reader;
    EXPECT_EQ(reader.OpenForRead(nullptr), WAVE_BAD_CALL);
    EXPECT_EQ(reader.OpenForRead(dir.file("missing.wav").c_str()), WAVE_FILE_ERROR);
    EXPECT_EQ(reader.OpenFailure(), Missing);
    // A folder, or a pipe nobody writes to, is refused at once instead of blocking.
    EXPECT_EQ(reader.OpenForRead(dir.path().string().c_str()), WAVE_FILE_ERROR);
    EXPECT_EQ(reader.OpenFailure(), NotRegularFile);
    const std::string pipe = NonRegularFileIn(dir.path());
    EXPECT_EQ(reader.OpenForRead(pipe.c_str()), WAVE_FILE_ERROR);
    EXPECT_EQ(reader.OpenFailure(), NotRegularFile);
}

// Every cut of a file: no header yet is refused; a cut inside the samples reads
// the complete frames there are, as after an interrupted recording.
TEST(WaveRead, TruncatedFilesAtEveryLength) {
    const Bytes whole = Canonical({}, Ramp(40));
    TempDir dir;
    const std::string path = dir.file("cut.wav");
    for (std::size_t length = 0; length <= whole.size(); ++length) {
        WriteFileBytes(path, Bytes(whole.begin(), whole.begin() + static_cast<long>(length)));
        WaveStream reader;
        const int code = reader.OpenForRead(path.c_str());
        if (length < 44) {
            EXPECT_EQ(code, WAVE_FILE_ERROR) << length;
            EXPECT_EQ(reader.FrameCount(), 0u) << length;
        } else {
            ASSERT_EQ(code, WAVE_OK) << length;
            EXPECT_EQ(reader.FrameCount(), (length - 44) / 4) << length;
        }
    }
}

TEST(WaveRead, AnInterruptedRecordingReadsToTheEndOfTheFile) {
    TempDir dir;
    const std::string path = dir.file("interrupted.wav");
    const Bytes samples = Ramp(42); // ten frames and half of another
    for (std::int64_t claimed : {std::int64_t{0}, std::int64_t{0x7FFFFFFF}, std::int64_t{44}}) {
        WriteFileBytes(path, Riff({Chunk("fmt ", FmtBody({})), Chunk("data", samples, claimed)}));
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK) << claimed;
        EXPECT_EQ(reader.FrameCount(), 10u) << claimed;
        std::vector<FrameSlot> slots = Slots(11);
        EXPECT_EQ(reader.ReadFrames(10, slots.data()), WAVE_OK);
        EXPECT_EQ(reader.ReadFrames(1, slots.data() + 10), WAVE_FILE_ERROR);
        EXPECT_EQ(slots[9].channel2, static_cast<std::int16_t>(samples[38] | samples[39] << 8));
    }
}

// Chunks before, between and after, odd sizes with their pad bytes, a longer
// fmt chunk and data ahead of fmt: the samples are exactly the data chunk's.
TEST(WaveRead, FindsTheChunksWhereverTheyAre) {
    Bytes longFmt = FmtBody(WithShape(8, 1));
    Append16(longFmt, 0);
    const Bytes samples = Ramp(5);
    const Bytes junk = {1, 2, 3};
    const Bytes list = {'I', 'N', 'F', 'O', 'x', 'y', 'z'};
    const std::vector<Bytes> layouts[] = {
        {Chunk("junk", junk), Chunk("fmt ", longFmt), Chunk("data", samples), Chunk("LIST", list)},
        {Chunk("data", samples), Chunk("LIST", list), Chunk("fmt ", longFmt)},
        {Chunk("fmt ", longFmt), Chunk("fact", {}), Chunk("fact", {}), Chunk("data", samples),
         Chunk("LIST", list, 0xFFFFFFFF)},
    };
    TempDir dir;
    const std::string path = dir.file("chunks.wav");
    for (const auto& layout : layouts) {
        const Bytes file = Riff(layout);
        WriteFileBytes(path, file);
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
        ASSERT_EQ(reader.FrameCount(), 5u);
        const auto dataAt = static_cast<std::size_t>(reader.DataChunkPosition());
        EXPECT_EQ(Bytes(file.begin() + static_cast<long>(dataAt),
                        file.begin() + static_cast<long>(dataAt) + 4),
                  Bytes({'d', 'a', 't', 'a'}));

        std::vector<FrameSlot> slots = Slots(6);
        EXPECT_EQ(reader.ReadFrames(3, slots.data()), WAVE_OK);
        EXPECT_EQ(reader.ReadFrames(3, slots.data() + 3), WAVE_FILE_ERROR);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(slots[i].channel1, samples[i]);
            EXPECT_EQ(slots[i].channel2, kUntouched);
        }
        EXPECT_EQ(slots[5].channel1, kUntouched);

        // Seeking is relative to the real data chunk, and bounded by it.
        EXPECT_EQ(reader.SeekToFrame(5), WAVE_BAD_CALL);
        ASSERT_EQ(reader.SeekToFrame(0), WAVE_OK);
        EXPECT_EQ(reader.Tell(), reader.DataChunkPosition() + 8);
        ASSERT_EQ(reader.SeekToFrame(4), WAVE_OK);
        EXPECT_EQ(reader.ReadFrames(1, slots.data()), WAVE_OK);
        EXPECT_EQ(slots[0].channel1, samples[4]);
    }
}

TEST(WaveRead, EmptyBlocksAndUnopenedObjects) {
    TempDir dir;
    const std::string path = dir.file("short.wav");
    FrameSlot slot{};
    WaveStream unopened;
    EXPECT_EQ(unopened.ReadFrames(1, &slot), WAVE_BAD_CALL);
    EXPECT_EQ(unopened.SeekToFrame(0), WAVE_BAD_CALL);

    // A block of no frames: nothing to do, except that 16-bit stereo has
    // always answered it as a failed read.
    for (auto [bits, channels, expected] :
         {std::tuple{8, 1, WAVE_OK}, {16, 1, WAVE_OK}, {8, 2, WAVE_OK}, {16, 2, WAVE_FILE_ERROR}}) {
        const auto b = static_cast<std::uint16_t>(bits);
        const auto c = static_cast<std::uint16_t>(channels);
        WriteFileBytes(path, Canonical(WithShape(b, c), Ramp(8)));
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
        EXPECT_EQ(reader.ReadFrames(0, &slot), expected) << bits << "/" << channels;
        EXPECT_EQ(reader.ReadFrames(-1, &slot), expected) << bits << "/" << channels;
    }
}

// A header claiming 3.5 GB of samples over a sparse file: frame indices past
// 2^31 and offsets past 4 GiB address the right bytes without writing them.
TEST(WaveRead, RecordingsPastTwoGigabytesSeekToTheRightFrame) {
    TempDir dir;
    const std::string path = dir.file("long.wav");
    constexpr std::uint64_t kDataBytes = 3'500'000'000;
    constexpr std::uint32_t kFrames = kDataBytes / 4;
    Bytes header = Riff({Chunk("fmt ", FmtBody({})), Chunk("data", {}, kDataBytes)});
    const Bytes tail = {1, 0, 2, 0, 3, 0, 4, 0, 'L', 'I', 'S', 'T', 0, 0, 0, 0};
    {
        WriteFileBytes(path, header);
        std::filesystem::resize_file(path, 44 + kDataBytes - 8);
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.write(reinterpret_cast<const char*>(tail.data()),
                  static_cast<std::streamsize>(tail.size()));
    }
    {
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
        ASSERT_EQ(reader.FrameCount(), kFrames);
        ASSERT_EQ(reader.SeekToFrame(kFrames - 2), WAVE_OK);
        EXPECT_EQ(reader.Tell(), static_cast<std::int64_t>(44 + kDataBytes - 8));
        std::vector<FrameSlot> slots = Slots(3);
        EXPECT_EQ(reader.ReadFrames(3, slots.data()), WAVE_FILE_ERROR);
        EXPECT_EQ(slots[0].channel1, 1);
        EXPECT_EQ(slots[0].channel2, 2);
        EXPECT_EQ(slots[1].channel1, 3);
        EXPECT_EQ(slots[1].channel2, 4);
        EXPECT_EQ(slots[2].channel1, kUntouched);
        EXPECT_EQ(reader.SeekToFrame(kFrames), WAVE_BAD_CALL);
    }
}

// A recorder that never patched its sizes (0, or the 0xFFFFFFFF placeholder) past
// 4 GiB: the samples run to the end of the file, read whole while the frames can
// be counted in 32 bits and refused as too large beyond, never cut at 4 GiB.
TEST(WaveRead, UnpatchedSizesPastFourGigabytesReadWholeOrAreRefused) {
    TempDir dir;
    const std::string path = dir.file("unpatched.wav");
    constexpr std::uint64_t kDataBytes = std::uint64_t{9} << 29; // 4.5 GiB
    for (const std::uint32_t claimed : {0u, 0xFFFFFFFFu}) {
        for (const std::uint16_t bits : {16, 8}) {
            const std::uint16_t channels = bits == 16 ? 2 : 1;
            Bytes header = Riff(
                {Chunk("fmt ", FmtBody(WithShape(bits, channels))), Chunk("data", {}, claimed)});
            WriteFileBytes(path, header);
            std::filesystem::resize_file(path, header.size() + kDataBytes);
            WaveStream reader;
            const std::uint64_t frames = kDataBytes / (bits / 8 * channels);
            if (frames <= 0xFFFFFFFF) {
                ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK) << claimed;
                EXPECT_EQ(reader.FrameCount(), frames);
                EXPECT_EQ(reader.SeekToFrame(static_cast<std::uint32_t>(frames - 1)), WAVE_OK);
            } else {
                EXPECT_EQ(reader.OpenForRead(path.c_str()), WAVE_FILE_ERROR) << claimed;
                EXPECT_EQ(reader.OpenFailure(), WaveOpenFailure::TooLarge);
            }
        }
    }
}

} // namespace

namespace {

Bytes Rf64(const std::vector<Bytes>& chunks, std::uint64_t dataBytes) {
    Bytes ds64;
    for (std::uint64_t value : {std::uint64_t{0}, dataBytes, std::uint64_t{0}}) {
        Append32(ds64, static_cast<std::uint32_t>(value));
        Append32(ds64, static_cast<std::uint32_t>(value >> 32));
    }
    std::vector<Bytes> all = {Chunk("ds64", ds64)};
    all.insert(all.end(), chunks.begin(), chunks.end());
    return Riff(all, "RF64");
}

// A data size is checked against the file: the audio read is what the file holds,
// up to the chunks that end it, and a disagreement of whole frames is reported.
TEST(WaveRead, DataSizesThatDisagreeWithTheFile) {
    const Bytes audio(400, 0x80); // 100 frames, nothing like a chunk header
    const Bytes list = {'I', 'N', 'F', 'O'};
    const Bytes fmt = FmtBody({});
    const auto data = [&](std::int64_t size) { return Chunk("data", audio, size); };
    // 100 bytes of audio whose stated end is followed by a chunk, not by more audio.
    Bytes chunkAfter = audio;
    const Bytes trailing = Chunk("LIST", Bytes(292, 1));
    std::copy(trailing.begin(), trailing.end(), chunkAfter.begin() + 100);
    struct Case {
        const char* name;
        Bytes file;
        std::uint64_t audioBytes;
        bool disagrees;
    };
    const Case cases[] = {
        {"size as held", Riff({Chunk("fmt ", fmt), data(400)}), 400, false},
        {"cut short", Riff({Chunk("fmt ", fmt), data(4000)}), 400, true},
        {"audio after the size", Riff({Chunk("fmt ", fmt), data(100)}), 400, true},
        {"audio after the size, then a chunk",
         Riff({Chunk("fmt ", fmt), data(100), Chunk("LIST", list)}), 400, true},
        {"a chunk right after the size", Riff({Chunk("fmt ", fmt), Chunk("data", chunkAfter, 100)}),
         100, false},
        {"a few stray bytes", Riff({Chunk("fmt ", fmt), Chunk("data", Bytes(406, 0x80), 400)}), 400,
         false},
        {"placeholder 0", Riff({Chunk("fmt ", fmt), data(0)}), 400, false},
        {"placeholder 0xFFFFFFFF", Riff({Chunk("fmt ", fmt), data(0xFFFFFFFF)}), 400, false},
        {"RF64, ds64 short", Rf64({Chunk("fmt ", fmt), data(0xFFFFFFFF)}, 200), 400, true},
        {"RF64, ds64 long", Rf64({Chunk("fmt ", fmt), data(0xFFFFFFFF)}, 800), 400, true},
        {"RF64, ds64 exact, then a chunk",
         Rf64({Chunk("fmt ", fmt), data(0xFFFFFFFF), Chunk("LIST", list)}, 400), 400, false},
    };
    TempDir dir;
    const std::string path = dir.file("sizes.wav");
    for (const Case& c : cases) {
        WriteFileBytes(path, c.file);
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK) << c.name;
        EXPECT_EQ(reader.AudioBytes(), c.audioBytes) << c.name;
        EXPECT_EQ(reader.FrameCount(), c.audioBytes / 4) << c.name;
        EXPECT_EQ(reader.SizeDisagrees(), c.disagrees) << c.name;
        std::vector<FrameSlot> slots = Slots(c.audioBytes / 4 + 1);
        EXPECT_EQ(reader.ReadFrames(static_cast<std::int32_t>(slots.size()), slots.data()),
                  WAVE_FILE_ERROR)
            << c.name;
        EXPECT_EQ(slots[c.audioBytes / 4 - 1].channel1, static_cast<std::int16_t>(0x8080))
            << c.name;
    }
}

// Audio past a stated size that is too small can hold anything, a chunk's shape
// included: the metadata walk takes the audio's end from the reader, so samples
// never become tags of every track.
TEST(WaveRead, MetadataIsNotLookedForInsideTheAudio) {
    Bytes audio(400, 0x80);
    Bytes fake = {1, 2, 3, 4};
    Append32(fake, 0);
    const Bytes tag =
        Chunk("LIST", {'I', 'N', 'F', 'O', 'I', 'N', 'A', 'M', 4, 0, 0, 0, 'e', 'v', 'i', 'l'});
    fake.insert(fake.end(), tag.begin(), tag.end());
    std::copy(fake.begin(), fake.end(), audio.begin() + 100);
    TempDir dir;
    const std::string path = dir.file("tagged-audio.wav");
    WriteFileBytes(path, Riff({Chunk("fmt ", FmtBody({})), Chunk("data", audio, 100)}));
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
    ASSERT_EQ(reader.AudioBytes(), 400u);
    WaveMetadata found;
    ASSERT_TRUE(ReadWaveMetadata(path.c_str(), reader.AudioBytes(), found));
    EXPECT_TRUE(found.info.empty());
}

} // namespace
