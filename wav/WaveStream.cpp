#include "WaveStream.h"

#include "ByteOrder.h"
#include "FramePacking.h"
#include "WaveChunks.h"

#include <limits>
#include <new>

using namespace byte_order;

namespace {

constexpr std::uint32_t kMaxChunkSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kDataHeaderBytes = 8;

} // namespace

WaveStream::WaveStream()
    : fmtChunkId(MakeFourCC("fmt ")), fmtChunkSize(kFmtBodySize), dataChunkId(MakeFourCC("data")),
      dataChunkSize(0), dataChunkPosition(0), frameCount(0), dataEndOffset(0), readScratchSize(0) {}

WaveStream::~WaveStream() = default;

int WaveStream::OpenForRead(const char* path) {
    if (path == nullptr) {
        return WAVE_BAD_CALL;
    }
    frameCount = 0;
    dataEndOffset = 0;
    int code = Open(path, RIFF_READING);
    if (code != WAVE_OK) {
        return code;
    }
    // A big-endian "RIFX" file would be misread, so only "RIFF" is taken.
    if (riffChunkId != MakeFourCC("RIFF") || Expect("WAVE", 4) != WAVE_OK) {
        return WAVE_FILE_ERROR;
    }
    const std::int64_t fileLength = FileLength();
    if (fileLength < 0) {
        return WAVE_FILE_ERROR;
    }
    WaveChunks chunks;
    if (!FindWaveChunks(stream, static_cast<std::uint64_t>(fileLength), chunks)) {
        return WAVE_FILE_ERROR;
    }
    format = chunks.format;
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = chunks.fmtChunkSize;
    dataChunkId = MakeFourCC("data");
    dataChunkSize = chunks.dataChunkSize;
    dataChunkPosition = chunks.dataChunkPosition;
    if (!HasReadableShape(format)) {
        return WAVE_FILE_ERROR;
    }
    // A data chunk that runs to the end of a file beyond 4 GiB has no 32-bit size.
    if (chunks.dataBytes > kMaxChunkSize) {
        return WAVE_FILE_ERROR;
    }
    const std::size_t frameBytes = StoredFrameBytes(format);
    frameCount = static_cast<std::uint32_t>(chunks.dataBytes / frameBytes);
    const std::int64_t dataStart = dataChunkPosition + kDataHeaderBytes;
    dataEndOffset =
        dataStart + static_cast<std::int64_t>(frameCount) * static_cast<std::int64_t>(frameBytes);
    return Seek(dataStart);
}

int WaveStream::OpenForWrite(const char* path, std::uint32_t rate, std::uint16_t bits,
                             std::uint16_t channelCount) {
    if (path == nullptr || !IsSupportedFormat(bits, channelCount)) {
        return WAVE_BAD_CALL;
    }
    // The writer lays down only the canonical 16-byte PCM fmt chunk, even when
    // this object last read a file with a longer or extensible one.
    format = PcmFormat(rate, bits, channelCount);
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = kFmtBodySize;
    dataChunkId = MakeFourCC("data");

    int code = Open(path, RIFF_WRITING);
    if (code != WAVE_OK) {
        return code;
    }
    code = RiffStream::Write("WAVE", 4);
    if (code != WAVE_OK) {
        return code;
    }
    std::uint8_t fmt[8 + kFmtBodySize];
    PutFourCC(fmt, fmtChunkId);
    PutLE32(fmt + 4, fmtChunkSize);
    PackFmtBody(format, fmt + 8);
    code = RiffStream::Write(fmt, sizeof fmt);
    if (code != WAVE_OK) {
        return code;
    }
    dataChunkPosition = Tell();
    std::uint8_t dataHeader[kDataHeaderBytes];
    PutFourCC(dataHeader, dataChunkId);
    PutLE32(dataHeader + 4, dataChunkSize);
    return RiffStream::Write(dataHeader, sizeof dataHeader);
}

std::uint8_t* WaveStream::ReadScratch(std::size_t bytes) {
    if (readScratchSize < bytes) {
        readScratch.reset(new (std::nothrow) std::uint8_t[bytes]);
        readScratchSize = readScratch ? bytes : 0;
    }
    return readScratch.get();
}

