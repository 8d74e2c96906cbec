// Reading and writing WAVE files, mono or stereo: 8-, 16-, 24- and 32-bit integer
// PCM and 32- and 64-bit floating point, with plain or extensible fmt chunks, as
// RIFF files or, past what a RIFF header can describe, RF64 (and BW64) files.
//
// Nothing here throws or shows anything: every operation that can fail returns
// WAVE_OK, WAVE_FILE_ERROR or WAVE_BAD_CALL, and callers test for nonzero; a
// failed open for reading also says why (OpenFailure). All file access goes
// through buffered C streams with 64-bit offsets; frame counts are 32-bit.
#pragma once

#include "FrameSlot.h"
#include "RiffStream.h"
#include "WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

// The WAVE layer: the "fmt " chunk and the "data" chunk of one file, reader or writer.
// One object serves one file: the size counters keep running between opens.
class WaveStream : public RiffStream {
public:
    WaveStream();
    // A file still being written is closed as Close would: both sizes patched.
    ~WaveStream();

    // On failure the object is left closed, with its construction values, and
    // OpenFailure() says why.
    int OpenForRead(const char* path);
    WaveOpenFailure OpenFailure() const { return openFailure; }
    // The fmt fields of the file last refused, as far as they were read: what
    // its samples are after UnsupportedEncoding, for example.
    const WaveFormat& RefusedFormat() const { return refusedFormat; }

    // Integer PCM of 8, 16, 24 or 32 bits, in a plain fmt chunk.
    // With newFileOnly the file must not exist yet (temporary names).
    int OpenForWrite(const char* path, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                     std::uint16_t channels, bool newFileOnly = false);
    // A file of the samples, rate and channels of `source` (see FormatToWrite).
    // When `plannedFrames` will not fit a RIFF file, room is kept for the 64-bit
    // sizes: the file is closed as RF64 when its data turned out too large for
    // RIFF, and as a plain RIFF file otherwise.
    // `chunksBeforeData` (whole chunks, pad bytes included) are written between
    // the fmt (and fact) chunk and the data chunk.
    int OpenForWrite(const char* path, const WaveFormat& source, std::uint64_t plannedFrames = 0,
                     bool newFileOnly = false, std::span<const std::uint8_t> chunksBeforeData = {});
    // The same onto a stream opened already (a temporary file), which this object
    // owns from now and closes.
    int OpenForWrite(std::FILE* file, const WaveFormat& source, std::uint64_t plannedFrames,
                     std::span<const std::uint8_t> chunksBeforeData = {});

    // Reads count frames from the current position into frames[0..count).
    // 0 only when every frame arrived in full; 3 when the file ended or a read
    // failed first (the complete frames before that point are filled). Samples
    // wider than 16 bits arrive reduced to 16 (see UnpackFrames).
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
    std::uint32_t SampleRate() const { return format.sampleRate; }
    std::uint16_t BitsPerSample() const { return format.bitsPerSample; }
    std::uint16_t Channels() const { return format.channels; }
    std::uint16_t BlockAlign() const { return format.blockAlign; }
    std::uint16_t FormatTag() const { return format.formatTag; }
    // Bits of the values ReadFrames puts in slots: 8 for 8-bit files, else 16.
    std::uint16_t SlotBits() const { return ::SlotBits(format); }
    const WaveFormat& Format() const { return format; }
    std::uint64_t DataChunkSize() const { return dataChunkSize; }
    // Reading: the bytes of audio the file holds, which are what is read. They
    // differ from DataChunkSize by whole frames only when SizeDisagrees: the file
    // was cut short, or the size was a placeholder or stale and the audio runs on.
    std::uint64_t AudioBytes() const { return audioBytes; }
    bool SizeDisagrees() const { return sizeDisagrees; }
    std::int64_t DataChunkPosition() const { return dataChunkPosition; }

private:
    // The file is opened at path, or taken over when path is null.
    int BeginWriting(const char* path, std::FILE* file, const WaveFormat& source,
                     std::uint64_t plannedFrames, bool newFileOnly,
                     std::span<const std::uint8_t> chunksBeforeData);
    // Reads up to count whole frames as stored into target, never past the data
    // chunk; the number of frames read, or -1 when the position is unknown.
    std::int64_t ReadStoredFrames(std::uint64_t count, std::uint8_t* target);
    // The scratch buffer for unpacking `bytes` of stored frames, or null.
    std::uint8_t* ReadScratch(std::size_t bytes);
    // Whether `added` more bytes still fit both size fields.
    bool SizesFit(std::uint64_t added) const;
    // The checks of OpenForRead after the file is open; why they failed, or None.
    WaveOpenFailure ReadHeaders();
    // Back to the construction values, closed.
    void Reset();
    // Writing: the ds64 (or the JUNK it stays as), fact and data chunk headers.
    int PatchHeaders();
    int WriteChunk(const char* id, const std::uint8_t* body, std::uint32_t size);

    WaveFormat format;
    WaveFormat refusedFormat;
    FourCC fmtChunkId;
    std::uint32_t fmtChunkSize;
    FourCC dataChunkId;
    std::uint64_t dataChunkSize; // bytes of sample data appended through this object
    // File offset at which the 8-byte data chunk header starts.
    std::int64_t dataChunkPosition;
    std::uint32_t frameCount;
    std::uint64_t audioBytes;
    bool sizeDisagrees;
    // File offset just past the last complete frame of the data chunk: reads
    // never pass it, so chunks after the data are never taken for samples.
    std::int64_t dataEndOffset;
    // Writing: where the chunks patched on close start, or -1 when there are none.
    std::int64_t ds64Position;
    std::int64_t factPosition;
    // Reusable block buffer for unpacking whole-window reads; grows once to the
    // largest count asked for, so memory stays one window whatever the file length.
    std::unique_ptr<std::uint8_t[]> readScratch;
    std::size_t readScratchSize;
};
