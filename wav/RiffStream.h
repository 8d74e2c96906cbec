// A file of RIFF chunks on a buffered C stream, and the layer's result codes.
#pragma once

#include "WaveOpenFailure.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

inline constexpr int WAVE_OK = 0;
inline constexpr int WAVE_FILE_ERROR = 3;
inline constexpr int WAVE_BAD_CALL = 4;

inline constexpr std::int32_t RIFF_CLOSED = 0;
inline constexpr std::int32_t RIFF_WRITING = 1;
inline constexpr std::int32_t RIFF_READING = 2;

// The largest size a RIFF size field holds. RF64 files store this value in
// their 32-bit fields and the real sizes in their ds64 chunk; writers that
// cannot know a size (an interrupted recording) leave it, or 0, in place.
inline constexpr std::uint32_t kLargestRiffSize = 0xFFFFFFFF;

// A 32-bit size field for a count that may have outgrown it.
constexpr std::uint32_t RiffSizeField(std::uint64_t size) {
    return size > kLargestRiffSize ? kLargestRiffSize : static_cast<std::uint32_t>(size);
}

// A four-character code, laid out in memory as its characters ("RIFF" is the
// bytes 'R' 'I' 'F' 'F' in file order, whatever the host's byte order).
using FourCC = std::uint32_t;

// Up to four characters of text, padded with spaces: "fmt" gives "fmt ".
FourCC MakeFourCC(const char* text);

// How the file layer opens its files. The program opens regular files only (see
// RegularFile.h); tests put a stream of their own in place to make reads, writes or
// seeks fail on cue. The mode is "rb", "wb" or "wbx" (a new file only).
using FileOpener = std::FILE* (*)(const char* path, const char* mode);
// nullptr restores the program's own opener. Not for use while a stream is being opened.
void SetFileOpenerForTesting(FileOpener opener);
// Streams the program opens itself (its temporary files) reach the file layer
// open already; tests wrap them the same way. The wrapper owns the stream it is
// given. nullptr restores the program's own behaviour.
using StreamWrapper = std::FILE* (*)(std::FILE* file, const char* mode);
void SetStreamWrapperForTesting(StreamWrapper wrapper);

// A file of RIFF chunks on a buffered C stream. Keeps the 8-byte RIFF header and
// counts every byte appended after it, so that close can write the final size.
class RiffStream {
public:
    RiffStream();
    ~RiffStream();
    RiffStream(const RiffStream&) = delete;
    RiffStream& operator=(const RiffStream&) = delete;

    // mode is RIFF_WRITING (created or truncated, header written) or RIFF_READING
    // (header read; a file shorter than the header is not a RIFF file). Only
    // regular files are opened, never blocking on a pipe or device. With
    // newFileOnly a file that exists already is not touched.
    int Open(const char* path, std::int32_t mode, bool newFileOnly = false);
    // Writing onto a stream opened already (binary, empty), which this object
    // owns from now: closes it on failure too.
    int OpenForWriting(std::FILE* file);
    int Write(const void* bytes, std::size_t length);
    int WriteAt(std::int64_t offset, const void* bytes, std::size_t length);
    int Read(void* buffer, std::size_t length);
    int Expect(const void* bytes, std::size_t length);
    int Seek(std::int64_t offset);
    std::int64_t Tell() const;
    int Close();

    std::int32_t Mode() const { return mode; }
    FourCC RiffChunkId() const { return riffChunkId; }
    // Bytes appended after the RIFF header while writing; the header's size
    // field after reading.
    std::uint64_t RiffChunkSize() const { return riffChunkSize; }

protected:
    // Length of the open file in bytes, or -1; the stream position is kept.
    std::int64_t FileLength();
    // Positions the stream without flushing it, so a read buffer survives.
    int SeekForReading(std::int64_t offset);

    // A RIFF file cannot hold more than kLargestRiffSize bytes after its header;
    // a writer that keeps its sizes elsewhere (RF64) raises the limit.
    static constexpr std::uint64_t kRiffSizeLimit = kLargestRiffSize;

    FourCC riffChunkId;
    std::uint64_t riffChunkSize;
    std::uint64_t riffSizeLimit = kRiffSizeLimit;
    // Why the last open for reading failed.
    WaveOpenFailure openFailure = WaveOpenFailure::None;
    std::int32_t mode;
    std::FILE* stream;

private:
    // Takes the open file: buffers it and writes or reads the RIFF header.
    int Attach(std::FILE* file, std::int32_t newMode);

    // The stream's buffer, larger than the C library's default so that block
    // reads and writes reach the disk in few system calls. Outlives the stream.
    std::unique_ptr<char[]> streamBuffer;
};
