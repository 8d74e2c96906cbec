#include "WaveStream.h"

#include "ByteOrder.h"
#include "FramePacking.h"
#include "WaveChunks.h"

#include <limits>
#include <new>

using namespace byte_order;

namespace {

constexpr std::int64_t kDataHeaderBytes = 8;
constexpr std::uint32_t kDs64BodySize = 28; // riff size, data size, sample count, empty table
constexpr std::uint32_t kFactBodySize = 4;

bool IsRf64Id(FourCC id) {
    return id == MakeFourCC("RF64") || id == MakeFourCC("BW64");
}

} // namespace

WaveStream::WaveStream()
    : fmtChunkId(MakeFourCC("fmt ")), fmtChunkSize(kFmtBodySize), dataChunkId(MakeFourCC("data")),
      dataChunkSize(0), dataChunkPosition(0), frameCount(0), audioBytes(0), sizeDisagrees(false),
      dataEndOffset(0), ds64Position(-1), factPosition(-1), readScratchSize(0) {}

WaveStream::~WaveStream() {
    if (mode == RIFF_WRITING) {
        (void)Close(); // if patching fails, the RIFF level still closes the file
    }
}

void WaveStream::Reset() {
    (void)RiffStream::Close();
    riffChunkId = MakeFourCC("RIFF");
    riffChunkSize = 0;
    riffSizeLimit = kRiffSizeLimit;
    format = WaveFormat();
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = kFmtBodySize;
    dataChunkId = MakeFourCC("data");
    dataChunkSize = 0;
    dataChunkPosition = 0;
    frameCount = 0;
    audioBytes = 0;
    sizeDisagrees = false;
    dataEndOffset = 0;
    ds64Position = -1;
    factPosition = -1;
}

int WaveStream::OpenForRead(const char* path) {
    if (path == nullptr) {
        openFailure = WaveOpenFailure::CannotOpen;
        return WAVE_BAD_CALL;
    }
    frameCount = 0;
    audioBytes = 0;
    sizeDisagrees = false;
    dataEndOffset = 0;
    int code = Open(path, RIFF_READING);
    if (code != WAVE_OK) {
        const WaveOpenFailure why = openFailure;
        Reset();
        openFailure = why;
        return code;
    }
    const WaveOpenFailure why = ReadHeaders();
    if (why != WaveOpenFailure::None) {
        refusedFormat = format;
        Reset();
        openFailure = why;
        return WAVE_FILE_ERROR;
    }
    return WAVE_OK;
}

WaveOpenFailure WaveStream::ReadHeaders() {
    // A big-endian "RIFX" file would be misread, so only little-endian forms are taken.
    const bool sizesInDs64 = IsRf64Id(riffChunkId);
    if ((riffChunkId != MakeFourCC("RIFF") && !sizesInDs64) || Expect("WAVE", 4) != WAVE_OK) {
        return WaveOpenFailure::NotWave;
    }
    const std::int64_t fileLength = FileLength();
    if (fileLength < 0) {
        return WaveOpenFailure::CannotOpen;
    }
    WaveChunks chunks;
    const WaveOpenFailure walk =
        FindWaveChunks(stream, static_cast<std::uint64_t>(fileLength), sizesInDs64, chunks);
    const WaveOpenFailure shape = chunks.fmtChunkSize != 0
                                      ? CheckReadable(chunks.format, chunks.fmtChunkSize)
                                      : WaveOpenFailure::None;
    format = chunks.format;
    // What the samples are tells the user more than where the header breaks.
    if (shape == WaveOpenFailure::UnsupportedEncoding ||
        shape == WaveOpenFailure::TooManyChannels) {
        return shape;
    }
    if (walk != WaveOpenFailure::None) {
        return walk;
    }
    if (shape != WaveOpenFailure::None) {
        return shape;
    }
    const std::size_t frameBytes = StoredFrameBytes(format);
    const std::uint64_t frames = chunks.dataBytes / frameBytes;
    if (frames > std::numeric_limits<std::uint32_t>::max()) {
        return WaveOpenFailure::TooLarge;
    }
    fmtChunkSize = chunks.fmtChunkSize;
    dataChunkSize = chunks.dataChunkSize;
    dataChunkPosition = chunks.dataChunkPosition;
    frameCount = static_cast<std::uint32_t>(frames);
    audioBytes = chunks.dataBytes;
    // Bytes short of a frame either way are no disagreement: they are never read.
    sizeDisagrees = chunks.sizeDisagrees && chunks.dataChunkSize / frameBytes != frames;
    const std::int64_t dataStart = dataChunkPosition + kDataHeaderBytes;
    dataEndOffset = dataStart + static_cast<std::int64_t>(frames * frameBytes);
    return Seek(dataStart) == WAVE_OK ? WaveOpenFailure::None : WaveOpenFailure::CannotOpen;
}

