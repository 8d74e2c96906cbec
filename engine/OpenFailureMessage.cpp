#include "OpenFailureMessage.h"

#include "Messages.h"

#include <cstdio>

namespace {

struct NamedEncoding {
    std::uint16_t tag;
    const char* name;
};

// The encodings people meet in WAV files, by their format tags.
constexpr NamedEncoding kEncodingNames[] = {
    {0x0002, "ADPCM"},       {0x0006, "A-law"},        {0x0007, "mu-law"},
    {0x0011, "IMA ADPCM"},   {0x0022, "TrueSpeech"},   {0x0031, "GSM 6.10"},
    {0x0040, "G.721 ADPCM"}, {0x0050, "MPEG audio"},   {0x0055, "MP3"},
    {0x0064, "G.726 ADPCM"}, {0x0065, "G.722 ADPCM"},  {0x0092, "AC-3"},
    {0x00FF, "AAC"},         {0x0160, "WMA"},          {0x0161, "WMA"},
    {0x0162, "WMA Pro"},     {0x0163, "WMA Lossless"}, {0x1600, "AAC"},
    {0x1610, "AAC"},         {0x2000, "AC-3"},         {0x2001, "DTS"},
    {0xF1AC, "FLAC"},
};

} // namespace

std::string EncodingName(std::uint16_t encodingTag, std::uint16_t bitsPerSample) {
    if (encodingTag == 1) {
        return std::to_string(bitsPerSample) + "-bit PCM";
    }
    if (encodingTag == 3) {
        return std::to_string(bitsPerSample) + "-bit floating point";
    }
    if (encodingTag == 0xFFFE) {
        return "an unknown extensible sub-format";
    }
    for (const NamedEncoding& known : kEncodingNames) {
        if (known.tag == encodingTag) {
            return known.name;
        }
    }
    char text[32];
    std::snprintf(text, sizeof text, "format 0x%04X", static_cast<unsigned>(encodingTag));
    return text;
}

std::string OpenFailureReason(WaveOpenFailure failure, std::uint16_t encodingTag,
                              std::uint16_t bitsPerSample) {
    switch (failure) {
    case WaveOpenFailure::NotRegularFile:
        return messages::kReasonNotRegularFile;
    case WaveOpenFailure::NotWave:
        return messages::kReasonNotWave;
    case WaveOpenFailure::UnsupportedEncoding:
        return FormatText(messages::kReasonUnsupportedEncoding,
                          EncodingName(encodingTag, bitsPerSample).c_str());
    case WaveOpenFailure::TooManyChannels:
        return messages::kReasonTooManyChannels;
    case WaveOpenFailure::DamagedHeader:
        return messages::kReasonDamagedHeader;
    case WaveOpenFailure::TooLarge:
        return messages::kReasonTooLarge;
    case WaveOpenFailure::Missing:
        return messages::kReasonMissing;
    case WaveOpenFailure::None:
    case WaveOpenFailure::CannotOpen:
        break;
    }
    return messages::kReasonCannotRead;
}

std::string OpenFailureMessage(const std::string& path, const WaveStream& reader) {
    return FormatText(messages::kOpenFailed, path.c_str()) +
           OpenFailureReason(reader.OpenFailure(), reader.RefusedFormat().encodingTag,
                             reader.RefusedFormat().bitsPerSample);
}

std::string DataSizeNotice(const std::string& path, const WaveStream& reader) {
    if (!reader.SizeDisagrees()) {
        return std::string();
    }
    const std::uint64_t stated = reader.DataChunkSize();
    const std::uint64_t held = reader.AudioBytes();
    const std::uint64_t difference = stated > held ? stated - held : held - stated;
    // Seconds are truncated, as everywhere the program shows a length.
    const std::uint64_t bytesPerSecond =
        static_cast<std::uint64_t>(reader.SampleRate()) * reader.BlockAlign();
    const std::uint64_t seconds = bytesPerSecond != 0 ? difference / bytesPerSecond : 0;
    const std::string duration = std::to_string(seconds / 60) + ":" +
                                 (seconds % 60 < 10 ? "0" : "") + std::to_string(seconds % 60);
    return FormatText(stated > held ? messages::kAudioCutShort : messages::kAudioBeyondHeader,
                      path.c_str(), std::to_string(stated).c_str(), std::to_string(held).c_str(),
                      std::to_string(difference).c_str(), duration.c_str());
}
