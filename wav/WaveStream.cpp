#include "WaveStream.h"

#include <bit>
#include <cstring>
#include <limits>
#include <new>

#ifndef _WIN32
#include <sys/types.h>
static_assert(sizeof(off_t) >= 8, "file offsets must be 64-bit (build with _FILE_OFFSET_BITS=64)");
#endif

namespace {

constexpr std::size_t kStreamBufferSize = 256 * 1024;
constexpr std::uint32_t kMaxChunkSize = std::numeric_limits<std::uint32_t>::max();
constexpr std::uint16_t kFormatPcm = 1;
constexpr std::uint16_t kFormatExtensible = 0xFFFE;
constexpr std::uint32_t kFmtBodySize = 16;
constexpr std::uint32_t kExtensibleFmtBodySize = 40;
// The sub-format GUID of extensible PCM, as its 16 bytes lie in the file.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr bool kLittleEndianHost = std::endian::native == std::endian::little;

// Headers are packed byte by byte so the file is little-endian on any host.
void PutLE16(std::uint8_t* out, std::uint16_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
}

void PutLE32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint16_t GetLE16(const std::uint8_t* in) {
    return static_cast<std::uint16_t>(in[0] | (in[1] << 8));
}

std::uint32_t GetLE32(const std::uint8_t* in) {
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

// A four-character code is its characters in memory order, so it is copied, not packed.
void PutFourCC(std::uint8_t* out, FourCC code) {
    std::memcpy(out, &code, 4);
}

FourCC GetFourCC(const std::uint8_t* in) {
    FourCC code;
    std::memcpy(&code, in, 4);
    return code;
}

int SeekAbsolute(std::FILE* file, std::int64_t offset) {
    if (offset < 0) {
        return -1;
    }
#ifdef _WIN32
    return _fseeki64(file, offset, SEEK_SET);
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET);
#endif
}

std::int64_t TellPosition(std::FILE* file) {
#ifdef _WIN32
    return _ftelli64(file);
#else
    return static_cast<std::int64_t>(ftello(file));
#endif
}

FileOpener fileOpener = nullptr;

std::FILE* OpenFile(const char* path, RegularFileMode mode, RegularFileProblem& problem) {
    if (fileOpener == nullptr) {
        return OpenRegularFile(path, mode, problem);
    }
    const char* modeText = mode == RegularFileMode::Read      ? "rb"
                           : mode == RegularFileMode::Replace ? "wb"
                                                              : "wbx";
    std::FILE* file = fileOpener(path, modeText);
    problem = file != nullptr ? RegularFileProblem::None : RegularFileProblem::CannotOpen;
    return file;
}

bool IsSupportedFormat(std::uint16_t bits, std::uint16_t channels) {
    return (bits == 8 || bits == 16) && (channels == 1 || channels == 2);
}

// On a little-endian host a slot read as one 32-bit word holds channel 1 in its
// low half and channel 2 in its high half. Converting whole words, with no
// per-field stores, lets the compiler vectorise the mono loops below (measured
// faster; 8-bit stereo is faster field by field); they give the same slots and
// bytes as field-by-field conversion.
std::uint32_t LoadSlotWord(const FrameSlot* slot) {
    std::uint32_t word;
    std::memcpy(&word, slot, sizeof word);
    return word;
}

void StoreSlotWord(FrameSlot* slot, std::uint32_t word) {
    std::memcpy(slot, &word, sizeof word);
}

// File bytes of 8-bit or 16-bit mono into slots; each slot's second value stays
// as it was.
void UnpackMonoSlotWords(const std::uint8_t* in, FrameSlot* frames, std::size_t count,
                         std::uint16_t bits) {
    constexpr std::uint32_t kChannel2 = 0xFFFF0000u;
    if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            std::uint16_t sample;
            std::memcpy(&sample, in + 2 * i, sizeof sample);
            StoreSlotWord(frames + i, (LoadSlotWord(frames + i) & kChannel2) | sample);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            StoreSlotWord(frames + i, (LoadSlotWord(frames + i) & kChannel2) | in[i]);
        }
    }
}

