#include "WaveChunks.h"

#include "ByteOrder.h"
#include "FileAccess.h"
#include "RiffStream.h"

#include <memory>
#include <new>

using namespace byte_order;

namespace {

constexpr std::uint64_t kFirstChunkPosition = 12;
constexpr std::uint64_t kChunkHeaderBytes = 8;
// How far before the end of the file chunks that follow audio are looked for.
constexpr std::uint64_t kTrailingChunksWindow = 8 * 1024 * 1024;
// The riff size, data size and sample count of a ds64 chunk; a table may follow.
constexpr std::uint32_t kDs64MinimumBody = 24;

bool ReadAt(std::FILE* file, std::uint64_t position, void* buffer, std::size_t length) {
    // Plain seeks here: flushing would drop the read buffer at every chunk.
    return file_access::SeekAbsolute(file, static_cast<std::int64_t>(position)) == 0 &&
           std::fread(buffer, length, 1, file) == 1;
}

// Chunk ids as writers choose them: letters, digits, blanks and '_' ("LIST",
// "id3 ", "_PMX"), never starting with a blank. Audio rarely looks like that.
bool LooksLikeChunkId(const std::uint8_t* id) {
    const auto allowed = [](std::uint8_t c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == ' ' || c == '_';
    };
    return id[0] != ' ' && allowed(id[0]) && allowed(id[1]) && allowed(id[2]) && allowed(id[3]);
}

// A chunk header: an id that looks like one, and a size that fits the file or is
// the placeholder of a chunk never patched.
bool ChunkHeaderAt(std::FILE* file, std::uint64_t position, std::uint64_t fileLength) {
    std::uint8_t header[kChunkHeaderBytes];
    if (position + kChunkHeaderBytes > fileLength ||
        !ReadAt(file, position, header, sizeof header) || !LooksLikeChunkId(header)) {
        return false;
    }
    const std::uint32_t size = GetLE32(header + 4);
    return size == kLargestRiffSize || size <= fileLength - position - kChunkHeaderBytes;
}

// Where audio whose size cannot be trusted ends: at the first position from
// `from` where chunks begin that account for every byte to the end of the file
// (the last one ending there, its pad byte possibly missing), or at the end.
// Trailing chunks are metadata of a few megabytes at most, so only the last
// kTrailingChunksWindow bytes are searched: read once, then settled from the end
// backwards, each position once, so no crafted run of chunks makes it slow.
std::uint64_t AudioEnd(std::FILE* file, std::uint64_t from, std::uint64_t fileLength) {
    const std::uint64_t start =
        fileLength - from > kTrailingChunksWindow ? fileLength - kTrailingChunksWindow : from;
    const auto length = static_cast<std::size_t>(fileLength - start);
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[length]);
    // endsFile[i]: chunks from start + i end the file; endsFile[length] is the end itself.
    std::unique_ptr<bool[]> endsFile(new (std::nothrow) bool[length + 1]);
    if (!bytes || !endsFile || !ReadAt(file, start, bytes.get(), length)) {
        return fileLength; // the audio is taken to run to the end, as the user is told
    }
    endsFile[length] = true;
    for (std::size_t i = length; i-- > 0;) {
        endsFile[i] = false;
        if (length - i < kChunkHeaderBytes || !LooksLikeChunkId(bytes.get() + i)) {
            continue;
        }
        const std::uint32_t size = GetLE32(bytes.get() + i + 4);
        const std::uint64_t end = i + kChunkHeaderBytes + std::uint64_t{size};
        const std::uint64_t next = end + (size & 1U);
        endsFile[i] = end == length || (next <= length && endsFile[next]);
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (endsFile[i]) {
            return start + i;
        }
    }
    return fileLength;
}

