// Files written by WaveStream, checked byte for byte.
#include "TestFiles.h"
#include "WavBytes.h"
#include "WaveStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>

using namespace testing_support;
using namespace wavbytes;

namespace {

TEST(WaveWrite, LaysDownTheCanonicalLayout) {
    TempDir dir;
    const std::string empty = dir.file("empty.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(empty.c_str(), 22050, 8, 1), WAVE_OK);
        EXPECT_EQ(writer.DataChunkPosition(), 36);
        EXPECT_EQ(writer.Close(), WAVE_OK);
        EXPECT_EQ(writer.Mode(), RIFF_CLOSED);
    }
    Fmt fmt;
    fmt.channels = 1;
    fmt.rate = 22050;
    fmt.bits = 8;
    EXPECT_EQ(ReadFileBytes(empty), Riff({Chunk("fmt ", FmtBody(fmt)), Chunk("data", {})}));

    const std::string full = dir.file("full.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(full.c_str(), 44100, 16, 2), WAVE_OK);
        for (int i = 0; i < 1000; ++i) {
            ASSERT_EQ(writer.WriteFrame({static_cast<std::int16_t>(i), -1}), WAVE_OK);
        }
        EXPECT_EQ(writer.Close(), WAVE_OK);
    }
    Bytes bytes = ReadFileBytes(full);
    ASSERT_EQ(bytes.size(), 4044u);
    EXPECT_EQ(Get32(bytes, 4), 4036u);
    EXPECT_EQ(Get32(bytes, 40), 4000u);
}

TEST(WaveWrite, ChunksGivenForTheHeaderComeBeforeTheDataAndStayReadable) {
    TempDir dir;
    const Bytes extra = Chunk("iXML", {'<', 'x', '/', '>', '!'}); // odd body, padded
    Fmt fmt;
    fmt.channels = 1;
    fmt.rate = 8000;
    fmt.bits = 8;
    // Room kept for 64-bit sizes that the file turns out not to need: the ds64
    // becomes JUNK and the given chunks keep their place.
    for (const std::uint64_t planned : {std::uint64_t{4}, std::uint64_t{1} << 33}) {
        SCOPED_TRACE(planned);
        const std::string path = dir.file("with-chunks.wav");
        {
            WaveStream writer;
            ASSERT_EQ(
                writer.OpenForWrite(path.c_str(), PcmFormat(8000, 8, 1), planned, false, extra),
                WAVE_OK);
            const std::uint8_t frames[4] = {1, 2, 3, 4};
            ASSERT_EQ(writer.WriteFrameBytes(frames, 4), WAVE_OK);
            ASSERT_EQ(writer.Close(), WAVE_OK);
        }
        Bytes expected = Riff({Chunk("fmt ", FmtBody(fmt)), extra, Chunk("data", {1, 2, 3, 4})});
        Bytes written = ReadFileBytes(path);
        if (planned > 4) {
            ASSERT_EQ(std::string(written.begin() + 12, written.begin() + 16), "JUNK");
            written.erase(written.begin() + 12, written.begin() + 12 + 8 + 28);
            const auto riffSize = static_cast<std::uint32_t>(written.size() - 8);
            std::memcpy(written.data() + 4, &riffSize, 4);
        }
        EXPECT_EQ(written, expected);
        WaveStream reader;
        ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
        EXPECT_EQ(reader.FrameCount(), 4u);
    }
}

TEST(WaveWrite, BadCallsAreRefusedAndCreateNoFile) {
    TempDir dir;
    const std::string path = dir.file("never.wav");
    const std::pair<std::uint16_t, std::uint16_t> badFormats[] = {
        {12, 2}, {20, 1}, {16, 0}, {16, 3}};
    for (auto [bits, channels] : badFormats) {
        WaveStream writer;
        EXPECT_EQ(writer.OpenForWrite(path.c_str(), 44100, bits, channels), WAVE_BAD_CALL);
    }
    WaveStream writer;
    EXPECT_EQ(writer.OpenForWrite(nullptr, 44100, 16, 2), WAVE_BAD_CALL);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

    // Nothing is open: writes are bad calls.
    FrameSlot slot{1, 2};
    std::uint8_t scratch[4];
    EXPECT_EQ(writer.WriteFrame(slot), WAVE_BAD_CALL);
    EXPECT_EQ(writer.WriteFrames(&slot, 1, scratch), WAVE_BAD_CALL);
    EXPECT_EQ(writer.WriteRawSamples16(&slot.channel1, 2), WAVE_BAD_CALL);

    // A negative length would read far past the caller's buffer.
    WaveStream fresh;
    ASSERT_EQ(fresh.OpenForWrite(path.c_str(), 44100, 16, 2), WAVE_OK);
    EXPECT_EQ(fresh.WriteRawSamples8(scratch, -1), WAVE_BAD_CALL);
    EXPECT_EQ(fresh.WriteRawSamples16(&slot.channel1, -2), WAVE_BAD_CALL);
    EXPECT_EQ(fresh.DataChunkSize(), 0u);
    EXPECT_EQ(fresh.Close(), WAVE_OK);

    EXPECT_EQ(fresh.OpenForWrite(dir.file("missing/folder.wav").c_str(), 44100, 16, 2),
              WAVE_FILE_ERROR);
}

// The size counters keep running between opens, so reading a file whose headers
// claim nearly 4 GiB primes them at the edge of the 32-bit fields.
TEST(WaveWrite, SizesPastThirtyTwoBitsAreRefusedNotWrapped) {
    TempDir dir;
    const std::string source = dir.file("huge-claims.wav");
    const std::string target = dir.file("out.wav");
    FrameSlot slot{1, 2};
    std::uint8_t scratch[4];

    // Data size at 0xFFFFFFFE: one more 16-bit stereo frame cannot be counted.
    Bytes file = Riff({Chunk("fmt ", FmtBody({})), Chunk("data", Ramp(8), 0xFFFFFFFE)});
    WriteFileBytes(source, file);
    {
        WaveStream stream;
        ASSERT_EQ(stream.OpenForRead(source.c_str()), WAVE_OK);
        ASSERT_EQ(stream.OpenForWrite(target.c_str(), 44100, 16, 2), WAVE_OK);
        EXPECT_EQ(stream.WriteFrame(slot), WAVE_FILE_ERROR);
        EXPECT_EQ(stream.WriteFrames(&slot, 1, scratch), WAVE_FILE_ERROR);
        EXPECT_EQ(stream.WriteRawSamples16(&slot.channel1, 2), WAVE_FILE_ERROR);
        EXPECT_EQ(stream.DataChunkSize(), 0xFFFFFFFEu);
    }

    // RIFF size six bytes short of the limit once the header is written.
    file = Riff({Chunk("fmt ", FmtBody({})), Chunk("data", Ramp(8))});
    file[4] = 0xD5;
    file[5] = file[6] = file[7] = 0xFF;
    WriteFileBytes(source, file);
    {
        WaveStream stream;
        FrameSlot four[4] = {{1, 0}, {2, 0}, {3, 0}, {4, 0}};
        std::uint8_t bytes[8] = {};
        ASSERT_EQ(stream.OpenForRead(source.c_str()), WAVE_OK);
        ASSERT_EQ(stream.OpenForWrite(target.c_str(), 8000, 8, 1), WAVE_OK);
        ASSERT_EQ(stream.RiffChunkSize(), 0xFFFFFFF9u);
        EXPECT_EQ(stream.WriteRawSamples8(bytes, 7), WAVE_FILE_ERROR);
        EXPECT_EQ(stream.WriteFrames(four, 4, bytes), WAVE_OK);
        EXPECT_EQ(stream.WriteFrame(slot), WAVE_OK);
        EXPECT_EQ(stream.WriteFrame(slot), WAVE_OK);
        EXPECT_EQ(stream.WriteFrame(slot), WAVE_FILE_ERROR);
        EXPECT_EQ(stream.RiffChunkSize(), 0xFFFFFFFFu);
    }
}

TEST(WaveWrite, DestroyedWhileWritingItStillDescribesItself) {
    TempDir dir;
    const std::string path = dir.file("abandoned.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(path.c_str(), 44100, 16, 2), WAVE_OK);
        const std::vector<FrameSlot> frames(500, FrameSlot{1, -1});
        for (const FrameSlot& frame : frames) {
            ASSERT_EQ(writer.WriteFrame(frame), WAVE_OK);
        }
    }
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 2044u);
    EXPECT_EQ(wavbytes::Get32(bytes, 4), 2036u);
    EXPECT_EQ(wavbytes::Get32(bytes, 40), 2000u);
}

