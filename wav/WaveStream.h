// Reading and writing RIFF WAVE files of 8- or 16-bit PCM, mono or stereo.
//
// Nothing here throws or shows anything: every operation that can fail returns
// WAVE_OK, WAVE_FILE_ERROR or WAVE_BAD_CALL, and callers test for nonzero.
// All file access goes through buffered C streams; file offsets are 64-bit, so
// recordings up to the format's own 4 GiB limit read and seek correctly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "RegularFile.h"

inline constexpr int WAVE_OK = 0;
inline constexpr int WAVE_FILE_ERROR = 3;
inline constexpr int WAVE_BAD_CALL = 4;

inline constexpr std::int32_t RIFF_CLOSED = 0;
inline constexpr std::int32_t RIFF_WRITING = 1;
inline constexpr std::int32_t RIFF_READING = 2;

// A four-character code, laid out in memory as its characters ("RIFF" is the
// bytes 'R' 'I' 'F' 'F' in file order, whatever the host's byte order).
using FourCC = std::uint32_t;

// Up to four characters of text, padded with spaces: "fmt" gives "fmt ".
FourCC MakeFourCC(const char* text);

// One sample frame in memory: channel 1 (mono, or left) then channel 2.
// 16-bit samples are held as stored; 8-bit samples as their unsigned byte value
// 0..255, not re-centred (silence is 128). For mono only channel1 is used.
struct FrameSlot {
    std::int16_t channel1;
    std::int16_t channel2;
};
static_assert(sizeof(FrameSlot) == 4, "a frame slot is two 16-bit values, 4 bytes");

// How the file layer opens its files. The program opens regular files only (see
// RegularFile.h); tests put a stream of their own in place to make reads, writes or
// seeks fail on cue. The mode is "rb", "wb" or "wbx" (a new file only).
using FileOpener = std::FILE* (*)(const char* path, const char* mode);
// nullptr restores the program's own opener. Not for use while a stream is being opened.
void SetFileOpenerForTesting(FileOpener opener);

// A file of RIFF chunks on a buffered C stream. Keeps the 8-byte RIFF header and
// counts every byte appended after it, so that close can write the final size.
class RiffStream {
public:
    RiffStream();
    ~RiffStream();
    RiffStream(const RiffStream&) = delete;
    RiffStream& operator=(const RiffStream&) = delete;

    // mode is RIFF_WRITING (created or truncated, header written) or RIFF_READING
    // (header read). With newFileOnly a file that exists already is not touched.
    int Open(const char* path, std::int32_t mode, bool newFileOnly = false);
    int Write(const void* bytes, std::size_t length);
    int WriteAt(std::int64_t offset, const void* bytes, std::size_t length);
    int Read(void* buffer, std::size_t length);
    int Expect(const void* bytes, std::size_t length);
    int Seek(std::int64_t offset);
    std::int64_t Tell() const;
    int Close();

    std::int32_t Mode() const { return mode; }
    FourCC RiffChunkId() const { return riffChunkId; }
    std::uint32_t RiffChunkSize() const { return riffChunkSize; }
    // Why the last Open found no file to work on (None when it opened one).
    RegularFileProblem OpenProblem() const { return openProblem; }

protected:
    // Length of the open file in bytes, or -1; the stream position is kept.
    std::int64_t FileLength();

    FourCC riffChunkId;
    std::uint32_t riffChunkSize;
    std::int32_t mode;
    std::FILE* stream;
    RegularFileProblem openProblem = RegularFileProblem::None;

private:
    // The stream's buffer, larger than the C library's default so that block
    // reads and writes reach the disk in few system calls. Outlives the stream.
    std::unique_ptr<char[]> streamBuffer;
};

// The WAVE layer: the "fmt " chunk and the "data" chunk of one file, reader or writer.
// One object serves one file: the size counters keep running between opens.
class WaveStream : public RiffStream {
public:
    // Why the last open failed, so a front end can say more than "cannot open".
    enum class Failure {
        None,           // the last open succeeded, or there was none
        CannotOpen,     // missing, no permission, or a system error
        NotRegularFile, // a FIFO, device or directory
        NotWave,        // not a little-endian RIFF WAVE file
        Unsupported,    // WAVE, but not 8- or 16-bit PCM in one or two channels
        DamagedHeader,  // chunks or fields that cannot be right
        TooLarge,       // data past 4 GiB with sizes that cannot say how much
    };

