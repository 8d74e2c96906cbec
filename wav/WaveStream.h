// Reading and writing RIFF WAVE files of 8- or 16-bit PCM, mono or stereo.
//
// Nothing here throws or shows anything: every operation that can fail returns
// WAVE_OK, WAVE_FILE_ERROR or WAVE_BAD_CALL, and callers test for nonzero.
// All file access goes through buffered C streams; file offsets are 64-bit, so
// recordings up to the format's own 4 GiB limit read and seek correctly.
#pragma once

#include "FrameSlot.h"
#include "RiffStream.h"
#include "WaveFormat.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The WAVE layer: the "fmt " chunk and the "data" chunk of one file, reader or writer.
// One object serves one file: the size counters keep running between opens.
class WaveStream : public RiffStream {
public:
    WaveStream();
    ~WaveStream();

    int OpenForRead(const char* path);
    int OpenForWrite(const char* path, std::uint32_t sampleRate, std::uint16_t bitsPerSample,
                     std::uint16_t channels);

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
    std::uint32_t SampleRate() const { return format.sampleRate; }
    std::uint16_t BitsPerSample() const { return format.bitsPerSample; }
    std::uint16_t Channels() const { return format.channels; }
    std::uint16_t BlockAlign() const { return format.blockAlign; }
    std::uint16_t FormatTag() const { return format.formatTag; }
    std::uint32_t DataChunkSize() const { return dataChunkSize; }
    std::int64_t DataChunkPosition() const { return dataChunkPosition; }

private:
    // Reads up to count whole frames as stored into target, never past the data
    // chunk; the number of frames read, or -1 when the position is unknown.
    std::int64_t ReadStoredFrames(std::uint64_t count, std::uint8_t* target);
    // The scratch buffer for unpacking `bytes` of stored frames, or null.
    std::uint8_t* ReadScratch(std::size_t bytes);
    // Whether `added` more bytes still fit both 32-bit size fields.
    bool SizesFit(std::uint64_t added) const;

    WaveFormat format;
    FourCC fmtChunkId;
    std::uint32_t fmtChunkSize;
    FourCC dataChunkId;
    std::uint32_t dataChunkSize; // bytes of sample data appended through this object
    // File offset at which the 8-byte data chunk header starts.
    std::int64_t dataChunkPosition;
    std::uint32_t frameCount;
    // File offset just past the last complete frame of the data chunk: reads
    // never pass it, so chunks after the data are never taken for samples.
    std::int64_t dataEndOffset;
    // Reusable block buffer for unpacking whole-window reads; grows once to the
    // largest count asked for, so memory stays one window whatever the file length.
    std::unique_ptr<std::uint8_t[]> readScratch;
    std::size_t readScratchSize;
};