// Reading needs a file opened for reading; on any other object it is a bad call.
int WaveStream::ReadFrames(std::int32_t count, FrameSlot* frames) {
    if (mode != RIFF_READING || stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (!IsSupportedFormat(format.bitsPerSample, format.channels)) {
        return WAVE_BAD_CALL;
    }
    if (count <= 0) {
        // 16-bit stereo has always treated an empty block as a failed read.
        return StoredAsSlots(format) ? WAVE_FILE_ERROR : WAVE_OK;
    }
    if (frames == nullptr) {
        return WAVE_BAD_CALL;
    }
    // Frames stored as slots are read straight into them.
    std::uint8_t* target =
        StoredAsSlots(format)
            ? reinterpret_cast<std::uint8_t*>(frames)
            : ReadScratch(static_cast<std::size_t>(count) * StoredFrameBytes(format));
    if (target == nullptr) {
        return WAVE_FILE_ERROR;
    }
    const std::int64_t read = ReadStoredFrames(static_cast<std::uint64_t>(count), target);
    if (read < 0) {
        return WAVE_FILE_ERROR;
    }
    const auto framesRead = static_cast<std::size_t>(read);
    if (!StoredAsSlots(format)) {
        UnpackFrames(format, target, frames, framesRead);
    }
    return framesRead == static_cast<std::size_t>(count) ? WAVE_OK : WAVE_FILE_ERROR;
}

std::int64_t WaveStream::ReadStoredFrames(std::uint64_t count, std::uint8_t* target) {
    const std::size_t frameBytes = StoredFrameBytes(format);
    const std::int64_t position = Tell();
    if (position < 0) {
        return -1;
    }
    const std::uint64_t framesLeft =
        position < dataEndOffset ? static_cast<std::uint64_t>(dataEndOffset - position) / frameBytes
                                 : 0;
    const std::uint64_t wanted = framesLeft < count ? framesLeft : count;
    if (wanted == 0) {
        return 0;
    }
    const std::size_t bytes = static_cast<std::size_t>(wanted) * frameBytes;
    return static_cast<std::int64_t>(std::fread(target, 1, bytes, stream) / frameBytes);
}

int WaveStream::ReadFrameBytes(std::uint32_t count, std::uint8_t* bytes) {
    if (mode != RIFF_READING || stream == nullptr ||
        !IsSupportedFormat(format.bitsPerSample, format.channels)) {
        return WAVE_BAD_CALL;
    }
    if (count == 0) {
        return WAVE_OK;
    }
    if (bytes == nullptr) {
        return WAVE_BAD_CALL;
    }
    return ReadStoredFrames(count, bytes) == static_cast<std::int64_t>(count) ? WAVE_OK
                                                                              : WAVE_FILE_ERROR;
}

int WaveStream::SeekToFrame(std::uint32_t index) {
    if (mode != RIFF_READING || stream == nullptr || index >= frameCount) {
        return WAVE_BAD_CALL;
    }
    const auto frameBytes = static_cast<std::int64_t>(StoredFrameBytes(format));
    return Seek(dataChunkPosition + kDataHeaderBytes + frameBytes * index);
}

bool WaveStream::SizesFit(std::uint64_t added) const {
    return added <= kMaxChunkSize - dataChunkSize && added <= kMaxChunkSize - riffChunkSize;
}

int WaveStream::WriteFrame(const FrameSlot& frame) {
    if (!IsSupportedFormat(format.bitsPerSample, format.channels)) {
        return WAVE_BAD_CALL;
    }
    if (!SizesFit(StoredFrameBytes(format))) {
        return WAVE_FILE_ERROR;
    }
    const auto first = static_cast<std::uint16_t>(frame.channel1);
    const auto second = static_cast<std::uint16_t>(frame.channel2);
    std::uint8_t bytes[2];
    int code = WAVE_OK;
    if (format.channels == 1) {
        // Mono counts its bytes before the write, whether or not it succeeds.
        if (format.bitsPerSample == 8) {
            dataChunkSize += 1;
            bytes[0] = static_cast<std::uint8_t>(first);
            return RiffStream::Write(bytes, 1);
        }
        dataChunkSize += 2;
        PutLE16(bytes, first);
        return RiffStream::Write(bytes, 2);
    }
    // Stereo counts its bytes only once both samples are written.
    if (format.bitsPerSample == 8) {
        bytes[0] = static_cast<std::uint8_t>(first);
        code = RiffStream::Write(bytes, 1);
        if (code != WAVE_OK) {
            return code;
        }
        bytes[0] = static_cast<std::uint8_t>(second);
        code = RiffStream::Write(bytes, 1);
        if (code != WAVE_OK) {
            return code;
        }
        dataChunkSize += 2;
        return WAVE_OK;
    }
    PutLE16(bytes, first);
    code = RiffStream::Write(bytes, 2);
    if (code != WAVE_OK) {
        return code;
    }
    PutLE16(bytes, second);
    code = RiffStream::Write(bytes, 2);
    if (code != WAVE_OK) {
        return code;
    }
    dataChunkSize += 4;
    return WAVE_OK;
}

// A negative length is refused outright: as a byte count it would read far
// beyond the caller's buffer.
int WaveStream::WriteRawSamples8(const std::uint8_t* bytes, std::int32_t length) {
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return WAVE_BAD_CALL;
    }
    const auto size = static_cast<std::uint64_t>(length);
    if (!SizesFit(size)) {
        return WAVE_FILE_ERROR;
    }
    dataChunkSize += static_cast<std::uint32_t>(size);
    return RiffStream::Write(bytes, static_cast<std::size_t>(size));
}

