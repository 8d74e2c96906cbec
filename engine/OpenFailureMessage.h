// The message shown when the recording cannot be opened: the first line names
// the file, the rest says why, in the user's terms.
#pragma once

#include "WaveStream.h"

#include <cstdint>
#include <string>

// "Failed to open <path> for reading," and, on the next line, the reason the
// reader gave after a failed OpenForRead.
std::string OpenFailureMessage(const std::string& path, const WaveStream& reader);

// The reason on its own, for a failure and (with UnsupportedEncoding) the
// encoding's tag and bits per sample.
std::string OpenFailureReason(WaveOpenFailure failure, std::uint16_t encodingTag,
                              std::uint16_t bitsPerSample);

// The name of a sample encoding a WAV file can declare: "A-law", "24-bit PCM", ...
std::string EncodingName(std::uint16_t encodingTag, std::uint16_t bitsPerSample);

// For a recording that opened although its header and length disagree
// (WaveStream::SizeDisagrees): how much, and what is split. Empty when they agree.
std::string DataSizeNotice(const std::string& path, const WaveStream& reader);
