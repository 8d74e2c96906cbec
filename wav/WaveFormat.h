// The "fmt " chunk: its fields, the formats this layer reads and writes, the
// checks a header must pass, and the size of one stored frame.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr std::uint32_t kFmtBodySize = 16;
inline constexpr std::uint32_t kExtensibleFmtBodySize = 40;

// The fields of the "fmt " chunk that describe the samples.
struct WaveFormat {
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 2;
    std::uint32_t sampleRate = 44100;
    std::uint32_t byteRate = 176400;
    std::uint16_t blockAlign = 4;
    std::uint16_t bitsPerSample = 16;
};

// 8- or 16-bit, mono or stereo.
bool IsSupportedFormat(std::uint16_t bits, std::uint16_t channels);

// Bytes of one stored frame, worked out from bits and channels rather than from
// the block align field, which a failed open may have left disagreeing.
std::size_t StoredFrameBytes(const WaveFormat& format);

// Takes the fields from an fmt chunk body of `size` bytes (at least 16; the first
// 40 when there are that many). False when the samples are not integer PCM.
bool ParseFmtBody(const std::uint8_t* body, std::uint32_t size, WaveFormat& format);

// Whether a format read from a file can be read as it says: supported bits and
// channels, a rate, and byte rate and block align fields that agree with them.
bool HasReadableShape(const WaveFormat& format);

// Integer PCM at this rate, bits and channels, with the derived fields as the
// writer stores them.
WaveFormat PcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels);

// The 16-byte body of a plain PCM fmt chunk.
void PackFmtBody(const WaveFormat& format, std::uint8_t* body);
