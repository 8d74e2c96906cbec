// The walk over a WAVE file's chunks that finds its "fmt " and "data" chunks,
// wherever they lie and whatever other chunks surround them, and for RF64 and
// BW64 files the "ds64" chunk that holds their 64-bit sizes.
#pragma once

#include "WaveFormat.h"
#include "WaveOpenFailure.h"

#include <cstdint>
#include <cstdio>

struct WaveChunks {
    WaveFormat format;
    std::uint32_t fmtChunkSize = 0;
    std::int64_t dataChunkPosition = 0; // file offset of the data chunk's 8-byte header
    std::uint64_t dataChunkSize = 0;    // as the header (or the ds64 chunk) says
    std::uint64_t dataBytes = 0;        // sample bytes actually there
    // The file holds more or less audio than a size the header gave as a count
    // (not one of the placeholders 0 and 0xFFFFFFFF): dataBytes is what it holds.
    bool sizeDisagrees = false;
};

// The size SoX leaves in the data chunk of a recording it has not finished.
inline constexpr std::uint32_t kUnfinishedRecordingSize = 0x7FFFF000;

// Walks the chunks of `file` (fileLength bytes), which follow the 12-byte
// header and form type; `sizesInDs64` for RF64 and BW64 files. DamagedHeader
// when a chunk the file needs is missing, short or runs past the end.
//
// A data size is not taken on trust: one that claims more than the file holds
// reads to the end of the file, and bytes after the audio that no chunk accounts
// for are audio too, up to the first run of chunks that ends the file.
WaveOpenFailure FindWaveChunks(std::FILE* file, std::uint64_t fileLength, bool sizesInDs64,
                               WaveChunks& found);
