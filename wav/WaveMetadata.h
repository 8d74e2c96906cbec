// What a WAVE file says about itself beside its audio: the broadcast extension
// ("bext": description, originator, time reference, coding history), an iXML
// document, and the LIST/INFO tags. Read from a recording so every file cut from
// it can carry them on, and laid out as chunks for the files written.
#pragma once

#include "RiffStream.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct InfoField {
    FourCC id; // "INAM", "IART", ...
    std::string text;
};

struct WaveMetadata {
    std::vector<std::uint8_t> bext; // the chunk's body; empty when there is none
    std::vector<std::uint8_t> ixml; // the chunk's body; empty when there is none
    std::vector<InfoField> info;    // the LIST/INFO fields in file order
};

// The fixed part of a bext body, up to where its coding history starts, and the
// offset of its 64-bit time reference (samples since midnight, low word first).
inline constexpr std::size_t kBextFixedBytes = 602;
inline constexpr std::size_t kBextTimeReferenceOffset = 338;

// Chunk bodies larger than this are not carried over: metadata, not audio.
inline constexpr std::uint32_t kLargestMetadataChunk = 1u << 20;

// Walks every chunk of the WAVE file at path and keeps what it finds; a chunk
// that is damaged, too short or too large is left out. The data chunk is taken
// to hold audioBytes, as the reader measured them: a header whose size cannot be
// trusted would otherwise send the walk into the audio and take samples for
// tags. False only when the file cannot be read as RIFF WAVE at all (then
// `found` is empty).
bool ReadWaveMetadata(const char* path, std::uint64_t audioBytes, WaveMetadata& found);

// Appends a whole chunk (header, body and the pad byte an odd size needs).
void AppendChunk(std::vector<std::uint8_t>& out, const char* id, const std::uint8_t* body,
                 std::size_t size);

// A "LIST" chunk of form "INFO" holding the fields with text, each text ending in
// NUL and padded to an even size; nothing when no field has text.
void AppendInfoList(std::vector<std::uint8_t>& out, const std::vector<InfoField>& fields);

// A "CSET" chunk saying the texts of the file are UTF-8 (code page 65001).
void AppendUtf8CharacterSet(std::vector<std::uint8_t>& out);

// The bext body of a file whose first sample is `framesLater` frames after the
// recording's: the time reference advanced by that much, `historyLine` added to
// the coding history. `recording` must hold at least kBextFixedBytes.
std::vector<std::uint8_t> AdvancedBext(const std::vector<std::uint8_t>& recording,
                                       std::uint64_t framesLater, const std::string& historyLine);
