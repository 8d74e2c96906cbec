// 24- and 32-bit integer and 32- and 64-bit floating-point files, plain,
// extensible and RF64, against libsndfile: the reader sees the file's bytes and
// their reduction to 16 bits; the writer's files read back in libsndfile as the
// same format with the same bytes.
#include "SndfileOracle.h"
#include "WavBytes.h"
#include "WaveStream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sndfile.h>
#include <tuple>

using namespace testing_support;
using namespace wavbytes;

namespace {

using WideParam = std::tuple<WideType, int, WideContainer>;

class WideOracle : public testing::TestWithParam<WideParam> {};

// The four bytes after the first `id` chunk header of a file, as a number.
std::uint32_t ChunkField(const Bytes& file, const std::string& id, std::size_t offset) {
    const auto at = std::search(file.begin(), file.end(), id.begin(), id.end());
    if (at == file.end()) {
        return 0xDEADBEEF;
    }
    return Get32(file, static_cast<std::size_t>(at - file.begin()) + 4 + offset);
}

TEST_P(WideOracle, ReadsReducesAndWritesBackAsStored) {
    const auto [type, channels, container] = GetParam();
    constexpr std::uint32_t kFrames = 1001;
    const int sampleBytes = BytesPerSample(type);
    const Bytes stored = WideSamples(type, kFrames * static_cast<std::size_t>(channels), 5);
    TempDir dir;
    const std::string inPath = dir.file("in.wav");
    WriteStoredWithSndfile(inPath, 96000, channels, type, container, stored);

    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(inPath.c_str()), WAVE_OK);
    EXPECT_EQ(reader.FrameCount(), kFrames);
    EXPECT_EQ(reader.SampleRate(), 96000u);
    EXPECT_EQ(reader.BitsPerSample(), sampleBytes * 8);
    EXPECT_EQ(reader.Channels(), channels);
    EXPECT_EQ(reader.SlotBits(), 16);

    // Slots: each sample reduced to 16 bits; mono leaves the second value alone.
    std::vector<FrameSlot> slots(kFrames + 1, FrameSlot{0x5A5A, 0x5A5A});
    EXPECT_EQ(reader.ReadFrames(kFrames + 1, slots.data()), WAVE_FILE_ERROR);
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        const std::uint8_t* frame = stored.data() + i * channels * sampleBytes;
        ASSERT_EQ(slots[i].channel1, ReducedSample(type, frame)) << i;
        ASSERT_EQ(slots[i].channel2,
                  channels == 2 ? ReducedSample(type, frame + sampleBytes) : 0x5A5A)
            << i;
    }
    EXPECT_EQ(slots[kFrames].channel1, 0x5A5A);

    // As stored, from any frame.
    ASSERT_EQ(reader.SeekToFrame(kFrames - 10), WAVE_OK);
    Bytes tail(10 * static_cast<std::size_t>(channels * sampleBytes));
    ASSERT_EQ(reader.ReadFrameBytes(10, tail.data()), WAVE_OK);
    EXPECT_TRUE(
        std::equal(tail.begin(), tail.end(), stored.end() - static_cast<long>(tail.size())));

    // Written back in the reader's format: every frame as stored, then silence
    // from a slot of zeros, which is zero in every format here.
    const std::string outPath = dir.file("out.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(outPath.c_str(), reader.Format()), WAVE_OK);
        ASSERT_EQ(writer.WriteFrameBytes(stored.data(), kFrames), WAVE_OK);
        const std::vector<FrameSlot> silence(7, FrameSlot{0, 0});
        Bytes scratch(7 * static_cast<std::size_t>(channels * sampleBytes));
        ASSERT_EQ(writer.WriteFrames(silence.data(), 7, scratch.data()), WAVE_OK);
        ASSERT_EQ(writer.WriteFrame(FrameSlot{0, 0}), WAVE_OK);
        EXPECT_EQ(writer.Close(), WAVE_OK);
    }
    const SndfileView view = ReadWithSndfile(outPath);
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.frames, kFrames + 8);
    EXPECT_EQ(view.sampleRate, 96000);
    EXPECT_EQ(view.channels, channels);
    const int subtypes[] = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE};
    EXPECT_EQ(view.subtype, subtypes[static_cast<int>(type)]);
    // Small files are RIFF whatever the input was; extensible stays extensible
    // (libsndfile writes its RF64 files with an extensible fmt chunk).
    EXPECT_EQ(reader.Format().IsExtensible(), container != WideContainer::Plain);
    EXPECT_EQ(view.container, reader.Format().IsExtensible() ? SF_FORMAT_WAVEX : SF_FORMAT_WAV);
    Bytes expected = stored;
    expected.resize(stored.size() + 8 * static_cast<std::size_t>(channels * sampleBytes), 0);
    EXPECT_TRUE(view.rawData == expected);

    WaveStream again;
    ASSERT_EQ(again.OpenForRead(outPath.c_str()), WAVE_OK);
    EXPECT_EQ(again.Format().formatTag, reader.Format().formatTag);
    EXPECT_EQ(again.Format().channelMask, reader.Format().channelMask);
    EXPECT_EQ(again.Format().validBits, reader.Format().validBits);
    const Bytes file = ReadFileBytes(outPath);
    const bool isFloat = type == WideType::Float || type == WideType::Double;
    EXPECT_EQ(ChunkField(file, "fact", 4), isFloat ? kFrames + 8 : 0xDEADBEEF);
}

std::string WideName(const testing::TestParamInfo<WideParam>& info) {
    const char* types[] = {"Pcm24", "Pcm32", "Float", "Double"};
    const char* containers[] = {"Plain", "Extensible", "Rf64"};
    return std::string(types[static_cast<int>(std::get<0>(info.param))]) +
           std::to_string(std::get<1>(info.param)) + "ch" +
           containers[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(AllWideFormats, WideOracle,
                         testing::Combine(testing::Values(WideType::Pcm24, WideType::Pcm32,
                                                          WideType::Float, WideType::Double),
                                          testing::Values(1, 2),
                                          testing::Values(WideContainer::Plain,
                                                          WideContainer::Extensible,
                                                          WideContainer::Rf64)),
                         WideName);

// An output planned past what RIFF can hold keeps room for the 64-bit sizes; if
// its data stays small after all (a cancel, say), it is closed as plain RIFF with
// that room left as a JUNK chunk.
TEST(WaveWrite, RoomForSixtyFourBitSizesStaysJunkWhenTheDataIsSmall) {
    TempDir dir;
    const std::string path = dir.file("planned-large.wav");
    const Bytes samples = Ramp(12);
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(path.c_str(), PcmFormat(48000, 24, 2), 1ULL << 31), WAVE_OK);
        ASSERT_EQ(writer.WriteFrameBytes(samples.data(), 2), WAVE_OK);
    } // closed by its destructor, sizes patched
    const Bytes file = ReadFileBytes(path);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), Bytes({'R', 'I', 'F', 'F'}));
    EXPECT_EQ(Get32(file, 4), file.size() - 8);
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 16), Bytes({'J', 'U', 'N', 'K'}));
    EXPECT_EQ(ChunkField(file, "data", 0), 12u);
    const SndfileView view = ReadWithSndfile(path);
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.frames, 2);
    EXPECT_EQ(view.rawData, samples);
}

} // namespace