int WaveStream::OpenForWrite(const char* path, std::uint32_t rate, std::uint16_t bits,
                             std::uint16_t channelCount, bool newFileOnly) {
    return OpenForWrite(path, PcmFormat(rate, bits, channelCount), 0, newFileOnly);
}

int WaveStream::WriteChunk(const char* id, const std::uint8_t* body, std::uint32_t size) {
    std::uint8_t header[8];
    PutFourCC(header, MakeFourCC(id));
    PutLE32(header + 4, size);
    const int code = RiffStream::Write(header, sizeof header);
    return code != WAVE_OK ? code : RiffStream::Write(body, size);
}

int WaveStream::OpenForWrite(const char* path, const WaveFormat& source,
                             std::uint64_t plannedFrames, bool newFileOnly,
                             std::span<const std::uint8_t> chunksBeforeData) {
    if (path == nullptr) {
        return WAVE_BAD_CALL;
    }
    return BeginWriting(path, nullptr, source, plannedFrames, newFileOnly, chunksBeforeData);
}

int WaveStream::OpenForWrite(std::FILE* file, const WaveFormat& source, std::uint64_t plannedFrames,
                             std::span<const std::uint8_t> chunksBeforeData) {
    if (file == nullptr) {
        return WAVE_BAD_CALL;
    }
    return BeginWriting(nullptr, file, source, plannedFrames, false, chunksBeforeData);
}

