#include "WaveChunks.h"

#include "ByteOrder.h"
#include "FileAccess.h"
#include "RiffStream.h"

using namespace byte_order;

namespace {

constexpr std::uint64_t kFirstChunkPosition = 12;

bool ReadAt(std::FILE* file, std::uint64_t position, void* buffer, std::size_t length) {
    // Plain seeks here: flushing would drop the read buffer at every chunk.
    return file_access::SeekAbsolute(file, static_cast<std::int64_t>(position)) == 0 &&
           std::fread(buffer, length, 1, file) == 1;
}

} // namespace

// Positions are 64-bit and every step moves forward by at least a chunk header,
// so no size can wrap, loop or lead past the end.
bool FindWaveChunks(std::FILE* file, std::uint64_t fileLength, WaveChunks& found) {
    bool haveFmt = false;
    bool haveData = false;
    std::uint64_t chunkPosition = kFirstChunkPosition;
    while (!(haveFmt && haveData) && chunkPosition + 8 <= fileLength) {
        std::uint8_t header[8];
        if (!ReadAt(file, chunkPosition, header, sizeof header)) {
            return false;
        }
        const FourCC id = GetFourCC(header);
        const std::uint32_t size = GetLE32(header + 4);
        const std::uint64_t bodyPosition = chunkPosition + 8;
        const std::uint64_t bytesLeft = fileLength - bodyPosition;

        if (id == MakeFourCC("fmt ") && !haveFmt) {
            if (size < kFmtBodySize || size > bytesLeft) {
                return false;
            }
            std::uint8_t body[kExtensibleFmtBodySize];
            const std::size_t bodyWanted =
                size >= kExtensibleFmtBodySize ? kExtensibleFmtBodySize : kFmtBodySize;
            if (std::fread(body, bodyWanted, 1, file) != 1) {
                return false;
            }
            found.fmtChunkSize = size;
            if (!ParseFmtBody(body, size, found.format)) {
                return false;
            }
            haveFmt = true;
        } else if (id == MakeFourCC("data") && !haveData) {
            found.dataChunkSize = size;
            found.dataChunkPosition = static_cast<std::int64_t>(chunkPosition);
            haveData = true;
            if (size == 0 || size > bytesLeft) {
                // A recorder stopped before patching its header: the samples
                // run to the end of the file, and nothing follows them.
                found.dataBytes = bytesLeft;
                break;
            }
            found.dataBytes = size;
        }
        chunkPosition = bodyPosition + size + (size & 1U);
    }
    return haveFmt && haveData;
}
