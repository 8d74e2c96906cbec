// 8- and 16-bit files against libsndfile: the reader reads what libsndfile wrote,
// and libsndfile reads what the writer wrote, in every format and flavour.
#include "FrameSlots.h"
#include "SndfileOracle.h"
#include "WavBytes.h"
#include "WaveStream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>

using namespace testing_support;
using namespace wavbytes;

namespace {

class ReadOracle : public testing::TestWithParam<std::tuple<int, int, WavFlavour>> {};

TEST_P(ReadOracle, ReadsWhatLibsndfileWrote) {
    const auto [bits, channels, flavour] = GetParam();
    constexpr std::uint32_t kFrames = 777;
    std::vector<std::int16_t> samples;
    for (std::uint32_t i = 0; i < kFrames * static_cast<std::uint32_t>(channels); ++i) {
        samples.push_back(bits == 8 ? static_cast<std::int16_t>((i * 37) & 0xFF)
                                    : static_cast<std::int16_t>(i * 83 - 30000));
    }
    TempDir dir;
    const std::string path = dir.file("in.wav");
    WriteWavWithSndfile(path, 11025, channels, bits, samples, flavour);

    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
    EXPECT_EQ(reader.FrameCount(), kFrames);
    EXPECT_EQ(reader.SampleRate(), 11025u);
    EXPECT_EQ(reader.BitsPerSample(), bits);
    EXPECT_EQ(reader.Channels(), channels);

    // One frame more than there is: every real frame is filled, nothing beyond.
    std::vector<FrameSlot> slots = Slots(kFrames + 1);
    EXPECT_EQ(reader.ReadFrames(kFrames + 1, slots.data()), WAVE_FILE_ERROR);
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        ASSERT_EQ(slots[i].channel1, samples[i * channels]) << "frame " << i;
        ASSERT_EQ(slots[i].channel2, channels == 2 ? samples[i * 2 + 1] : kUntouched) << i;
    }
    EXPECT_EQ(slots[kFrames].channel1, kUntouched);

    // As stored: the same frames byte for byte, and again nothing past the data.
    const Bytes stored = PackSamples(bits, samples);
    Bytes raw(stored.size() + 64, 0xEE);
    ASSERT_EQ(reader.SeekToFrame(0), WAVE_OK);
    EXPECT_EQ(reader.ReadFrameBytes(kFrames + 1, raw.data()), WAVE_FILE_ERROR);
    EXPECT_EQ(Bytes(raw.begin(), raw.begin() + static_cast<std::ptrdiff_t>(stored.size())), stored);
    EXPECT_EQ(raw[stored.size()], 0xEE);

    ASSERT_EQ(reader.SeekToFrame(kFrames - 1), WAVE_OK);
    FrameSlot last{};
    EXPECT_EQ(reader.ReadFrames(1, &last), WAVE_OK);
    EXPECT_EQ(last.channel1, samples[(kFrames - 1) * channels]);
    EXPECT_EQ(reader.Close(), WAVE_OK);
}