int WaveStream::BeginWriting(const char* path, std::FILE* file, const WaveFormat& source,
                             std::uint64_t plannedFrames, bool newFileOnly,
                             std::span<const std::uint8_t> chunksBeforeData) {
    if (!IsWritable(source)) {
        if (file != nullptr) {
            std::fclose(file);
        }
        return WAVE_BAD_CALL;
    }
    // The writer lays down its own fmt chunk, even when this object last read a
    // file with a longer or extensible one.
    format = FormatToWrite(source);
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = FmtBodySizeToWrite(format);
    dataChunkId = MakeFourCC("data");
    riffChunkId = MakeFourCC("RIFF");
    riffSizeLimit = kRiffSizeLimit;
    ds64Position = -1;
    factPosition = -1;
    const bool withFact = NeedsFactChunk(format);
    const std::uint64_t headerBytes = 4 + 8 + kDs64BodySize + 8 + fmtChunkSize +
                                      (withFact ? 8 + kFactBodySize : 0) + chunksBeforeData.size() +
                                      kDataHeaderBytes;
    const bool reserveDs64 =
        plannedFrames > (kRiffSizeLimit - headerBytes) / StoredFrameBytes(format);

    int code = path != nullptr ? Open(path, RIFF_WRITING, newFileOnly) : OpenForWriting(file);
    if (code != WAVE_OK) {
        return code;
    }
    code = RiffStream::Write("WAVE", 4);
    if (code != WAVE_OK) {
        return code;
    }
    if (reserveDs64) {
        // Written as a ds64 chunk; Close turns it into JUNK if RIFF sizes suffice.
        const std::uint8_t empty[kDs64BodySize] = {};
        ds64Position = Tell();
        riffSizeLimit = std::numeric_limits<std::uint64_t>::max();
        code = WriteChunk("ds64", empty, kDs64BodySize);
        if (code != WAVE_OK) {
            return code;
        }
    }
    std::uint8_t fmtBody[kExtensibleFmtBodySize];
    PackFmtBody(format, fmtBody);
    code = WriteChunk("fmt ", fmtBody, fmtChunkSize);
    if (code != WAVE_OK) {
        return code;
    }
    if (withFact) {
        const std::uint8_t noFrames[kFactBodySize] = {};
        factPosition = Tell();
        code = WriteChunk("fact", noFrames, kFactBodySize);
        if (code != WAVE_OK) {
            return code;
        }
    }
    if (!chunksBeforeData.empty()) {
        code = RiffStream::Write(chunksBeforeData.data(), chunksBeforeData.size());
        if (code != WAVE_OK) {
            return code;
        }
    }
    dataChunkPosition = Tell();
    std::uint8_t dataHeader[kDataHeaderBytes];
    PutFourCC(dataHeader, dataChunkId);
    PutLE32(dataHeader + 4, RiffSizeField(dataChunkSize));
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
    if (!IsWritable(format)) {
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
    if (mode != RIFF_READING || stream == nullptr || !IsWritable(format)) {
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
    return dataChunkSize <= riffSizeLimit && added <= riffSizeLimit - dataChunkSize &&
           riffChunkSize <= riffSizeLimit && added <= riffSizeLimit - riffChunkSize;
}

int WaveStream::WriteFrame(const FrameSlot& frame) {
    if (!IsWritable(format)) {
        return WAVE_BAD_CALL;
    }
    if (!SizesFit(StoredFrameBytes(format))) {
        return WAVE_FILE_ERROR;
    }
    if (format.bitsPerSample > 16) {
        std::uint8_t packed[16]; // two 64-bit samples at most
        PackFrames(format, &frame, packed, 1);
        return WriteFrameBytes(packed, 1);
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
    dataChunkSize += size;
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
    dataChunkSize += size;
    return RiffStream::Write(samples, static_cast<std::size_t>(size));
}

int WaveStream::WriteFrames(const FrameSlot* frames, std::uint32_t count, std::uint8_t* scratch) {
    if (!IsWritable(format) || mode != RIFF_WRITING) {
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
    if (!IsWritable(format) || mode != RIFF_WRITING) {
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
    dataChunkSize += size;
    return WAVE_OK;
}

int WaveStream::PatchHeaders() {
    const bool sizesInDs64 = riffChunkSize > kRiffSizeLimit || dataChunkSize > kRiffSizeLimit;
    const std::uint64_t framesWritten = dataChunkSize / StoredFrameBytes(format);
    if (ds64Position >= 0) {
        std::uint8_t ds64[8 + kDs64BodySize] = {};
        PutFourCC(ds64, MakeFourCC(sizesInDs64 ? "ds64" : "JUNK"));
        PutLE32(ds64 + 4, kDs64BodySize);
        if (sizesInDs64) {
            PutLE64(ds64 + 8, riffChunkSize);
            PutLE64(ds64 + 16, dataChunkSize);
            PutLE64(ds64 + 24, framesWritten);
            riffChunkId = MakeFourCC("RF64");
        }
        const int code = WriteAt(ds64Position, ds64, sizeof ds64);
        if (code != WAVE_OK) {
            return code;
        }
    }
    if (factPosition >= 0) {
        std::uint8_t fact[8 + kFactBodySize];
        PutFourCC(fact, MakeFourCC("fact"));
        PutLE32(fact + 4, kFactBodySize);
        PutLE32(fact + 8, sizesInDs64 ? kLargestRiffSize : RiffSizeField(framesWritten));
        const int code = WriteAt(factPosition, fact, sizeof fact);
        if (code != WAVE_OK) {
            return code;
        }
    }
    std::uint8_t dataHeader[kDataHeaderBytes];
    PutFourCC(dataHeader, dataChunkId);
    PutLE32(dataHeader + 4, sizesInDs64 ? kLargestRiffSize : RiffSizeField(dataChunkSize));
    return WriteAt(dataChunkPosition, dataHeader, sizeof dataHeader);
}

// A failed rewrite of a chunk header leaves the file open for writing, as
// callers may retry; destruction still closes it.
int WaveStream::Close() {
    if (mode == RIFF_WRITING) {
        const int code = PatchHeaders();
        if (code != WAVE_OK) {
            return code;
        }
    }
    return RiffStream::Close();
}