    WaveStream();
    // A stream still writing is closed as Close does, both sizes patched.
    ~WaveStream();

    // On failure the object is left closed, with its construction values.
    int OpenForRead(const char* path);
    // With newFileOnly the file must not exist yet (used for temporary names).
    int OpenForWrite(const char* path, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                     std::uint16_t channels, bool newFileOnly = false);
    Failure OpenFailure() const { return openFailure; }

    // Reads count frames from the current position into frames[0..count).
    // 0 only when every frame arrived in full; 3 when the file ended or a read
    // failed first (the complete frames before that point are filled).
    int ReadFrames(std::int32_t count, FrameSlot* frames);
    int SeekToFrame(std::uint32_t index);

    // Reads count frames exactly as the file stores them into bytes, which must
    // hold count * BlockAlign() bytes. 0 only when every frame arrived; otherwise
    // 3, with the complete frames before that point in place. A copy that goes
    // through here and WriteFrameBytes never unpacks the audio into slots.
    int ReadFrameBytes(std::uint32_t count, std::uint8_t* bytes);

    int WriteFrame(const FrameSlot& frame);
    int WriteRawSamples8(const std::uint8_t* bytes, std::int32_t length);
    int WriteRawSamples16(const std::int16_t* samples, std::int32_t count);

    // Appends count frames in one write: the same bytes as count WriteFrame calls.
    // scratch must hold count * BlockAlign() bytes (the caller allocates it once).
    // On failure nothing is added to the data chunk size.
    int WriteFrames(const FrameSlot* frames, std::uint32_t count, std::uint8_t* scratch);

    // Appends count frames given as the file stores them (count * BlockAlign()
    // bytes) in one write. On failure nothing is added to the data chunk size.
    int WriteFrameBytes(const std::uint8_t* bytes, std::uint32_t count);

    // Writing: patches the data chunk header and the RIFF header, then closes.
    int Close();

    std::uint32_t FrameCount() const { return frameCount; }
    std::uint32_t SampleRate() const { return sampleRate; }
    std::uint16_t BitsPerSample() const { return bitsPerSample; }
    std::uint16_t Channels() const { return channels; }
    std::uint16_t BlockAlign() const { return blockAlign; }
    std::uint16_t FormatTag() const { return formatTag; }
    std::uint32_t DataChunkSize() const { return dataChunkSize; }
    std::int64_t DataChunkPosition() const { return dataChunkPosition; }

private:
    // "fmt " chunk, in file order.
    FourCC fmtChunkId;
    std::uint32_t fmtChunkSize;
    std::uint16_t formatTag;
    std::uint16_t channels;
    std::uint32_t sampleRate;
    std::uint32_t byteRate;
    std::uint16_t blockAlign;
    std::uint16_t bitsPerSample;
    // "data" chunk header, in file order.
    FourCC dataChunkId;
    std::uint32_t dataChunkSize;
    // File offset at which the 8-byte data chunk header starts.
    std::int64_t dataChunkPosition;
    std::uint32_t frameCount;
    // Reusable block buffer for unpacking whole-window reads; grows once to the
    // largest count asked for, so memory stays one window whatever the file length.
    std::unique_ptr<std::uint8_t[]> readScratch;
    std::size_t readScratchSize;
    Failure openFailure = Failure::None;
    // OpenForRead's checks; the public call resets the object when they fail.
    int ReadHeader(const char* path);
    void ResetToConstruction();
    // Bytes of one stored frame, worked out from the format rather than the block
    // align field, which a failed open may have left disagreeing.
    std::size_t StoredFrameBytes() const {
        return static_cast<std::size_t>(bitsPerSample / 8) * channels;
    }
    // Reads up to count whole frames as stored into target, never past the data
    // chunk; the number of frames read, or -1 when the position is unknown.
    std::int64_t ReadStoredFrames(std::uint64_t count, std::uint8_t* target);
    // File offset just past the last complete frame of the data chunk: reads
    // never pass it, so chunks after the data are never taken for samples.
    std::int64_t dataEndOffset;
};
