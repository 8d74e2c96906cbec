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

// The top two bytes of a little-endian integer sample of `bytes` bytes: the
// sample shifted right, arithmetically, to 16 bits.
std::int16_t TopSixteenBits(const std::uint8_t* sample, std::size_t bytes) {
    std::int16_t value;
    std::memcpy(&value, sample + bytes - 2, sizeof value);
    return value;
}

// floor(x * 32768) held within -32768..32767, NaN as 32767, in the sample's own
// precision (scaling by a power of two is exact). Clamped first, then rounded
// down by truncating and stepping negative fractions down: no library call, so
// the loops over it vectorise.
template <typename Float> std::int16_t ReduceFloat(Float sample) {
    Float scaled = sample * Float(32768);
    scaled = scaled < Float(32767) ? scaled : Float(32767); // NaN compares false
    scaled = scaled > Float(-32768) ? scaled : Float(-32768);
    auto whole = static_cast<std::int32_t>(scaled);
    whole -= static_cast<Float>(whole) > scaled ? 1 : 0;
    return static_cast<std::int16_t>(whole);
}

template <typename Float> std::int16_t ReduceStoredFloat(const std::uint8_t* sample) {
    Float value;
    std::memcpy(&value, sample, sizeof value);
    return ReduceFloat(value);
}

// Wider samples, stored SampleBytes each, reduced into slots by `reduce`. The
// values are gathered a piece at a time in a plain array, a loop the compiler
// vectorises, and then copied into the slots, whose values in a stereo block
// lie in the same order as the file's samples.
template <std::size_t SampleBytes, typename Reduce>
void UnpackWide(const std::uint8_t* in, FrameSlot* frames, std::size_t count,
                std::uint16_t channels, Reduce reduce) {
    constexpr std::size_t kPiece = 512; // even: a piece never splits a stereo frame
    std::int16_t values[kPiece];
    const std::size_t samples = count * channels;
    for (std::size_t done = 0; done < samples; done += kPiece) {
        const std::size_t piece = samples - done < kPiece ? samples - done : kPiece;
        const std::uint8_t* source = in + done * SampleBytes;
        if (piece == kPiece) {
            // A loop of known length: the compiler's cheapest vectorising rule takes it.
            for (std::size_t i = 0; i < kPiece; ++i) {
                values[i] = reduce(source + i * SampleBytes);
            }
        } else {
            for (std::size_t i = 0; i < piece; ++i) {
                values[i] = reduce(source + i * SampleBytes);
            }
        }
        if (channels == 2) {
            std::memcpy(reinterpret_cast<std::uint8_t*>(frames + done / 2), values,
                        piece * sizeof values[0]);
        } else {
            for (std::size_t i = 0; i < piece; ++i) {
                frames[done + i].channel1 = values[i];
            }
        }
    }
}

// One slot value as a stored sample of `type`.
void PackWideSample(SampleType type, std::int16_t value, std::uint8_t* out) {
    switch (type) {
    case SampleType::Signed24:
    case SampleType::Signed32: {
        const std::size_t bytes = type == SampleType::Signed24 ? 3 : 4;
        std::memset(out, 0, bytes - 2);
        std::memcpy(out + bytes - 2, &value, sizeof value);
        break;
    }
    case SampleType::Float32: {
        const float sample = static_cast<float>(value) / 32768.0f;
        std::memcpy(out, &sample, sizeof sample);
        break;
    }
    case SampleType::Float64: {
        const double sample = static_cast<double>(value) / 32768.0;
        std::memcpy(out, &sample, sizeof sample);
        break;
    }
    default:
        break;
    }
}

} // namespace

bool StoredAsSlots(const WaveFormat& format) {
    return format.bitsPerSample == 16 && format.channels == 2;
}

void UnpackFrames(const WaveFormat& format, const std::uint8_t* in, FrameSlot* frames,
                  std::size_t count) {
    const SampleType type = SampleTypeOf(format);
    const std::uint16_t channels = format.channels;
    if (type == SampleType::Signed24) {
        UnpackWide<3>(in, frames, count, channels,
                      [](const std::uint8_t* s) { return TopSixteenBits(s, 3); });
    } else if (type == SampleType::Signed32) {
        UnpackWide<4>(in, frames, count, channels,
                      [](const std::uint8_t* s) { return TopSixteenBits(s, 4); });
    } else if (type == SampleType::Float32) {
        UnpackWide<4>(in, frames, count, channels,
                      [](const std::uint8_t* s) { return ReduceStoredFloat<float>(s); });
    } else if (type == SampleType::Float64) {
        UnpackWide<8>(in, frames, count, channels,
                      [](const std::uint8_t* s) { return ReduceStoredFloat<double>(s); });
    } else if (StoredAsSlots(format)) {
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
    const SampleType type = SampleTypeOf(format);
    if (format.bitsPerSample > 16) {
        const std::size_t sampleBytes = format.bitsPerSample / 8;
        for (std::size_t i = 0; i < count; ++i) {
            PackWideSample(type, frames[i].channel1, out);
            out += sampleBytes;
            if (format.channels == 2) {
                PackWideSample(type, frames[i].channel2, out);
                out += sampleBytes;
            }
        }
    } else if (StoredAsSlots(format)) {
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