TEST(WaveWrite, ANewFileOnlyOpenNeverTouchesAnExistingFile) {
    TempDir dir;
    const std::string path = dir.file("taken.wav");
    WriteFileBytes(path, {1, 2, 3});
    WaveStream writer;
    EXPECT_EQ(writer.OpenForWrite(path.c_str(), 44100, 16, 2, true), WAVE_FILE_ERROR);
    EXPECT_EQ(ReadFileBytes(path), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST(WaveWrite, AFailedFlushIsReportedAndTheHandleStillReleased) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "needs /dev/full";
    }
    // The file layer opens only regular files; the test's own opener hands it the
    // device that refuses every write.
    SetFileOpenerForTesting(
        [](const char*, const char* mode) { return std::fopen("/dev/full", mode); });
    WaveStream writer;
    // The header and the frame wait in the stream buffer; the disk refuses them on close.
    const int opened = writer.OpenForWrite("full.wav", 8000, 8, 1);
    SetFileOpenerForTesting(nullptr);
    ASSERT_EQ(opened, WAVE_OK);
    ASSERT_EQ(writer.WriteFrame({128, 0}), WAVE_OK);
    EXPECT_EQ(writer.Close(), WAVE_FILE_ERROR);
    EXPECT_EQ(writer.Mode(), RIFF_WRITING);
    EXPECT_EQ(writer.RiffStream::Close(), WAVE_FILE_ERROR);
    EXPECT_EQ(writer.Mode(), RIFF_CLOSED);
}

} // namespace