int WaveStream::WriteRawSamples16(const std::int16_t* samples, std::int32_t count) {
    if (count < 0 || (samples == nullptr && count > 0)) {
        return WAVE_BAD_CALL;
    }
    const std::uint64_t size = 2 * static_cast<std::uint64_t>(count);
    if (!SizesFit(size)) {
        return WAVE_FILE_ERROR;
    }
    dataChunkSize += static_cast<std::uint32_t>(size);
    return RiffStream::Write(samples, static_cast<std::size_t>(size));
}

int WaveStream::WriteFrames(const FrameSlot* frames, std::uint32_t count, std::uint8_t* scratch) {
    if (!IsSupportedFormat(format.bitsPerSample, format.channels) || mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (count == 0) {
        return WAVE_OK;
    }
    if (frames == nullptr || scratch == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (StoredAsSlots(format)) {
        // The slots already hold the file's bytes.
        return WriteFrameBytes(reinterpret_cast<const std::uint8_t*>(frames), count);
    }
    PackFrames(format, frames, scratch, count);
    return WriteFrameBytes(scratch, count);
}

int WaveStream::WriteFrameBytes(const std::uint8_t* bytes, std::uint32_t count) {
    if (!IsSupportedFormat(format.bitsPerSample, format.channels) || mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (count == 0) {
        return WAVE_OK;
    }
    if (bytes == nullptr) {
        return WAVE_BAD_CALL;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(count) * StoredFrameBytes(format);
    if (!SizesFit(size)) {
        return WAVE_FILE_ERROR;
    }
    const int code = RiffStream::Write(bytes, static_cast<std::size_t>(size));
    if (code != WAVE_OK) {
        return code;
    }
    dataChunkSize += static_cast<std::uint32_t>(size);
    return WAVE_OK;
}

// A failed rewrite of the data chunk header leaves the file open for writing,
// as callers may retry; destruction still closes it.
int WaveStream::Close() {
    if (mode == RIFF_WRITING) {
        std::uint8_t dataHeader[kDataHeaderBytes];
        PutFourCC(dataHeader, dataChunkId);
        PutLE32(dataHeader + 4, dataChunkSize);
        int code = WriteAt(dataChunkPosition, dataHeader, sizeof dataHeader);
        if (code != WAVE_OK) {
            return code;
        }
    }
    return RiffStream::Close();
}
