#include "RiffStream.h"

#include "ByteOrder.h"
#include "FileAccess.h"
#include "FileSystem.h"
#include "RegularFile.h"

#include <cstring>
#include <limits>
#include <new>

using namespace byte_order;
using file_access::SeekAbsolute;
using file_access::TellPosition;

namespace {

constexpr std::size_t kStreamBufferSize = 256 * 1024;

FileOpener fileOpener = nullptr;
StreamWrapper streamWrapper = nullptr;

std::FILE* OpenFile(const char* path, RegularFileMode mode, WaveOpenFailure& why) {
    if (fileOpener != nullptr) {
        const char* modeText = mode == RegularFileMode::Read      ? "rb"
                               : mode == RegularFileMode::Replace ? "wb"
                                                                  : "wbx";
        std::FILE* file = fileOpener(path, modeText);
        why = file != nullptr ? WaveOpenFailure::None : WaveOpenFailure::CannotOpen;
        return file;
    }
    RegularFileProblem problem = RegularFileProblem::None;
    std::FILE* file = OpenRegularFile(path, mode, problem);
    switch (problem) {
    case RegularFileProblem::None:
        why = WaveOpenFailure::None;
        break;
    case RegularFileProblem::Missing:
        why = WaveOpenFailure::Missing;
        break;
    case RegularFileProblem::NotRegularFile:
        why = WaveOpenFailure::NotRegularFile;
        break;
    case RegularFileProblem::CannotOpen:
        why = WaveOpenFailure::CannotOpen;
        break;
    }
    return file;
}

} // namespace

void SetFileOpenerForTesting(FileOpener opener) {
    fileOpener = opener;
}

void SetStreamWrapperForTesting(StreamWrapper wrapper) {
    streamWrapper = wrapper;
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

RiffStream::RiffStream()
    : riffChunkId(MakeFourCC("RIFF")), riffChunkSize(0), mode(RIFF_CLOSED), stream(nullptr) {}

RiffStream::~RiffStream() {
    if (mode != RIFF_CLOSED) {
        Close();
    }
}

int RiffStream::Open(const char* path, std::int32_t newMode, bool newFileOnly) {
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
    std::FILE* file = OpenFile(path, fileMode, openFailure);
    if (file == nullptr) {
        return WAVE_FILE_ERROR;
    }
    const int code = Attach(file, newMode);
    if (code != WAVE_OK && newMode == RIFF_WRITING) {
        RemoveFile(path);
    }
    return code;
}

int RiffStream::OpenForWriting(std::FILE* file) {
    if (file == nullptr) {
        return WAVE_BAD_CALL;
    }
    if (mode != RIFF_CLOSED) {
        const int code = Close();
        if (code != WAVE_OK) {
            std::fclose(file);
            return code;
        }
    }
    if (streamWrapper != nullptr) {
        file = streamWrapper(file, "wb");
        if (file == nullptr) {
            return WAVE_FILE_ERROR;
        }
    }
    return Attach(file, RIFF_WRITING);
}

int RiffStream::Attach(std::FILE* file, std::int32_t newMode) {
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
        PutLE32(header + 4, RiffSizeField(riffChunkSize));
        if (std::fwrite(header, sizeof header, 1, file) != 1) {
            std::fclose(file);
            return WAVE_FILE_ERROR;
        }
    } else {
        if (std::fread(header, sizeof header, 1, file) != 1) {
            openFailure =
                std::ferror(file) ? WaveOpenFailure::CannotOpen : WaveOpenFailure::NotWave;
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
    if (riffChunkSize > riffSizeLimit || length > riffSizeLimit - riffChunkSize) {
        return WAVE_FILE_ERROR;
    }
    if (std::fwrite(bytes, length, 1, stream) != 1) {
        return WAVE_FILE_ERROR;
    }
    riffChunkSize += length;
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
        PutLE32(header + 4, RiffSizeField(riffChunkSize));
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

int RiffStream::SeekForReading(std::int64_t offset) {
    return stream != nullptr && SeekAbsolute(stream, offset) == 0 ? WAVE_OK : WAVE_FILE_ERROR;
}
