// Arbitrary bytes as a WAV file: the reader either refuses them or delivers
// exactly the frames that lie in the file, for seeks and reads of every size.
#include "MemoryFile.h"
#include "WaveStream.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// One stored sample as the reader hands it over: 8- and 16-bit as stored, wider
// samples reduced to 16 bits (integers by their top two bytes; floating point
// scaled by 32768, rounded down, held in range, NaN as 32767).
std::int16_t SlotValue(const std::uint8_t* at, const WaveStream& reader) {
    const std::uint16_t bits = reader.BitsPerSample();
    if (bits == 8) {
        return at[0];
    }
    if (reader.Format().encodingTag == 3) {
        double value = 0;
        if (bits == 32) {
            float single = 0;
            std::memcpy(&single, at, sizeof single);
            value = single;
        } else {
            std::memcpy(&value, at, sizeof value);
        }
        if (std::isnan(value)) {
            return 32767;
        }
        return static_cast<std::int16_t>(
            std::clamp(std::floor(value * 32768.0), -32768.0, 32767.0));
    }
    const std::size_t top = bits / 8 - 2;
    return static_cast<std::int16_t>(at[top] | (at[top + 1] << 8));
}

// The frame the file stores at `index`, unpacked the way the reader unpacks it.
FrameSlot StoredFrame(const std::uint8_t* data, const WaveStream& reader, std::uint32_t index) {
    const std::uint8_t* at = data + reader.DataChunkPosition() + 8 +
                             static_cast<std::size_t>(index) * reader.BlockAlign();
    FrameSlot slot{0, 0};
    slot.channel1 = SlotValue(at, reader);
    if (reader.Channels() == 2) {
        slot.channel2 = SlotValue(at + reader.BitsPerSample() / 8, reader);
    }
    return slot;
}

bool SameFrame(const FrameSlot& got, const FrameSlot& stored, std::uint16_t channels) {
    return got.channel1 == stored.channel1 && (channels == 1 || got.channel2 == stored.channel2);
}

// From `first`, the rest of the data reads in full, frame for frame as stored,
// and one frame more fails.
void ReadRestFrom(WaveStream& reader, const std::uint8_t* data, std::uint32_t first,
                  std::vector<FrameSlot>& buffer) {
    const std::uint32_t frames = reader.FrameCount();
    FUZZ_CHECK(reader.SeekToFrame(first) == WAVE_OK);
    const std::uint32_t rest = frames - first;
    FUZZ_CHECK(reader.ReadFrames(static_cast<std::int32_t>(rest), buffer.data()) == WAVE_OK);
    for (std::uint32_t i = 0; i < rest; ++i) {
        FUZZ_CHECK(SameFrame(buffer[i], StoredFrame(data, reader, first + i), reader.Channels()));
    }
    FUZZ_CHECK(reader.ReadFrames(1, buffer.data()) == WAVE_FILE_ERROR);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    MemoryFile file(data, size);
    if (!file.ok()) {
        return 0;
    }
    WaveStream reader;
    FrameSlot slots[4] = {};
    if (reader.OpenForRead(file.Path()) != WAVE_OK) {
        // A refused file must not be readable by accident.
        FUZZ_CHECK(reader.SeekToFrame(0) != WAVE_OK);
        FUZZ_CHECK(reader.ReadFrames(4, slots) != WAVE_OK);
        return 0;
    }
    const std::uint32_t frames = reader.FrameCount();
    const std::uint64_t dataEnd = static_cast<std::uint64_t>(reader.DataChunkPosition()) + 8 +
                                  static_cast<std::uint64_t>(frames) * reader.BlockAlign();
    FUZZ_CHECK(reader.DataChunkPosition() >= 12 && dataEnd <= size);
    FUZZ_CHECK(reader.BlockAlign() == reader.BitsPerSample() / 8 * reader.Channels());

    // Room for every frame plus one, so over-long reads stay inside the buffer.
    std::vector<FrameSlot> buffer(static_cast<std::size_t>(frames) + 2);
    // Reads of every small size from the start, then the sizes around the end.
    for (std::uint32_t count = 1; count <= frames + 1 && count <= 48; ++count) {
        FUZZ_CHECK(reader.SeekToFrame(0) == (frames != 0 ? WAVE_OK : WAVE_BAD_CALL));
        const int code = reader.ReadFrames(static_cast<std::int32_t>(count), buffer.data());
        FUZZ_CHECK(code == (count <= frames ? WAVE_OK : WAVE_FILE_ERROR));
    }
    reader.ReadFrames(0, buffer.data());
    if (frames != 0) {
        ReadRestFrom(reader, data, 0, buffer);
        ReadRestFrom(reader, data, frames / 2, buffer);
        ReadRestFrom(reader, data, frames - 1, buffer);
    }
    FUZZ_CHECK(reader.SeekToFrame(frames) == WAVE_BAD_CALL);
    FUZZ_CHECK(reader.SeekToFrame(UINT32_MAX) == WAVE_BAD_CALL);
    // A negative count is no request at all; it must not write anywhere.
    reader.ReadFrames(-1, slots);
    FUZZ_CHECK(reader.Close() == WAVE_OK);
    return 0;
}
