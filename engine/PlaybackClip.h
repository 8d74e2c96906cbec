// Stretches of the recording made ready for a sound device: interleaved signed
// 16-bit samples, whatever the file stores, so that one output format serves
// every recording on every platform.
#pragma once

#include "WaveFormat.h"
#include "WaveStream.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// One stretch of the recording as a sound device plays it.
struct PlaybackClip {
    std::uint32_t firstFrame = 0; // where in the recording the clip starts
    std::uint32_t sampleRate = 0;
    std::uint16_t channels = 0;        // 1 or 2, as the recording has them
    std::vector<std::int16_t> samples; // interleaved, channel 1 first

    std::uint32_t FrameCount() const {
        return channels == 0 ? 0 : static_cast<std::uint32_t>(samples.size() / channels);
    }
    std::uint32_t EndFrame() const { return firstFrame + FrameCount(); }
};

// Converts `count` frames as `format` stores them into `count * format.channels`
// interleaved signed 16-bit samples. The values are the ones the analysis sees
// (wider integers cut to their top 16 bits; floating point scaled by 32768,
// rounded down and held within the 16-bit range, never wrapped), with 8-bit
// samples re-centred around zero and scaled up by 256.
void ConvertForPlayback(const WaveFormat& format, const std::uint8_t* stored, std::size_t count,
                        std::int16_t* out);

// Reads the frames [firstFrame, endFrame) of the recording open in `reader` into
// `clip`, clamped to the recording's end; the reader's position moves. Returns
// WAVE_OK; WAVE_BAD_CALL when the reader holds no recording or firstFrame lies
// after endFrame; WAVE_FILE_ERROR when a read fails. On failure `clip` is empty.
// The reader is the caller's: whoever else reads it must not do so meanwhile.
int ReadPlaybackClip(WaveStream& reader, std::uint32_t firstFrame, std::uint32_t endFrame,
                     PlaybackClip& clip);
// The same as a clip to hand to a player on another thread; null when it cannot be read.
std::shared_ptr<const PlaybackClip> ReadPlaybackClip(WaveStream& reader, std::uint32_t firstFrame,
                                                     std::uint32_t endFrame);
