// The walk over a WAVE file's chunks that finds its "fmt " and "data" chunks,
// wherever they lie and whatever other chunks surround them.
#pragma once

#include "WaveFormat.h"

#include <cstdint>
#include <cstdio>

struct WaveChunks {
    WaveFormat format;
    std::uint32_t fmtChunkSize = 0;
    std::int64_t dataChunkPosition = 0; // file offset of the data chunk's 8-byte header
    std::uint32_t dataChunkSize = 0;    // as its header says
    std::uint64_t dataBytes = 0;        // sample bytes actually there
};

// Walks the chunks of `file` (fileLength bytes), which follow the 12-byte
// "RIFF" header and form type. False when the file lacks either chunk, a chunk
// runs past the end, or the fmt chunk is short or not integer PCM.
bool FindWaveChunks(std::FILE* file, std::uint64_t fileLength, WaveChunks& found);
