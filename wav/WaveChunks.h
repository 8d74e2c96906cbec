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
};

// Walks the chunks of `file` (fileLength bytes), which follow the 12-byte
// header and form type; `sizesInDs64` for RF64 and BW64 files. DamagedHeader
// when a chunk the file needs is missing, short or runs past the end.
WaveOpenFailure FindWaveChunks(std::FILE* file, std::uint64_t fileLength, bool sizesInDs64,
                               WaveChunks& found);
