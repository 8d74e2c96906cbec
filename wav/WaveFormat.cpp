#include "WaveFormat.h"

#include "ByteOrder.h"

#include <cstring>
#include <limits>

using namespace byte_order;

namespace {

constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
// The sub-format GUID of extensible PCM, as its 16 bytes lie in the file.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Same 32-bit arithmetic as the writer uses for the field.
std::uint32_t ByteRateField(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    return (rate * static_cast<std::uint32_t>(bits) * channels) >> 3;
}

std::uint16_t BlockAlignField(std::uint16_t bits, std::uint16_t channels) {
    return static_cast<std::uint16_t>((bits * channels) / 8);
}

} // namespace

bool IsSupportedFormat(std::uint16_t bits, std::uint16_t channels) {
    return (bits == 8 || bits == 16) && (channels == 1 || channels == 2);
}

std::size_t StoredFrameBytes(const WaveFormat& format) {
    return static_cast<std::size_t>(format.bitsPerSample / 8) * format.channels;
}

bool ParseFmtBody(const std::uint8_t* body, std::uint32_t size, WaveFormat& format) {
    format.formatTag = GetLE16(body);
    format.channels = GetLE16(body + 2);
    format.sampleRate = GetLE32(body + 4);
    format.byteRate = GetLE32(body + 8);
    format.blockAlign = GetLE16(body + 12);
    format.bitsPerSample = GetLE16(body + 14);
    const bool extensiblePcm = format.formatTag == kFormatExtensible &&
                               size >= kExtensibleFmtBodySize &&
                               std::memcmp(body + 24, kPcmSubFormat, 16) == 0;
    return format.formatTag == kFormatPcm || extensiblePcm;
}

bool HasReadableShape(const WaveFormat& format) {
    if (!IsSupportedFormat(format.bitsPerSample, format.channels)) {
        return false;
    }
    // A rate of 0 has no time base, and a byte rate past 32 bits cannot have been
    // stored in the field: either way the header is damaged. Refused here, such a
    // rate would otherwise reach the engine as a zero or wrapped quantity.
    const std::uint64_t exactByteRate =
        static_cast<std::uint64_t>(format.sampleRate) * format.bitsPerSample * format.channels / 8;
    if (format.sampleRate == 0 || exactByteRate > std::numeric_limits<std::uint32_t>::max()) {
        return false;
    }
    return format.byteRate ==
               ByteRateField(format.sampleRate, format.bitsPerSample, format.channels) &&
           format.blockAlign == BlockAlignField(format.bitsPerSample, format.channels);
}

WaveFormat PcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels) {
    WaveFormat format;
    format.formatTag = kFormatPcm;
    format.channels = channels;
    format.sampleRate = sampleRate;
    format.byteRate = ByteRateField(sampleRate, bits, channels);
    format.blockAlign = BlockAlignField(bits, channels);
    format.bitsPerSample = bits;
    return format;
}

void PackFmtBody(const WaveFormat& format, std::uint8_t* body) {
    PutLE16(body, format.formatTag);
    PutLE16(body + 2, format.channels);
    PutLE32(body + 4, format.sampleRate);
    PutLE32(body + 8, format.byteRate);
    PutLE16(body + 12, format.blockAlign);
    PutLE16(body + 14, format.bitsPerSample);
}