// Slots into the file bytes of 8-bit or 16-bit mono: the stored 16-bit value, or
// the low-order byte of the value for 8-bit.
void PackMonoSlotWords(const FrameSlot* frames, std::uint8_t* out, std::size_t count,
                       std::uint16_t bits) {
    if (bits == 16) {
        for (std::size_t i = 0; i < count; ++i) {
            const auto sample = static_cast<std::uint16_t>(LoadSlotWord(frames + i));
            std::memcpy(out + 2 * i, &sample, sizeof sample);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint8_t>(LoadSlotWord(frames + i));
        }
    }
}

} // namespace

void SetFileOpenerForTesting(FileOpener opener) {
    fileOpener = opener;
}

FourCC MakeFourCC(const char* text) {
    char chars[4] = {' ', ' ', ' ', ' '};
    for (int i = 0; text != nullptr && i < 4 && text[i] != '\0'; ++i) {
        chars[i] = text[i];
    }
    FourCC code;
    std::memcpy(&code, chars, 4);
    return code;
}

// ---------------------------------------------------------------------------
// RiffStream

RiffStream::RiffStream()
    : riffChunkId(MakeFourCC("RIFF")), riffChunkSize(0), mode(RIFF_CLOSED), stream(nullptr) {}

RiffStream::~RiffStream() {
    if (mode != RIFF_CLOSED) {
        Close();
    }
}

int RiffStream::Open(const char* path, std::int32_t newMode, bool newFileOnly) {
    openProblem = RegularFileProblem::CannotOpen;
    if (mode != RIFF_CLOSED) {
        int code = Close();
        if (code != WAVE_OK) {
            return code;
        }
    }
    if (newMode != RIFF_WRITING && newMode != RIFF_READING) {
        return WAVE_BAD_CALL;
    }
    if (path == nullptr) {
        return WAVE_BAD_CALL;
    }
    const RegularFileMode fileMode = newMode == RIFF_READING ? RegularFileMode::Read
                                     : newFileOnly           ? RegularFileMode::CreateNew
                                                             : RegularFileMode::Replace;
    std::FILE* file = OpenFile(path, fileMode, openProblem);
    if (file == nullptr) {
        return WAVE_FILE_ERROR;
    }
    // The buffer is allocated once per object; without it the default buffer serves.
    if (!streamBuffer) {
        streamBuffer.reset(new (std::nothrow) char[kStreamBufferSize]);
    }
    if (streamBuffer) {
        std::setvbuf(file, streamBuffer.get(), _IOFBF, kStreamBufferSize);
    }

    std::uint8_t header[8];
    if (newMode == RIFF_WRITING) {
        PutFourCC(header, riffChunkId);
        PutLE32(header + 4, riffChunkSize);
        if (std::fwrite(header, sizeof header, 1, file) != 1) {
            std::fclose(file);
            std::remove(path);
            return WAVE_FILE_ERROR;
        }
    } else {
        if (std::fread(header, sizeof header, 1, file) != 1) {
            std::fclose(file);
            return WAVE_FILE_ERROR;
        }
        riffChunkId = GetFourCC(header);
        riffChunkSize = GetLE32(header + 4);
    }
    stream = file;
    mode = newMode;
    return WAVE_OK;
}

