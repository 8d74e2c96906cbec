#include "Recordings.h"

#include <gtest/gtest.h>

Recording& Recording::Sound(std::uint32_t frames, bool left, bool right) {
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            const bool loud = c == 0 ? left : right;
            noise = noise * 1103515245U + 12345U;
            const int variation = static_cast<int>((noise >> 16) % 64);
            const int sign = (i + static_cast<std::uint32_t>(c)) % 2 == 0 ? 1 : -1;
            const int swing = bits == 8 ? 90 + variation / 2 : 9000 + variation * 37;
            samples.push_back(loud ? static_cast<std::int16_t>(SilenceValue() + sign * swing)
                                   : SilenceValue());
        }
    }
    return *this;
}

Recording& Recording::Silence(std::uint32_t frames) {
    samples.insert(samples.end(), static_cast<std::size_t>(frames) * channels, SilenceValue());
    return *this;
}

Recording& Recording::Tracks(int count, std::uint32_t soundFrames, std::uint32_t pauseFrames) {
    for (int t = 0; t < count; ++t) {
        if (t != 0) {
            Silence(pauseFrames);
        }
        Sound(soundFrames);
    }
    return *this;
}

void Recording::Write(const std::string& path) const {
    testing_support::WriteTestWav(path, sampleRate, channels, bits, samples);
}

std::vector<std::uint8_t> Recording::Bytes(std::uint32_t first, std::uint32_t end) const {
    const std::vector<std::int16_t> slice(
        samples.begin() + static_cast<std::ptrdiff_t>(first) * channels,
        samples.begin() + static_cast<std::ptrdiff_t>(end) * channels);
    return testing_support::PackSamples(bits, slice);
}

void ExpectSegmentFiles(const Recording& input, const std::vector<std::string>& names,
                        const std::vector<SegmentSpan>& spans, std::uint32_t silenceFrames) {
    ASSERT_EQ(names.size(), spans.size());
    for (std::size_t s = 0; s < spans.size(); ++s) {
        SCOPED_TRACE(names[s]);
        const testing_support::WavContents file = testing_support::ReadTestWav(names[s]);
        ASSERT_TRUE(file.opened);
        EXPECT_EQ(file.sampleRate, input.sampleRate);
        EXPECT_EQ(file.channels, input.channels);
        EXPECT_EQ(file.bits, input.bits);
        std::vector<std::uint8_t> expected = input.Bytes(spans[s].firstFrame, spans[s].endFrame);
        if (spans[s].appendSilence) {
            const std::vector<std::int16_t> silence(
                static_cast<std::size_t>(silenceFrames) * input.channels, input.SilenceValue());
            const std::vector<std::uint8_t> silenceBytes =
                testing_support::PackSamples(input.bits, silence);
            expected.insert(expected.end(), silenceBytes.begin(), silenceBytes.end());
        }
        EXPECT_EQ(file.rawData.size(), expected.size());
        EXPECT_TRUE(file.rawData == expected) << "sample bytes differ";
        // The header claims exactly what the file holds.
        EXPECT_EQ(testing_support::ReadFileBytes(names[s]).size(), 44 + expected.size());
    }
}
