#include "WaveFormat.h"

#include "ByteOrder.h"

#include <cstring>
#include <limits>

using namespace byte_order;

namespace {

// Every sub-format GUID that stands for a format tag is that tag in its first two
// bytes followed by these fourteen, as they lie in the file.
constexpr std::uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::uint32_t kPlainFloatFmtBodySize = 18;
constexpr std::uint16_t kExtensionSize = 22;

// Same 32-bit arithmetic as the writer uses for the field.
std::uint32_t ByteRateField(std::uint32_t rate, std::uint16_t bits, std::uint16_t channels) {
    return (rate * static_cast<std::uint32_t>(bits) * channels) >> 3;
}

std::uint16_t BlockAlignField(std::uint16_t bits, std::uint16_t channels) {
    return static_cast<std::uint16_t>((bits * channels) / 8);
}

} // namespace

SampleType SampleTypeOf(const WaveFormat& format) {
    if (format.encodingTag == kFormatPcm) {
        switch (format.bitsPerSample) {
        case 8:
            return SampleType::Unsigned8;
        case 16:
            return SampleType::Signed16;
        case 24:
            return SampleType::Signed24;
        case 32:
            return SampleType::Signed32;
        default:
            break;
        }
    } else if (format.encodingTag == kFormatFloat) {
        if (format.bitsPerSample == 32) {
            return SampleType::Float32;
        }
        if (format.bitsPerSample == 64) {
            return SampleType::Float64;
        }
    }
    return SampleType::Unsupported;
}

std::size_t StoredFrameBytes(const WaveFormat& format) {
    return static_cast<std::size_t>(format.bitsPerSample / 8) * format.channels;
}

std::uint16_t SlotBits(const WaveFormat& format) {
    return format.bitsPerSample == 8 ? 8 : 16;
}

void ParseFmtBody(const std::uint8_t* body, std::uint32_t size, WaveFormat& format) {
    format.formatTag = GetLE16(body);
    format.channels = GetLE16(body + 2);
    format.sampleRate = GetLE32(body + 4);
    format.byteRate = GetLE32(body + 8);
    format.blockAlign = GetLE16(body + 12);
    format.bitsPerSample = GetLE16(body + 14);
    format.validBits = 0;
    format.channelMask = 0;
    format.encodingTag = format.formatTag;
    if (format.formatTag == kFormatExtensible && size >= kExtensibleFmtBodySize) {
        format.validBits = GetLE16(body + 18);
        format.channelMask = GetLE32(body + 20);
        format.encodingTag = std::memcmp(body + 26, kSubFormatTail, sizeof kSubFormatTail) == 0
                                 ? GetLE16(body + 24)
                                 : kFormatExtensible;
    }
}

WaveOpenFailure CheckReadable(const WaveFormat& format, std::uint32_t fmtChunkSize) {
    if (format.IsExtensible() && fmtChunkSize < kExtensibleFmtBodySize) {
        return WaveOpenFailure::DamagedHeader; // an extensible chunk without its extension
    }
    // The encoding is named before the bit depth is judged: compressed formats
    // (MP3, GSM 6.10) declare 0 bits per sample, which is no damage for them.
    if (format.encodingTag != kFormatPcm && format.encodingTag != kFormatFloat) {
        return WaveOpenFailure::UnsupportedEncoding;
    }
    if (format.channels == 0 || format.bitsPerSample == 0) {
        return WaveOpenFailure::DamagedHeader;
    }
    if (SampleTypeOf(format) == SampleType::Unsupported) {
        return WaveOpenFailure::UnsupportedEncoding;
    }
    if (format.channels > 2) {
        return WaveOpenFailure::TooManyChannels;
    }
    if (format.IsExtensible() && format.validBits > format.bitsPerSample) {
        return WaveOpenFailure::DamagedHeader;
    }
    // A rate of 0 has no time base, and a byte rate past 32 bits cannot have been
    // stored in the field: either way the header is damaged. Refused here, such a
    // rate would otherwise reach the engine as a zero or wrapped quantity.
    const std::uint64_t exactByteRate =
        static_cast<std::uint64_t>(format.sampleRate) * format.bitsPerSample * format.channels / 8;
    if (format.sampleRate == 0 || exactByteRate > std::numeric_limits<std::uint32_t>::max()) {
        return WaveOpenFailure::DamagedHeader;
    }
    if (format.byteRate !=
            ByteRateField(format.sampleRate, format.bitsPerSample, format.channels) ||
        format.blockAlign != BlockAlignField(format.bitsPerSample, format.channels)) {
        return WaveOpenFailure::DamagedHeader;
    }
    return WaveOpenFailure::None;
}

WaveFormat PcmFormat(std::uint32_t sampleRate, std::uint16_t bits, std::uint16_t channels) {
    WaveFormat format;
    format.formatTag = kFormatPcm;
    format.encodingTag = kFormatPcm;
    format.channels = channels;
    format.sampleRate = sampleRate;
    format.byteRate = ByteRateField(sampleRate, bits, channels);
    format.blockAlign = BlockAlignField(bits, channels);
    format.bitsPerSample = bits;
    return format;
}

WaveFormat FormatToWrite(const WaveFormat& source) {
    WaveFormat format = PcmFormat(source.sampleRate, source.bitsPerSample, source.channels);
    const SampleType type = SampleTypeOf(source);
    if (type == SampleType::Unsigned8 || type == SampleType::Signed16) {
        return format;
    }
    format.encodingTag = source.encodingTag;
    format.formatTag = source.IsExtensible() ? kFormatExtensible : source.encodingTag;
    if (source.IsExtensible()) {
        format.validBits = source.validBits;
        format.channelMask = source.channelMask;
    }
    return format;
}

bool IsWritable(const WaveFormat& format) {
    return SampleTypeOf(format) != SampleType::Unsupported &&
           (format.channels == 1 || format.channels == 2) &&
           (!format.IsExtensible() || format.validBits <= format.bitsPerSample);
}

bool NeedsFactChunk(const WaveFormat& format) {
    return format.encodingTag == kFormatFloat;
}

std::uint32_t FmtBodySizeToWrite(const WaveFormat& format) {
    if (format.IsExtensible()) {
        return kExtensibleFmtBodySize;
    }
    return format.formatTag == kFormatPcm ? kFmtBodySize : kPlainFloatFmtBodySize;
}

void PackFmtBody(const WaveFormat& format, std::uint8_t* body) {
    PutLE16(body, format.formatTag);
    PutLE16(body + 2, format.channels);
    PutLE32(body + 4, format.sampleRate);
    PutLE32(body + 8, format.byteRate);
    PutLE16(body + 12, format.blockAlign);
    PutLE16(body + 14, format.bitsPerSample);
    const std::uint32_t size = FmtBodySizeToWrite(format);
    if (size == kPlainFloatFmtBodySize) {
        PutLE16(body + 16, 0);
    } else if (size == kExtensibleFmtBodySize) {
        PutLE16(body + 16, kExtensionSize);
        PutLE16(body + 18, format.validBits);
        PutLE32(body + 20, format.channelMask);
        PutLE16(body + 24, format.encodingTag);
        std::memcpy(body + 26, kSubFormatTail, sizeof kSubFormatTail);
    }
}