int RiffStream::Write(const void* bytes, std::size_t length) {
    if (mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (length == 0 || bytes == nullptr) {
        return WAVE_FILE_ERROR;
    }
    // The RIFF size field is 32-bit: refuse rather than wrap.
    if (length > kMaxChunkSize - riffChunkSize) {
        return WAVE_FILE_ERROR;
    }
    if (std::fwrite(bytes, length, 1, stream) != 1) {
        return WAVE_FILE_ERROR;
    }
    riffChunkSize += static_cast<std::uint32_t>(length);
    return WAVE_OK;
}

int RiffStream::WriteAt(std::int64_t offset, const void* bytes, std::size_t length) {
    if (stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (std::fflush(stream) != 0 || SeekAbsolute(stream, offset) != 0) {
        return WAVE_FILE_ERROR;
    }
    if (mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (length == 0 || bytes == nullptr || std::fwrite(bytes, length, 1, stream) != 1) {
        return WAVE_FILE_ERROR;
    }
    return WAVE_OK;
}

int RiffStream::Read(void* buffer, std::size_t length) {
    if (stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (length == 0 || buffer == nullptr || std::fread(buffer, length, 1, stream) != 1) {
        return WAVE_FILE_ERROR;
    }
    return WAVE_OK;
}

int RiffStream::Expect(const void* bytes, std::size_t length) {
    if (stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    const auto* expected = static_cast<const std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < length; ++i) {
        int got = std::fgetc(stream);
        if (got == EOF || static_cast<std::uint8_t>(got) != expected[i]) {
            return WAVE_FILE_ERROR;
        }
    }
    return WAVE_OK;
}

int RiffStream::Seek(std::int64_t offset) {
    if (stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    std::fflush(stream);
    return SeekAbsolute(stream, offset) == 0 ? WAVE_OK : WAVE_FILE_ERROR;
}

std::int64_t RiffStream::Tell() const {
    return stream != nullptr ? TellPosition(stream) : -1;
}

std::int64_t RiffStream::FileLength() {
    if (stream == nullptr) {
        return -1;
    }
    std::int64_t here = TellPosition(stream);
    if (here < 0 || std::fseek(stream, 0, SEEK_END) != 0) {
        return -1;
    }
    std::int64_t length = TellPosition(stream);
    if (SeekAbsolute(stream, here) != 0) {
        return -1;
    }
    return length;
}

// The handle is released even when the flush, seek or header rewrite fails:
// keeping a half-written file open would help no one, and the object ends
// closed either way. The first failure still makes the result 3.
int RiffStream::Close() {
    if (mode == RIFF_CLOSED) {
        return WAVE_OK;
    }
    int result = WAVE_OK;
    if (mode == RIFF_WRITING) {
        std::uint8_t header[8];
        PutFourCC(header, riffChunkId);
        PutLE32(header + 4, riffChunkSize);
        if (std::fflush(stream) != 0 || SeekAbsolute(stream, 0) != 0 ||
            std::fwrite(header, sizeof header, 1, stream) != 1) {
            result = WAVE_FILE_ERROR;
        }
        if (std::fclose(stream) != 0) {
            result = WAVE_FILE_ERROR;
        }
    } else {
        std::fclose(stream);
    }
    stream = nullptr;
    mode = RIFF_CLOSED;
    return result;
}

// ---------------------------------------------------------------------------
// WaveStream

WaveStream::WaveStream()
    : fmtChunkId(MakeFourCC("fmt ")), fmtChunkSize(kFmtBodySize), formatTag(kFormatPcm),
      channels(2), sampleRate(44100), byteRate(176400), blockAlign(4), bitsPerSample(16),
      dataChunkId(MakeFourCC("data")), dataChunkSize(0), dataChunkPosition(0), frameCount(0),
      readScratchSize(0), dataEndOffset(0) {}

WaveStream::~WaveStream() {
    if (mode == RIFF_WRITING) {
        // Both sizes patched, so a file abandoned this way still describes itself.
        Close();
    }
}

void WaveStream::ResetToConstruction() {
    RiffStream::Close();
    riffChunkId = MakeFourCC("RIFF");
    riffChunkSize = 0;
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = kFmtBodySize;
    formatTag = kFormatPcm;
    channels = 2;
    sampleRate = 44100;
    byteRate = 176400;
    blockAlign = 4;
    bitsPerSample = 16;
    dataChunkId = MakeFourCC("data");
    dataChunkSize = 0;
    dataChunkPosition = 0;
    frameCount = 0;
    dataEndOffset = 0;
}

int WaveStream::OpenForRead(const char* path) {
    if (path == nullptr) {
        return WAVE_BAD_CALL;
    }
    openFailure = Failure::None;
    const int code = ReadHeader(path);
    if (code != WAVE_OK) {
        // Nothing of a refused file stays behind: not its handle, not its fields.
        const Failure reason = openFailure == Failure::None ? Failure::DamagedHeader : openFailure;
        ResetToConstruction();
        openFailure = reason;
    }
    return code;
}

int WaveStream::ReadHeader(const char* path) {
    frameCount = 0;
    dataEndOffset = 0;
    int code = Open(path, RIFF_READING);
    if (code != WAVE_OK) {
        openFailure = OpenProblem() == RegularFileProblem::NotRegularFile ? Failure::NotRegularFile
                      : OpenProblem() == RegularFileProblem::CannotOpen   ? Failure::CannotOpen
                                                                          : Failure::NotWave;
        return code;
    }
    // A big-endian "RIFX" file would be misread, so only "RIFF" is taken. A 64-bit
    // "RF64" file is a format of its own.
    if (riffChunkId != MakeFourCC("RIFF") || Expect("WAVE", 4) != WAVE_OK) {
        openFailure = riffChunkId == MakeFourCC("RF64") ? Failure::Unsupported : Failure::NotWave;
        return WAVE_FILE_ERROR;
    }
    const std::int64_t fileLength = FileLength();
    if (fileLength < 0) {
        openFailure = Failure::CannotOpen;
        return WAVE_FILE_ERROR;
    }

    // Walk the chunks. Positions are 64-bit and every step moves forward by at
    // least a chunk header, so no size can wrap, loop or lead past the end.
    const auto fileEnd = static_cast<std::uint64_t>(fileLength);
    bool haveFmt = false;
    bool haveData = false;
    std::uint64_t dataBytes = 0;
    std::uint64_t chunkPosition = 12;
    while (!(haveFmt && haveData) && chunkPosition + 8 <= fileEnd) {
        // Plain seeks here: flushing would drop the read buffer at every chunk.
        std::uint8_t header[8];
        if (SeekAbsolute(stream, static_cast<std::int64_t>(chunkPosition)) != 0 ||
            Read(header, sizeof header) != WAVE_OK) {
            return WAVE_FILE_ERROR;
        }
        const FourCC id = GetFourCC(header);
        const std::uint32_t size = GetLE32(header + 4);
        const std::uint64_t bodyPosition = chunkPosition + 8;
        const std::uint64_t bytesLeft = fileEnd - bodyPosition;

        if (id == MakeFourCC("fmt ") && !haveFmt) {
            if (size < kFmtBodySize || size > bytesLeft) {
                return WAVE_FILE_ERROR;
            }
            std::uint8_t body[kExtensibleFmtBodySize];
            const std::size_t bodyWanted =
                size >= kExtensibleFmtBodySize ? kExtensibleFmtBodySize : kFmtBodySize;
            if (Read(body, bodyWanted) != WAVE_OK) {
                return WAVE_FILE_ERROR;
            }
            fmtChunkId = id;
            fmtChunkSize = size;
            formatTag = GetLE16(body);
            channels = GetLE16(body + 2);
            sampleRate = GetLE32(body + 4);
            byteRate = GetLE32(body + 8);
            blockAlign = GetLE16(body + 12);
            bitsPerSample = GetLE16(body + 14);
            const bool extensiblePcm = formatTag == kFormatExtensible &&
                                       size >= kExtensibleFmtBodySize &&
                                       std::memcmp(body + 24, kPcmSubFormat, 16) == 0;
            if (formatTag != kFormatPcm && !extensiblePcm) {
                openFailure = Failure::Unsupported;
                return WAVE_FILE_ERROR;
            }
            haveFmt = true;
        } else if (id == MakeFourCC("data") && !haveData) {
            dataChunkId = id;
            dataChunkSize = size;
            dataChunkPosition = static_cast<std::int64_t>(chunkPosition);
            haveData = true;
            if (size == 0 || size > bytesLeft) {
                // A recorder stopped before patching its header: the samples
                // run to the end of the file, and nothing follows them.
                dataBytes = bytesLeft;
                break;
            }
            if (size == kMaxChunkSize && bytesLeft > kMaxChunkSize) {
                // The largest size a writer to a pipe leaves, with more bytes after
                // it than 32 bits count: how much is audio cannot be known, and
                // reading the first 4 GiB would silently drop the rest.
                openFailure = Failure::TooLarge;
                return WAVE_FILE_ERROR;
            }
            dataBytes = size;
        }
        chunkPosition = bodyPosition + size + (size & 1U);
    }
    if (!haveFmt || !haveData) {
        return WAVE_FILE_ERROR;
    }

    if (!IsSupportedFormat(bitsPerSample, channels)) {
        openFailure = Failure::Unsupported;
        return WAVE_FILE_ERROR;
    }
    // A rate of 0 has no time base, and a byte rate past 32 bits cannot have been
    // stored in the field: either way the header is damaged. Refused here, such a
    // rate would otherwise reach the engine as a zero or wrapped quantity.
    const std::uint64_t exactByteRate =
        static_cast<std::uint64_t>(sampleRate) * bitsPerSample * channels / 8;
    if (sampleRate == 0 || exactByteRate > kMaxChunkSize) {
        return WAVE_FILE_ERROR;
    }
    // Same 32-bit arithmetic as the writer uses for the field.
    const std::uint32_t expectedByteRate =
        (sampleRate * static_cast<std::uint32_t>(bitsPerSample) * channels) >> 3;
    if (byteRate != expectedByteRate || blockAlign != (bitsPerSample * channels) / 8) {
        return WAVE_FILE_ERROR;
    }
    // A data chunk that runs to the end of a file beyond 4 GiB has no 32-bit size.
    if (dataBytes > kMaxChunkSize) {
        openFailure = Failure::TooLarge;
        return WAVE_FILE_ERROR;
    }

    frameCount = static_cast<std::uint32_t>(dataBytes / blockAlign);
    const std::int64_t dataStart = dataChunkPosition + 8;
    dataEndOffset = dataStart + static_cast<std::int64_t>(frameCount) * blockAlign;
    return Seek(dataStart);
}

int WaveStream::OpenForWrite(const char* path, std::uint32_t rate, std::uint16_t bits,
                             std::uint16_t channelCount, bool newFileOnly) {
    if (path == nullptr || !IsSupportedFormat(bits, channelCount)) {
        return WAVE_BAD_CALL;
    }
    openFailure = Failure::None;
    channels = channelCount;
    bitsPerSample = bits;
    sampleRate = rate;
    byteRate = (static_cast<std::uint32_t>(bits) * channelCount * rate) >> 3;
    blockAlign = static_cast<std::uint16_t>((bits * channelCount) / 8);
    // The writer lays down only the canonical 16-byte PCM fmt chunk, even when
    // this object last read a file with a longer or extensible one.
    fmtChunkId = MakeFourCC("fmt ");
    fmtChunkSize = kFmtBodySize;
    formatTag = kFormatPcm;
    dataChunkId = MakeFourCC("data");

    int code = Open(path, RIFF_WRITING, newFileOnly);
    if (code != WAVE_OK) {
        openFailure = OpenProblem() == RegularFileProblem::NotRegularFile ? Failure::NotRegularFile
                                                                          : Failure::CannotOpen;
        return code;
    }
    code = RiffStream::Write("WAVE", 4);
    if (code != WAVE_OK) {
        return code;
    }
    std::uint8_t fmt[24];
    PutFourCC(fmt, fmtChunkId);
    PutLE32(fmt + 4, fmtChunkSize);
    PutLE16(fmt + 8, formatTag);
    PutLE16(fmt + 10, channels);
    PutLE32(fmt + 12, sampleRate);
    PutLE32(fmt + 16, byteRate);
    PutLE16(fmt + 20, blockAlign);
    PutLE16(fmt + 22, bitsPerSample);
    code = RiffStream::Write(fmt, sizeof fmt);
    if (code != WAVE_OK) {
        return code;
    }
    dataChunkPosition = Tell();
    std::uint8_t dataHeader[8];
    PutFourCC(dataHeader, dataChunkId);
    PutLE32(dataHeader + 4, dataChunkSize);
    return RiffStream::Write(dataHeader, sizeof dataHeader);
}

// Reading needs a file opened for reading; on any other object it is a bad call.
int WaveStream::ReadFrames(std::int32_t count, FrameSlot* frames) {
    if (mode != RIFF_READING || stream == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (!IsSupportedFormat(bitsPerSample, channels)) {
        return WAVE_BAD_CALL;
    }
    const bool stereo16 = bitsPerSample == 16 && channels == 2;
    if (count <= 0) {
        // 16-bit stereo has always treated an empty block as a failed read.
        return stereo16 ? WAVE_FILE_ERROR : WAVE_OK;
    }
    if (frames == nullptr) {
        return WAVE_BAD_CALL;
    }
    std::uint8_t* target = nullptr;
    if (stereo16 && kLittleEndianHost) {
        // The file's bytes are already the slots' bytes.
        target = reinterpret_cast<std::uint8_t*>(frames);
    } else {
        const std::size_t bytes = static_cast<std::size_t>(count) * StoredFrameBytes();
        if (readScratchSize < bytes) {
            std::unique_ptr<std::uint8_t[]> grown(new (std::nothrow) std::uint8_t[bytes]);
            if (!grown) {
                return WAVE_FILE_ERROR;
            }
            readScratch = std::move(grown);
            readScratchSize = bytes;
        }
        target = readScratch.get();
    }
    const std::int64_t read = ReadStoredFrames(static_cast<std::uint64_t>(count), target);
    if (read < 0) {
        return WAVE_FILE_ERROR;
    }
    const auto framesRead = static_cast<std::size_t>(read);
    if (framesRead > 0) {
        const std::uint8_t* in = target;
        if (stereo16) {
            if constexpr (!kLittleEndianHost) {
                for (std::size_t i = 0; i < framesRead; ++i, in += 4) {
                    frames[i].channel1 = static_cast<std::int16_t>(in[0] | (in[1] << 8));
                    frames[i].channel2 = static_cast<std::int16_t>(in[2] | (in[3] << 8));
                }
            }
        } else if (kLittleEndianHost && channels == 1) {
            UnpackMonoSlotWords(in, frames, framesRead, bitsPerSample);
        } else if (bitsPerSample == 16) {
            for (std::size_t i = 0; i < framesRead; ++i, in += 2) {
                frames[i].channel1 = static_cast<std::int16_t>(in[0] | (in[1] << 8));
            }
        } else if (channels == 2) {
            for (std::size_t i = 0; i < framesRead; ++i, in += 2) {
                frames[i].channel1 = in[0];
                frames[i].channel2 = in[1];
            }
        } else {
            for (std::size_t i = 0; i < framesRead; ++i) {
                frames[i].channel1 = in[i];
            }
        }
    }
    return framesRead == static_cast<std::size_t>(count) ? WAVE_OK : WAVE_FILE_ERROR;
}

std::int64_t WaveStream::ReadStoredFrames(std::uint64_t count, std::uint8_t* target) {
    const std::size_t frameBytes = StoredFrameBytes();
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
    if (mode != RIFF_READING || stream == nullptr || !IsSupportedFormat(bitsPerSample, channels)) {
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
    const std::int64_t offset = static_cast<std::int64_t>((bitsPerSample + 7) / 8) * channels *
                                    static_cast<std::int64_t>(index) +
                                dataChunkPosition + 8;
    return Seek(offset);
}

namespace {
// Whether `added` more bytes still fit both 32-bit size fields.
bool SizesFit(std::uint32_t dataSize, std::uint32_t riffSize, std::uint64_t added) {
    return added <= kMaxChunkSize - dataSize && added <= kMaxChunkSize - riffSize;
}
} // namespace

int WaveStream::WriteFrame(const FrameSlot& frame) {
    if (!IsSupportedFormat(bitsPerSample, channels)) {
        return WAVE_BAD_CALL;
    }
    if (!SizesFit(dataChunkSize, riffChunkSize, StoredFrameBytes())) {
        return WAVE_FILE_ERROR;
    }
    const auto first = static_cast<std::uint16_t>(frame.channel1);
    const auto second = static_cast<std::uint16_t>(frame.channel2);
    std::uint8_t bytes[2];
    int code = WAVE_OK;
    if (channels == 1) {
        // Mono counts its bytes before the write, whether or not it succeeds.
        if (bitsPerSample == 8) {
            dataChunkSize += 1;
            bytes[0] = static_cast<std::uint8_t>(first);
            return RiffStream::Write(bytes, 1);
        }
        dataChunkSize += 2;
        PutLE16(bytes, first);
        return RiffStream::Write(bytes, 2);
    }
    // Stereo counts its bytes only once both samples are written.
    if (bitsPerSample == 8) {
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
    if (!SizesFit(dataChunkSize, riffChunkSize, size)) {
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
    if (!SizesFit(dataChunkSize, riffChunkSize, size)) {
        return WAVE_FILE_ERROR;
    }
    dataChunkSize += static_cast<std::uint32_t>(size);
    if constexpr (kLittleEndianHost) {
        return RiffStream::Write(samples, static_cast<std::size_t>(size));
    } else {
        if (count == 0) {
            return RiffStream::Write(samples, 0);
        }
        // Byte-swap through a small buffer, a piece at a time.
        std::uint8_t packed[512];
        std::size_t done = 0;
        const auto total = static_cast<std::size_t>(count);
        while (done < total) {
            std::size_t piece = total - done < 256 ? total - done : 256;
            for (std::size_t i = 0; i < piece; ++i) {
                PutLE16(packed + 2 * i, static_cast<std::uint16_t>(samples[done + i]));
            }
            int code = RiffStream::Write(packed, 2 * piece);
            if (code != WAVE_OK) {
                return code;
            }
            done += piece;
        }
        return WAVE_OK;
    }
}

int WaveStream::WriteFrames(const FrameSlot* frames, std::uint32_t count, std::uint8_t* scratch) {
    if (!IsSupportedFormat(bitsPerSample, channels) || mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (count == 0) {
        return WAVE_OK;
    }
    if (frames == nullptr || scratch == nullptr) {
        return WAVE_BAD_CALL;
    }
    const void* block = scratch;
    std::uint8_t* out = scratch;
    if (bitsPerSample == 16 && channels == 2) {
        if constexpr (kLittleEndianHost) {
            // The slots already hold the file's bytes.
            block = frames;
        } else {
            for (std::uint32_t i = 0; i < count; ++i, out += 4) {
                PutLE16(out, static_cast<std::uint16_t>(frames[i].channel1));
                PutLE16(out + 2, static_cast<std::uint16_t>(frames[i].channel2));
            }
        }
    } else if (kLittleEndianHost && channels == 1) {
        PackMonoSlotWords(frames, out, count, bitsPerSample);
    } else if (bitsPerSample == 16) {
        for (std::uint32_t i = 0; i < count; ++i, out += 2) {
            const auto value = static_cast<std::uint16_t>(frames[i].channel1);
            out[0] = static_cast<std::uint8_t>(value);
            out[1] = static_cast<std::uint8_t>(value >> 8);
        }
    } else if (channels == 2) {
        for (std::uint32_t i = 0; i < count; ++i, out += 2) {
            out[0] = static_cast<std::uint8_t>(frames[i].channel1);
            out[1] = static_cast<std::uint8_t>(frames[i].channel2);
        }
    } else {
        for (std::uint32_t i = 0; i < count; ++i) {
            out[i] = static_cast<std::uint8_t>(frames[i].channel1);
        }
    }
    return WriteFrameBytes(static_cast<const std::uint8_t*>(block), count);
}

int WaveStream::WriteFrameBytes(const std::uint8_t* bytes, std::uint32_t count) {
    if (!IsSupportedFormat(bitsPerSample, channels) || mode != RIFF_WRITING) {
        return WAVE_BAD_CALL;
    }
    if (count == 0) {
        return WAVE_OK;
    }
    if (bytes == nullptr) {
        return WAVE_BAD_CALL;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(count) * StoredFrameBytes();
    if (!SizesFit(dataChunkSize, riffChunkSize, size)) {
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
        std::uint8_t dataHeader[8];
        PutFourCC(dataHeader, dataChunkId);
        PutLE32(dataHeader + 4, dataChunkSize);
        int code = WriteAt(dataChunkPosition, dataHeader, sizeof dataHeader);
        if (code != WAVE_OK) {
            return code;
        }
    }
    return RiffStream::Close();
}