// Readable test names: "16bit2chWriteFrames".
std::string ReadParamName(const testing::TestParamInfo<ReadOracle::ParamType>& info) {
    const char* flavours[] = {"Plain", "Extensible", "WithInfo"};
    return std::to_string(std::get<0>(info.param)) + "bit" +
           std::to_string(std::get<1>(info.param)) + "ch" +
           flavours[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(AllFormatsAndFlavours, ReadOracle,
                         testing::Combine(testing::Values(8, 16), testing::Values(1, 2),
                                          testing::Values(WavFlavour::Plain, WavFlavour::Extensible,
                                                          WavFlavour::WithInfo)),
                         ReadParamName);

enum class Method { Frame, Frames, RawSamples, StoredBytes };

class WriteOracle : public testing::TestWithParam<std::tuple<int, int, Method>> {};

// Every format and every way of writing gives a file libsndfile reads back as
// the same format and the same sample bytes; an odd frame count gets no pad byte.
TEST_P(WriteOracle, LibsndfileReadsWhatWasWritten) {
    const auto [bits, channels, method] = GetParam();
    constexpr std::uint32_t kFrames = 1001;
    std::vector<FrameSlot> slots(kFrames);
    std::vector<std::int16_t> samples;
    for (std::uint32_t i = 0; i < kFrames; ++i) {
        // 8-bit slots carry junk in the high byte: only the low-order byte is a sample.
        auto value = [&](std::uint32_t k) {
            return bits == 8 ? static_cast<std::int16_t>(0x7700 | ((i * 3 + k) & 0xFF))
                             : static_cast<std::int16_t>(i * 65 - 32768 + k * 1000);
        };
        slots[i] = {value(0), value(1)};
        for (int c = 0; c < channels; ++c) {
            std::int16_t v = value(static_cast<std::uint32_t>(c));
            samples.push_back(bits == 8 ? static_cast<std::int16_t>(v & 0xFF) : v);
        }
    }

    TempDir dir;
    const std::string path = dir.file("out.wav");
    WaveStream writer;
    ASSERT_EQ(writer.OpenForWrite(path.c_str(), 32000, static_cast<std::uint16_t>(bits),
                                  static_cast<std::uint16_t>(channels)),
              WAVE_OK);
    std::vector<std::uint8_t> scratch(kFrames * 4);
    switch (method) {
    case Method::Frame:
        for (const FrameSlot& slot : slots) {
            ASSERT_EQ(writer.WriteFrame(slot), WAVE_OK);
        }
        break;
    case Method::Frames: // in two blocks, the second continuing the first
        ASSERT_EQ(writer.WriteFrames(slots.data(), 600, scratch.data()), WAVE_OK);
        ASSERT_EQ(writer.WriteFrames(slots.data() + 600, kFrames - 600, scratch.data()), WAVE_OK);
        break;
    case Method::RawSamples: // a slot at a time through the raw-sample calls
        for (FrameSlot& slot : slots) {
            int code = bits == 16 ? writer.WriteRawSamples16(&slot.channel1, channels)
                       : channels == 1
                           ? writer.WriteRawSamples8(reinterpret_cast<std::uint8_t*>(&slot), 1)
                           : writer.WriteFrame(slot);
            ASSERT_EQ(code, WAVE_OK);
        }
        break;
    case Method::StoredBytes: { // frames already in the file's layout, in two blocks
        const Bytes stored = PackSamples(bits, samples);
        const std::size_t split = 600u * static_cast<std::size_t>(bits / 8 * channels);
        ASSERT_EQ(writer.WriteFrameBytes(stored.data(), 600), WAVE_OK);
        ASSERT_EQ(writer.WriteFrameBytes(stored.data() + split, kFrames - 600), WAVE_OK);
        break;
    }
    }
    ASSERT_EQ(writer.Close(), WAVE_OK);

    const Bytes expected = PackSamples(bits, samples);
    EXPECT_EQ(std::filesystem::file_size(path), 44 + expected.size());
    SndfileView view = ReadWithSndfile(path);
    ASSERT_TRUE(view.opened);
    EXPECT_EQ(view.sampleRate, 32000);
    EXPECT_EQ(view.channels, channels);
    EXPECT_EQ(view.bits, bits);
    EXPECT_EQ(view.frames, kFrames);
    EXPECT_EQ(view.rawData, expected);
}

// Readable test names: "16bit2chWriteFrames".
std::string WriteParamName(const testing::TestParamInfo<WriteOracle::ParamType>& info) {
    const char* methods[] = {"WriteFrame", "WriteFrames", "RawSamples", "WriteFrameBytes"};
    return std::to_string(std::get<0>(info.param)) + "bit" +
           std::to_string(std::get<1>(info.param)) + "ch" +
           methods[static_cast<int>(std::get<2>(info.param))];
}

INSTANTIATE_TEST_SUITE_P(AllFormats, WriteOracle,
                         testing::Combine(testing::Values(8, 16), testing::Values(1, 2),
                                          testing::Values(Method::Frame, Method::Frames,
                                                          Method::RawSamples, Method::StoredBytes)),
                         WriteParamName);

TEST(WaveWrite, ReusedAfterReadingItStillWritesAPlainPcmHeader) {
    TempDir dir;
    const std::string source = dir.file("extensible.wav");
    const std::string target = dir.file("out.wav");
    WriteWavWithSndfile(source, 48000, 2, 16, {1, 2, 3, 4}, WavFlavour::Extensible);
    WaveStream stream;
    ASSERT_EQ(stream.OpenForRead(source.c_str()), WAVE_OK);
    ASSERT_EQ(stream.FormatTag(), 0xFFFE);
    ASSERT_EQ(stream.OpenForWrite(target.c_str(), 48000, 16, 2), WAVE_OK);
    EXPECT_EQ(stream.Close(), WAVE_OK);
    const Bytes written = ReadFileBytes(target);
    ASSERT_GE(written.size(), 36u);
    EXPECT_EQ(Bytes(written.begin() + 12, written.begin() + 36),
              Chunk("fmt ", FmtBody({1, 2, 48000, 16})));
}

} // namespace
