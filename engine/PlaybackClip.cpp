#include "PlaybackClip.h"

#include "FramePacking.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// Frames converted through one stack buffer of slots at a time.
constexpr std::size_t kSlotPiece = 1024;
// Frames read from the file at a time: a bounded buffer whatever the clip's length.
constexpr std::uint32_t kReadPiece = 16384;

} // namespace

void ConvertForPlayback(const WaveFormat& format, const std::uint8_t* stored, std::size_t count,
                        std::int16_t* out) {
    const std::size_t channels = format.channels;
    if (StoredAsSlots(format)) {
        std::memcpy(out, stored, count * channels * sizeof(std::int16_t));
        return;
    }
    // The slots hold the analysis's values; an 8-bit slot keeps the unsigned
    // byte, whose silence is 128.
    const bool unsignedBytes = SlotBits(format) == 8;
    const std::size_t storedBytes = StoredFrameBytes(format);
    FrameSlot slots[kSlotPiece];
    for (std::size_t done = 0; done < count; done += kSlotPiece) {
        const std::size_t piece = std::min(kSlotPiece, count - done);
        UnpackFrames(format, stored + done * storedBytes, slots, piece);
        for (std::size_t i = 0; i < piece; ++i) {
            for (std::size_t c = 0; c < channels; ++c) {
                const std::int16_t value = c == 0 ? slots[i].channel1 : slots[i].channel2;
                *out++ = unsignedBytes ? static_cast<std::int16_t>((value - 128) * 256) : value;
            }
        }
    }
}

int ReadPlaybackClip(WaveStream& reader, std::uint32_t firstFrame, std::uint32_t endFrame,
                     PlaybackClip& clip) {
    clip = PlaybackClip{};
    const WaveFormat& format = reader.Format();
    if (reader.Mode() != RIFF_READING || firstFrame > endFrame || !IsWritable(format)) {
        return WAVE_BAD_CALL;
    }
    const std::uint32_t end = std::min(endFrame, reader.FrameCount());
    const std::uint32_t first = std::min(firstFrame, end);
    PlaybackClip read;
    read.firstFrame = first;
    read.sampleRate = format.sampleRate;
    read.channels = format.channels;
    if (first == end) {
        clip = std::move(read);
        return WAVE_OK;
    }
    if (reader.SeekToFrame(first) != WAVE_OK) {
        return WAVE_FILE_ERROR;
    }
    const std::uint32_t frames = end - first;
    const std::size_t storedBytes = StoredFrameBytes(format);
    const std::uint32_t piece = std::min(frames, kReadPiece);
    const auto bytes = std::make_unique<std::uint8_t[]>(piece * storedBytes);
    read.samples.resize(static_cast<std::size_t>(frames) * format.channels);
    for (std::uint32_t done = 0; done < frames;) {
        const std::uint32_t count = std::min(piece, frames - done);
        if (reader.ReadFrameBytes(count, bytes.get()) != WAVE_OK) {
            return WAVE_FILE_ERROR;
        }
        ConvertForPlayback(format, bytes.get(), count,
                           read.samples.data() + static_cast<std::size_t>(done) * format.channels);
        done += count;
    }
    clip = std::move(read);
    return WAVE_OK;
}

std::shared_ptr<const PlaybackClip> ReadPlaybackClip(WaveStream& reader, std::uint32_t firstFrame,
                                                     std::uint32_t endFrame) {
    auto clip = std::make_shared<PlaybackClip>();
    if (ReadPlaybackClip(reader, firstFrame, endFrame, *clip) != WAVE_OK) {
        return nullptr;
    }
    return clip;
}
