// The "fmt " chunk: its fields, the formats this layer reads and writes, the
// checks a header must pass, and the size of one stored frame.
#pragma once

#include "WaveOpenFailure.h"

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t kFmtBodySize = 16;
inline constexpr std::uint32_t kExtensibleFmtBodySize = 40;
inline constexpr std::uint16_t kFormatPcm = 1;
inline constexpr std::uint16_t kFormatFloat = 3;
inline constexpr std::uint16_t kFormatExtensible = 0xFFFE;

// The kinds of sample this layer reads and writes.
enum class SampleType { Unsigned8, Signed16, Signed24, Signed32, Float32, Float64, Unsupported };

// The fields of the "fmt " chunk that describe the samples.
struct WaveFormat {
    std::uint16_t formatTag = kFormatPcm;
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::uint32_t byteRate = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
    // The extension of an extensible chunk (formatTag kFormatExtensible).
    std::uint16_t validBits = 0;
    std::uint32_t channelMask = 0;
    // The sample encoding: formatTag, or for an extensible chunk the tag its
    // sub-format stands for (kFormatExtensible when the sub-format is no tag).
    std::uint16_t encodingTag = kFormatPcm;

    bool IsExtensible() const { return formatTag == kFormatExtensible; }
};

SampleType SampleTypeOf(const WaveFormat& format);

// Bytes of one stored frame, worked out from bits and channels rather than from
// the block align field, which a failed open may have left disagreeing.
std::size_t StoredFrameBytes(const WaveFormat& format);

// Bits of the values a frame slot holds for this format: 8 for 8-bit files,
// whose slots keep the unsigned bytes; 16 for all others.
std::uint16_t SlotBits(const WaveFormat& format);

// Takes the fields from an fmt chunk body of `size` bytes (at least 16; the
// first 40 are looked at when there are that many).
void ParseFmtBody(const std::uint8_t* body, std::uint32_t size, WaveFormat& format);

// Why a format read from a file cannot be read as it says, or None: a supported
// sample type, one or two channels, a rate, and byte rate and block align fields
// that agree with them.
WaveOpenFailure CheckReadable(const WaveFormat& format, std::uint32_t fmtChunkSize);

// Integer PCM at this rate, bits and channels, with the derived fields as the
// writer stores them.
WaveFormat PcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels);

// The format a file copied from one of `source` is written in: the same samples,
// rate and channels, with the derived fields recomputed. 8- and 16-bit files get
// the plain PCM chunk they always had; the wider types keep an extensible chunk
// with its channel mask and valid bits.
WaveFormat FormatToWrite(const WaveFormat& source);

// Whether the writer can write this format (a supported type, one or two channels).
bool IsWritable(const WaveFormat& format);

// Floating-point files carry a "fact" chunk with their frame count.
bool NeedsFactChunk(const WaveFormat& format);

// The fmt chunk's body size as the writer lays it down: 16 for PCM, 18 for
// plain floating point (with its empty extension size), 40 for extensible.
std::uint32_t FmtBodySizeToWrite(const WaveFormat& format);

// The body of the fmt chunk, FmtBodySizeToWrite(format) bytes.
void PackFmtBody(const WaveFormat& format, std::uint8_t* body);
