#include "WaveChunks.h"

#include "ByteOrder.h"
#include "FileAccess.h"
#include "RiffStream.h"

using namespace byte_order;

namespace {

constexpr std::uint64_t kFirstChunkPosition = 12;
// The riff size, data size and sample count of a ds64 chunk; a table may follow.
constexpr std::uint32_t kDs64MinimumBody = 24;

bool ReadAt(std::FILE* file, std::uint64_t position, void* buffer, std::size_t length) {
    // Plain seeks here: flushing would drop the read buffer at every chunk.
    return file_access::SeekAbsolute(file, static_cast<std::int64_t>(position)) == 0 &&
           std::fread(buffer, length, 1, file) == 1;
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
            if (bodySize == 0 || bodySize > bytesLeft ||
                (!sizesInDs64 && size == kLargestRiffSize)) {
                found.dataBytes = bytesLeft;
                break;
            }
            found.dataBytes = bodySize;
        }
        chunkPosition = bodyPosition + bodySize + (bodySize & 1U);
    }
    return haveFmt && haveData ? WaveOpenFailure::None : WaveOpenFailure::DamagedHeader;
}
