#include "FramePacking.h"

#include <cstring>

namespace {

// A slot read as one 32-bit word holds channel 1 in its low half and channel 2
// in its high half. Converting whole words, with no per-field stores, lets the
// compiler vectorise the mono loops below (measured faster; 8-bit stereo is
// faster field by field); they give the same slots and bytes as field-by-field
// conversion.
std::uint32_t LoadSlotWord(const FrameSlot* slot) {
    std::uint32_t word;
    std::memcpy(&word, slot, sizeof word);
    return word;
}

void StoreSlotWord(FrameSlot* slot, std::uint32_t word) {
    std::memcpy(slot, &word, sizeof word);
}

// File bytes of 8-bit or 16-bit mono into slots; each slot's second value stays
// as it was.
void UnpackMono(const std::uint8_t* in, FrameSlot* frames, std::size_t count, std::uint16_t bits) {
    constexpr std::uint32_t kChannel2 = 0xFFFF0000u;
    if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t sample;
            std::memcpy(&sample, in + 2 * i, sizeof sample);
            StoreSlotWord(frames + i, (LoadSlotWord(frames + i) & kChannel2) | sample);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            StoreSlotWord(frames + i, (LoadSlotWord(frames + i) & kChannel2) | in[i]);
        }
    }
}

// Slots into the file bytes of 8-bit or 16-bit mono: the stored 16-bit value, or
// the low-order byte of the value for 8-bit.
void PackMono(const FrameSlot* frames, std::uint8_t* out, std::size_t count, std::uint16_t bits) {
    if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto sample = static_cast<std::uint16_t>(LoadSlotWord(frames + i));
            std::memcpy(out + 2 * i, &sample, sizeof sample);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint8_t>(LoadSlotWord(frames + i));
        }
    }
}

} // namespace

bool StoredAsSlots(const WaveFormat& format) {
    return format.bitsPerSample == 16 && format.channels == 2;
}

void UnpackFrames(const WaveFormat& format, const std::uint8_t* in, FrameSlot* frames,
                  std::size_t count) {
    if (StoredAsSlots(format)) {
        std::memcpy(frames, in, count * sizeof(FrameSlot));
    } else if (format.channels == 1) {
        UnpackMono(in, frames, count, format.bitsPerSample);
    } else {
        for (std::size_t i = 0; i < count; ++i, in += 2) {
            frames[i].channel1 = in[0];
            frames[i].channel2 = in[1];
        }
    }
}

void PackFrames(const WaveFormat& format, const FrameSlot* frames, std::uint8_t* out,
                std::size_t count) {
    if (StoredAsSlots(format)) {
        std::memcpy(out, frames, count * sizeof(FrameSlot));
    } else if (format.channels == 1) {
        PackMono(frames, out, count, format.bitsPerSample);
    } else {
        for (std::size_t i = 0; i < count; ++i, out += 2) {
            out[0] = static_cast<std::uint8_t>(frames[i].channel1);
            out[1] = static_cast<std::uint8_t>(frames[i].channel2);
        }
    }
}
