// Stretches of the recording converted for a sound device: every stored width
// gives the analysis's 16-bit values, interleaved, 8-bit re-centred, floats
// held at full scale instead of wrapping.
#include "PlaybackClip.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

using testing_support::TempDir;

namespace {

WaveFormat FormatOf(SampleType type, std::uint16_t channels) {
    static const std::uint16_t kBits[] = {8, 16, 24, 32, 32, 64};
    const auto bits = kBits[static_cast<int>(type)];
    WaveFormat format = PcmFormat(8000, bits, channels);
    if (type == SampleType::Float32 || type == SampleType::Float64) {
        format.formatTag = format.encodingTag = kFormatFloat;
    }
    return format;
}

// `value` stored as `type`: floating point as it is, integers as the whole
// number they are given (8-bit as the unsigned byte), little-endian as the host.
void AppendSample(std::vector<std::uint8_t>& out, SampleType type, double value) {
    std::uint8_t bytes[8];
    if (type == SampleType::Float32) {
        const auto single = static_cast<float>(value);
        std::memcpy(bytes, &single, sizeof single);
    } else if (type == SampleType::Float64) {
        std::memcpy(bytes, &value, sizeof value);
    } else {
        const auto whole = static_cast<std::int64_t>(value);
        std::memcpy(bytes, &whole, sizeof whole);
    }
    out.insert(out.end(), bytes, bytes + StoredFrameBytes(FormatOf(type, 1)));
}

struct ConversionCase {
    SampleType type;
    std::vector<std::pair<double, std::int16_t>> samples; // stored value, played value
};

class PlaybackConversion : public testing::TestWithParam<std::tuple<ConversionCase, int>> {};

TEST_P(PlaybackConversion, GivesTheAnalysisValuesInterleaved) {
    const auto& [conversion, channels] = GetParam();
    std::vector<std::uint8_t> stored;
    std::vector<std::int16_t> expected;
    for (const auto& [value, played] : conversion.samples) {
        AppendSample(stored, conversion.type, value);
        expected.push_back(played);
    }
    const WaveFormat format = FormatOf(conversion.type, static_cast<std::uint16_t>(channels));
    std::vector<std::int16_t> out(expected.size() + 1, 0x5A5A);
    ConvertForPlayback(format, stored.data(), expected.size() / channels, out.data());
    EXPECT_EQ(out.back(), 0x5A5A) << "wrote past the frames";
    out.pop_back();
    EXPECT_EQ(out, expected);
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const std::vector<std::pair<double, std::int16_t>> kFloatCases = {
    {0.5, 16384},   {-0.5, -16384}, {1.0, 32767}, {1.5, 32767},   {-1.0, -32768},
    {-4.0, -32768}, {1e30, 32767},  {-1e-9, -1},  {kInf, 32767},  {-kInf, -32768},
    {kNaN, 32767},  {0.0, 0},       {0.25, 8192}, {-0.25, -8192},
};

INSTANTIATE_TEST_SUITE_P(
    EveryWidth, PlaybackConversion,
    testing::Combine(
        testing::Values(ConversionCase{SampleType::Unsigned8,
                                       {{0, -32768}, {128, 0}, {255, 32512}, {129, 256}}},
                        ConversionCase{SampleType::Signed16,
                                       {{-32768, -32768}, {32767, 32767}, {-1, -1}, {0, 0}}},
                        ConversionCase{SampleType::Signed24,
                                       {{8388607, 32767}, {-8388608, -32768}, {511, 1}, {-1, -1}}},
                        ConversionCase{
                            SampleType::Signed32,
                            {{2147483647, 32767}, {-2147483648.0, -32768}, {65536, 1}, {-1, -1}}},
                        ConversionCase{SampleType::Float32, kFloatCases},
                        ConversionCase{SampleType::Float64, kFloatCases}),
        testing::Values(1, 2)));

class PlaybackClipRead : public testing::TestWithParam<std::tuple<SampleType, int>> {};

// A file of distinct values across the whole range (and past it, for floats).
TEST_P(PlaybackClipRead, StretchEqualsTheReadersReduction) {
    const auto [type, channels] = GetParam();
    const WaveFormat format = FormatOf(type, static_cast<std::uint16_t>(channels));
    constexpr std::uint32_t kFrames = 40000; // several read pieces
    std::vector<std::uint8_t> stored;
    for (std::uint32_t i = 0; i < kFrames * static_cast<std::uint32_t>(channels); ++i) {
        const double unit = static_cast<double>(i * 7919 % 20001) / 10000.0 - 1.0; // -1..1
        const int bits = static_cast<int>(StoredFrameBytes(format) / channels * 8);
        const bool isFloat = format.encodingTag == kFormatFloat;
        const double whole = std::floor(std::ldexp(unit * 0.999, bits - 1));
        AppendSample(stored, type, isFloat ? unit * 1.25 : bits == 8 ? whole + 128 : whole);
    }
    TempDir dir;
    const std::string path = dir.file("in.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(path.c_str(), format), WAVE_OK);
        ASSERT_EQ(writer.WriteFrameBytes(stored.data(), kFrames), WAVE_OK);
        ASSERT_EQ(writer.Close(), WAVE_OK);
    }
    WaveStream reader;
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);
    std::vector<FrameSlot> slots(kFrames);
    ASSERT_EQ(reader.ReadFrames(kFrames, slots.data()), WAVE_OK);

    PlaybackClip clip;
    ASSERT_EQ(ReadPlaybackClip(reader, 3, 39000, clip), WAVE_OK);
    EXPECT_EQ(clip.firstFrame, 3u);
    EXPECT_EQ(clip.sampleRate, 8000u);
    EXPECT_EQ(clip.channels, channels);
    ASSERT_EQ(clip.FrameCount(), 39000u - 3);
    const int shift = reader.SlotBits() == 8 ? 128 : 0;
    const int scale = reader.SlotBits() == 8 ? 256 : 1;
    for (std::uint32_t f = 0; f < clip.FrameCount(); ++f) {
        const FrameSlot& slot = slots[3 + f];
        ASSERT_EQ(clip.samples[f * channels], (slot.channel1 - shift) * scale) << f;
        if (channels == 2) {
            ASSERT_EQ(clip.samples[f * 2 + 1], (slot.channel2 - shift) * scale) << f;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWidth, PlaybackClipRead,
    testing::Combine(testing::Values(SampleType::Unsigned8, SampleType::Signed16,
                                     SampleType::Signed24, SampleType::Signed32,
                                     SampleType::Float32, SampleType::Float64),
                     testing::Values(1, 2)));

TEST(PlaybackClipReadTest, ClampsToTheRecordingAndRefusesWhatCannotBeRead) {
    TempDir dir;
    const std::string path = dir.file("in.wav");
    {
        WaveStream writer;
        ASSERT_EQ(writer.OpenForWrite(path.c_str(), 44100, 16, 1), WAVE_OK);
        const std::vector<std::int16_t> samples(100, 7);
        ASSERT_EQ(writer.WriteRawSamples16(samples.data(), 100), WAVE_OK);
        ASSERT_EQ(writer.Close(), WAVE_OK);
    }
    PlaybackClip clip;
    WaveStream reader;
    EXPECT_EQ(ReadPlaybackClip(reader, 0, 10, clip), WAVE_BAD_CALL) << "nothing open";
    ASSERT_EQ(reader.OpenForRead(path.c_str()), WAVE_OK);

    ASSERT_EQ(ReadPlaybackClip(reader, 90, 5000, clip), WAVE_OK);
    EXPECT_EQ(clip.firstFrame, 90u);
    EXPECT_EQ(clip.samples, std::vector<std::int16_t>(10, 7));

    ASSERT_EQ(ReadPlaybackClip(reader, 100, 200, clip), WAVE_OK);
    EXPECT_EQ(clip.FrameCount(), 0u);

    EXPECT_EQ(ReadPlaybackClip(reader, 50, 40, clip), WAVE_BAD_CALL);
    EXPECT_EQ(clip.FrameCount(), 0u);
}

} // namespace
