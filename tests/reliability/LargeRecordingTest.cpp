// Recordings of 3.5 to 5 GB, made as sparse files (long runs of digital silence
// cost no disk), split end to end: offsets past 2 and 4 GiB of samples must land
// on the right bytes, RF64 sizes must be read from their ds64 chunk, and an
// output file past 4 GiB must be written as RF64. Runs only when
// QUERNFOLD_LARGE_TESTS=1 (see docs/reliability.md).
#include "JobFixture.h"
#include "SndfileOracle.h"
#include "WavBytes.h"

#include <sndfile.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace {

constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kFrameBytes = 4; // 16-bit stereo
constexpr std::uint64_t kDataBytes = 3'500'000'000ULL / kFrameBytes * kFrameBytes;

// Writes `frames` frames of loud noise at frame `first` of the data.
void WriteSound(std::fstream& file, std::uint64_t first, std::uint32_t frames,
                std::uint32_t& seed) {
    std::vector<char> bytes(static_cast<std::size_t>(frames) * kFrameBytes);
    for (std::size_t i = 0; i < bytes.size(); i += 2) {
        seed = seed * 1103515245U + 12345U;
        const auto value = static_cast<std::int16_t>(((i / 2) % 2 == 0 ? 1 : -1) *
                                                     (8000 + static_cast<int>(seed >> 20)));
        bytes[i] = static_cast<char>(value & 0xFF);
        bytes[i + 1] = static_cast<char>((value >> 8) & 0xFF);
    }
    file.seekp(static_cast<std::streamoff>(44 + first * kFrameBytes));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> ReadRange(const std::string& path, std::uint64_t offset,
                                    std::uint64_t length) {
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    std::vector<std::uint8_t> bytes(length);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    EXPECT_EQ(static_cast<std::uint64_t>(in.gcount()), length);
    return bytes;
}

TEST_F(JobTest, SparseRecordingOfThreeAndAHalfGigabytesSplitsAtItsEnd) {
    const char* wanted = std::getenv("QUERNFOLD_LARGE_TESTS");
    if (wanted == nullptr || std::string(wanted) != "1") {
        GTEST_SKIP() << "set QUERNFOLD_LARGE_TESTS=1 to split a 3.5 GB recording";
    }
    const std::uint64_t frames = kDataBytes / kFrameBytes;
    {
        wavbytes::Fmt fmt;
        wavbytes::Bytes header = wavbytes::Riff({wavbytes::Chunk("fmt ", FmtBody(fmt))});
        // The RIFF size and the data chunk header, for data that follows in the file.
        header = wavbytes::Riff({wavbytes::Chunk("fmt ", FmtBody(fmt))});
        const auto riffSize = static_cast<std::uint32_t>(36 + kDataBytes);
        for (int i = 0; i < 4; ++i) {
            header[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
        }
        header.insert(header.end(), {'d', 'a', 't', 'a'});
        wavbytes::Append32(header, static_cast<std::uint32_t>(kDataBytes));
        ASSERT_EQ(header.size(), 44u);
        testing_support::WriteFileBytes(inputPath, header);
        std::filesystem::resize_file(inputPath, 44 + kDataBytes);
    }
    // Two 8-second tracks, 2 s apart, ending 2 s before the end of the recording.
    const std::uint64_t trackA = frames - 20 * kRate;
    const std::uint64_t trackB = trackA + 10 * kRate;
    {
        std::fstream file(inputPath, std::ios::in | std::ios::out | std::ios::binary);
        std::uint32_t seed = 77;
        WriteSound(file, trackA, 8 * kRate, seed);
        WriteSound(file, trackB, 8 * kRate, seed);
        ASSERT_TRUE(file.good());
    }

    SplitOptions options = Options();
    options.silenceLengthMs = 500;
    options.minTrackLengthSec = 2;
    options.trimSilence = true;
    FakeHost host;
    ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
    ASSERT_TRUE(host.plan.has_value());
    EXPECT_EQ(host.plan->segmentCount, 2u);

    // The last file holds the input's frames from its first frame to the tail end.
    const std::vector<SegmentSpan> spans =
        LayOutSegments(*host.plan, static_cast<std::uint32_t>(frames));
    ASSERT_EQ(spans.size(), 2u);
    const SegmentSpan& last = spans.back();
    EXPECT_GT(static_cast<std::uint64_t>(last.firstFrame) * kFrameBytes, 3'000'000'000ULL);
    EXPECT_LE(last.firstFrame, trackB);
    // The tail end is the last loud frame itself (the maximum method's tail scan
    // stops on it), so the file ends one frame before the track does.
    EXPECT_EQ(last.endFrame, trackB + 8 * kRate - 1);
    const std::string lastName = Names("Track", 2)[1];
    const testing_support::SndfileView view = testing_support::ReadWithSndfile(lastName);
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.frames, static_cast<std::int64_t>(last.endFrame - last.firstFrame));
    const std::vector<std::uint8_t> tail =
        ReadRange(inputPath, 44 + static_cast<std::uint64_t>(last.firstFrame) * kFrameBytes,
                  static_cast<std::uint64_t>(last.endFrame - last.firstFrame) * kFrameBytes);
    EXPECT_TRUE(view.rawData == tail) << "the last file's frames differ from the input's tail";
    std::filesystem::remove(inputPath);
}

bool LargeTestsWanted() {
    const char* wanted = std::getenv("QUERNFOLD_LARGE_TESTS");
    return wanted != nullptr && std::string(wanted) == "1";
}

// An RF64 header for `dataBytes` of samples in the format of `fmt`: the real
// sizes in the ds64 chunk, 0xFFFFFFFF in the 32-bit fields.
wavbytes::Bytes Rf64Header(const wavbytes::Fmt& fmt, std::uint64_t dataBytes) {
    using namespace wavbytes;
    const Bytes fmtChunk = Chunk("fmt ", FmtBody(fmt));
    const std::uint64_t headerBytes = 4 + 8 + 28 + fmtChunk.size() + 8;
    Bytes ds64;
    const std::uint64_t frames = dataBytes / (fmt.bits / 8 * fmt.channels);
    for (std::uint64_t value : {headerBytes + dataBytes, dataBytes, frames}) {
        Append32(ds64, static_cast<std::uint32_t>(value));
        Append32(ds64, static_cast<std::uint32_t>(value >> 32));
    }
    Append32(ds64, 0);
    Bytes header = Riff({Chunk("ds64", ds64), fmtChunk}, "RF64");
    header[4] = header[5] = header[6] = header[7] = 0xFF;
    header.insert(header.end(), {'d', 'a', 't', 'a', 0xFF, 0xFF, 0xFF, 0xFF});
    return header;
}

// Loud noise in `frames` frames from frame `first` of data starting at `dataStart`.
void WriteLoudFrames(std::fstream& file, std::uint64_t dataStart, std::uint32_t frameBytes,
                     std::uint32_t sampleBytes, std::uint64_t first, std::uint32_t frames,
                     std::uint32_t& seed) {
    std::vector<char> bytes(static_cast<std::size_t>(frames) * frameBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        seed = seed * 1103515245U + 12345U;
        bytes[i] = static_cast<char>(seed >> 24);
        if (i % sampleBytes == sampleBytes - 1) {
            // The top byte: well above any threshold, either sign.
            bytes[i] = static_cast<char>((seed >> 16) % 2 == 0 ? 0x30 : -0x30);
        }
    }
    file.seekp(static_cast<std::streamoff>(dataStart + first * frameBytes));
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TEST_F(JobTest, RecordingOfFiveGigabytesInRf64SplitsAtItsEnd) {
    if (!LargeTestsWanted()) {
        GTEST_SKIP() << "set QUERNFOLD_LARGE_TESTS=1 to split a 5 GB RF64 recording";
    }
    wavbytes::Fmt fmt;
    fmt.bits = 24;
    constexpr std::uint32_t kFrameBytes24 = 6;
    constexpr std::uint64_t kData = 5'000'000'000ULL / kFrameBytes24 * kFrameBytes24;
    const std::uint64_t frames = kData / kFrameBytes24;
    const wavbytes::Bytes header = Rf64Header(fmt, kData);
    testing_support::WriteFileBytes(inputPath, header);
    std::filesystem::resize_file(inputPath, header.size() + kData);
    const std::uint64_t trackA = frames - 20 * kRate;
    const std::uint64_t trackB = trackA + 10 * kRate;
    {
        std::fstream file(inputPath, std::ios::in | std::ios::out | std::ios::binary);
        std::uint32_t seed = 5;
        WriteLoudFrames(file, header.size(), kFrameBytes24, 3, trackA, 8 * kRate, seed);
        WriteLoudFrames(file, header.size(), kFrameBytes24, 3, trackB, 8 * kRate, seed);
        ASSERT_TRUE(file.good());
    }

    SplitOptions options = Options();
    options.silenceLengthMs = 500;
    options.minTrackLengthSec = 2;
    options.trimSilence = true;
    FakeHost host;
    ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
    ASSERT_TRUE(host.plan.has_value());
    EXPECT_EQ(host.plan->segmentCount, 2u);

    const std::vector<SegmentSpan> spans =
        LayOutSegments(*host.plan, static_cast<std::uint32_t>(frames));
    ASSERT_EQ(spans.size(), 2u);
    const SegmentSpan& last = spans.back();
    EXPECT_GT(static_cast<std::uint64_t>(last.firstFrame) * kFrameBytes24, 4'500'000'000ULL);
    EXPECT_EQ(last.endFrame, trackB + 8 * kRate - 1);
    const testing_support::SndfileView view =
        testing_support::ReadWithSndfile(Names("Track", 2)[1]);
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.subtype, SF_FORMAT_PCM_24);
    EXPECT_EQ(view.container, SF_FORMAT_WAV); // small enough for RIFF
    EXPECT_EQ(view.frames, static_cast<std::int64_t>(last.endFrame - last.firstFrame));
    const std::vector<std::uint8_t> tail =
        ReadRange(inputPath, header.size() + std::uint64_t{last.firstFrame} * kFrameBytes24,
                  std::uint64_t{last.endFrame - last.firstFrame} * kFrameBytes24);
    EXPECT_TRUE(view.rawData == tail) << "the last file's frames differ from the input's tail";
    std::filesystem::remove(inputPath);
}

// A 4.3 GB RF64 input cut once near its start: the second file holds the rest,
// past what RIFF can describe, and is written as RF64 that libsndfile reads.
TEST_F(JobTest, OutputPastFourGigabytesIsWrittenAsRf64) {
    if (!LargeTestsWanted()) {
        GTEST_SKIP() << "set QUERNFOLD_LARGE_TESTS=1 to write a 4.3 GB output file";
    }
    const wavbytes::Fmt fmt; // 16-bit stereo
    constexpr std::uint64_t kData = 4'300'000'000ULL;
    const std::uint64_t frames = kData / kFrameBytes;
    const wavbytes::Bytes header = Rf64Header(fmt, kData);
    testing_support::WriteFileBytes(inputPath, header);
    std::filesystem::resize_file(inputPath, header.size() + kData);
    {
        std::fstream file(inputPath, std::ios::in | std::ios::out | std::ios::binary);
        std::uint32_t seed = 9;
        WriteLoudFrames(file, header.size(), kFrameBytes, 2, 0, 8 * kRate, seed);
        WriteLoudFrames(file, header.size(), kFrameBytes, 2, 10 * kRate, 8 * kRate, seed);
        WriteLoudFrames(file, header.size(), kFrameBytes, 2, frames - kRate, kRate, seed);
        ASSERT_TRUE(file.good());
    }
    SplitOptions options = Options();
    options.silenceLengthMs = 500;
    options.minTrackLengthSec = 2;
    FakeHost host;
    ASSERT_EQ(RunSplitJob(options, host), SplitOutcome::Written);
    ASSERT_TRUE(host.plan.has_value());
    ASSERT_EQ(host.plan->segmentCount, 2u);
    const std::vector<SegmentSpan> spans =
        LayOutSegments(*host.plan, static_cast<std::uint32_t>(frames));
    const SegmentSpan& second = spans.back();
    const std::int64_t secondFrames = second.endFrame - second.firstFrame;
    ASSERT_GT(static_cast<std::uint64_t>(secondFrames) * kFrameBytes, 0xFFFFFFFFULL);

    const std::string name = Names("Track", 2)[1];
    for (const std::uint64_t at :
         {std::uint64_t{0}, static_cast<std::uint64_t>(secondFrames) - 2 * kRate}) {
        const testing_support::SndfileView view =
            testing_support::ReadWithSndfile(name, static_cast<std::int64_t>(at), 2 * kRate);
        ASSERT_TRUE(view.opened);
        EXPECT_EQ(view.container, SF_FORMAT_RF64);
        EXPECT_EQ(view.frames, secondFrames);
        const std::vector<std::uint8_t> expected =
            ReadRange(inputPath, header.size() + (second.firstFrame + at) * kFrameBytes,
                      2 * kRate * kFrameBytes);
        EXPECT_TRUE(view.rawData == expected) << "frames from " << at << " differ";
    }
    std::filesystem::remove(name);
    std::filesystem::remove(inputPath);
}

} // namespace