// A data chunk whose size fits the file: the audio ends there when a chunk
// follows. Otherwise the size is too small (a recorder's placeholder, a stale
// RF64 size) and the audio runs on to the chunks that end the file.
void MeasureAudio(std::FILE* file, std::uint64_t fileLength, std::uint32_t sizeField,
                  bool sizesInDs64, WaveChunks& found) {
    const std::uint64_t dataStart = static_cast<std::uint64_t>(found.dataChunkPosition) + 8;
    const std::uint64_t statedEnd = dataStart + found.dataBytes;
    if (fileLength - statedEnd < kChunkHeaderBytes) {
        return; // a pad byte, or stray bytes too few for a chunk: left over, not audio
    }
    const std::uint64_t padded = statedEnd + (found.dataBytes & 1U);
    // A placeholder names no real end: only chunks that end the file stop the
    // audio there. Any other size holds when what follows is a chunk.
    const bool placeholder = !sizesInDs64 && sizeField == kUnfinishedRecordingSize;
    if (!placeholder &&
        (ChunkHeaderAt(file, padded, fileLength) || ChunkHeaderAt(file, statedEnd, fileLength))) {
        return;
    }
    const std::uint64_t audioEnd = AudioEnd(file, statedEnd, fileLength);
    if (audioEnd == statedEnd || audioEnd == padded) {
        return;
    }
    found.dataBytes = audioEnd - dataStart;
    found.sizeDisagrees = true;
}

} // namespace

// Positions are 64-bit and every step moves forward by at least a chunk header,
// so no size can wrap, loop or lead past the end.
WaveOpenFailure FindWaveChunks(std::FILE* file, std::uint64_t fileLength, bool sizesInDs64,
                               WaveChunks& found) {
    bool haveFmt = false;
    bool haveData = false;
    bool haveDs64 = false;
    std::uint64_t ds64DataSize = 0;
    bool measureAudio = false;
    std::uint32_t dataSizeField = 0;
    std::uint64_t chunkPosition = kFirstChunkPosition;
    while (!(haveFmt && haveData) && chunkPosition + 8 <= fileLength) {
        std::uint8_t header[8];
        if (!ReadAt(file, chunkPosition, header, sizeof header)) {
            return WaveOpenFailure::CannotOpen;
        }
        const FourCC id = GetFourCC(header);
        const std::uint32_t size = GetLE32(header + 4);
        const std::uint64_t bodyPosition = chunkPosition + 8;
        const std::uint64_t bytesLeft = fileLength - bodyPosition;
        std::uint64_t bodySize = size;

        if (sizesInDs64 && !haveDs64) {
            // The sizes come first: without them no later size can be trusted.
            std::uint8_t body[kDs64MinimumBody];
            if (id != MakeFourCC("ds64") || size < kDs64MinimumBody || size > bytesLeft ||
                std::fread(body, sizeof body, 1, file) != 1) {
                return WaveOpenFailure::DamagedHeader;
            }
            ds64DataSize = GetLE64(body + 8);
            haveDs64 = true;
        } else if (id == MakeFourCC("fmt ") && !haveFmt) {
            if (size < kFmtBodySize || size > bytesLeft) {
                return WaveOpenFailure::DamagedHeader;
            }
            std::uint8_t body[kExtensibleFmtBodySize];
            const std::size_t bodyWanted =
                size >= kExtensibleFmtBodySize ? kExtensibleFmtBodySize : kFmtBodySize;
            if (std::fread(body, bodyWanted, 1, file) != 1) {
                return WaveOpenFailure::CannotOpen;
            }
            found.fmtChunkSize = size;
            ParseFmtBody(body, size, found.format);
            haveFmt = true;
        } else if (id == MakeFourCC("data") && !haveData) {
            if (sizesInDs64 && size == kLargestRiffSize) {
                bodySize = ds64DataSize;
            }
            found.dataChunkSize = bodySize;
            found.dataChunkPosition = static_cast<std::int64_t>(chunkPosition);
            haveData = true;
            // A recorder stopped before patching its header: the samples run to
            // the end of the file, and nothing follows them. A plain RIFF size of
            // 0xFFFFFFFF is such a placeholder too, never a count.
            const bool placeholder = bodySize == 0 || (!sizesInDs64 && size == kLargestRiffSize);
            if (placeholder || bodySize > bytesLeft) {
                found.dataBytes = bytesLeft;
                // A real size that claims more than the file holds: a file cut short.
                found.sizeDisagrees = !placeholder;
                break;
            }
            found.dataBytes = bodySize;
            measureAudio = true;
            dataSizeField = size;
        }
        chunkPosition = bodyPosition + bodySize + (bodySize & 1U);
    }
    if (!(haveFmt && haveData)) {
        return WaveOpenFailure::DamagedHeader;
    }
    if (measureAudio) {
        MeasureAudio(file, fileLength, dataSizeField, sizesInDs64, found);
    }
    return WaveOpenFailure::None;
}
