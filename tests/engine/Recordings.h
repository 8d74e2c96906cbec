// Test recordings with known pauses, built in code and written as plain WAV files,
// and checks that compare the written segment files with the input's bytes.
#pragma once

#include "SegmentWriter.h"
#include "TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

class Recording {
public:
    Recording(int sampleRate, int channels, int bits)
        : sampleRate(sampleRate), channels(channels), bits(bits) {}

    // Loud noise on the given channels (the other channel of a stereo recording,
    // if not named, stays silent), or digital silence on every channel.
    Recording& Sound(std::uint32_t frames, bool left = true, bool right = true);
    Recording& Silence(std::uint32_t frames);
    // `count` tracks of `soundFrames` separated by `pauseFrames` of silence.
    Recording& Tracks(int count, std::uint32_t soundFrames, std::uint32_t pauseFrames);

    std::uint32_t Frames() const { return static_cast<std::uint32_t>(samples.size() / channels); }
    int BlockAlign() const { return channels * bits / 8; }
    std::int16_t SilenceValue() const { return bits == 8 ? 128 : 0; }
    void Write(const std::string& path) const;
    // The stored bytes of frames [first, end).
    std::vector<std::uint8_t> Bytes(std::uint32_t first, std::uint32_t end) const;

    const int sampleRate;
    const int channels;
    const int bits;
    std::vector<std::int16_t> samples;

private:
    std::uint32_t noise = 12345;
};

// Every span's file holds exactly the input's frames for that span plus, where
// the span says so, `silenceFrames` frames of silence.
void ExpectSegmentFiles(const Recording& input, const std::vector<std::string>& names,
                        const std::vector<SegmentSpan>& spans, std::uint32_t silenceFrames);
