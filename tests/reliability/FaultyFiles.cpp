#include "FaultyFiles.h"

#include "WaveStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

FaultPlan plan;

struct FaultyStream {
    std::FILE* real = nullptr;
    bool writing = false;
    int fileNumber = 0;         // among files opened for writing
    std::int64_t position = 0;  // of the real file
    std::int64_t highWater = 0; // bytes the file holds
};

bool RewriteFaultApplies(const FaultyStream& stream) {
    return plan.rewriteFaultFile == 0 || plan.rewriteFaultFile == stream.fileNumber;
}

ssize_t FaultyRead(void* cookie, char* buffer, size_t size) {
    auto& stream = *static_cast<FaultyStream*>(cookie);
    if (plan.readFailOffset >= 0) {
        if (stream.position >= plan.readFailOffset) {
            ++plan.faultsHit;
            errno = EIO;
            return -1;
        }
        // Deliver what lies before the bad spot; the next read hits it.
        const auto before = static_cast<size_t>(plan.readFailOffset - stream.position);
        size = size < before ? size : before;
    }
    const size_t got = std::fread(buffer, 1, size, stream.real);
    stream.position += static_cast<std::int64_t>(got);
    return static_cast<ssize_t>(got);
}

ssize_t FaultyWrite(void* cookie, const char* bytes, size_t size) {
    auto& stream = *static_cast<FaultyStream*>(cookie);
    if (plan.failRewrite && stream.position < stream.highWater && RewriteFaultApplies(stream)) {
        ++plan.faultsHit;
        errno = EIO;
        return 0;
    }
    size_t allowed = size;
    if (plan.writeBudget >= 0 && static_cast<std::int64_t>(size) > plan.writeBudget) {
        allowed = static_cast<size_t>(plan.writeBudget);
    }
    const size_t put = allowed == 0 ? 0 : std::fwrite(bytes, 1, allowed, stream.real);
    if (plan.writeBudget >= 0) {
        plan.writeBudget -= static_cast<std::int64_t>(put);
    }
    plan.bytesWritten += static_cast<std::int64_t>(put);
    plan.bytesWrittenPerFile[static_cast<std::size_t>(stream.fileNumber - 1)] +=
        static_cast<std::int64_t>(put);
    stream.position += static_cast<std::int64_t>(put);
    if (stream.position > stream.highWater) {
        stream.highWater = stream.position;
    }
    if (put < size) {
        // A short count is how a cookie stream reports the failure.
        ++plan.faultsHit;
        errno = ENOSPC;
    }
    return static_cast<ssize_t>(put);
}

int FaultySeek(void* cookie, off64_t* offset, int whence) {
    auto& stream = *static_cast<FaultyStream*>(cookie);
    std::int64_t target = *offset;
    if (whence == SEEK_CUR) {
        target += stream.position;
    } else if (whence == SEEK_END) {
        if (std::fseek(stream.real, 0, SEEK_END) != 0) {
            return -1;
        }
        target += static_cast<std::int64_t>(ftello(stream.real));
    }
    if (plan.failSeekBack && stream.writing && target < stream.highWater &&
        RewriteFaultApplies(stream)) {
        ++plan.faultsHit;
        errno = EIO;
        return -1;
    }
    if (target < 0 || fseeko(stream.real, static_cast<off_t>(target), SEEK_SET) != 0) {
        return -1;
    }
    stream.position = target;
    *offset = target;
    return 0;
}

int FaultyClose(void* cookie) {
    auto* stream = static_cast<FaultyStream*>(cookie);
    const int result = std::fclose(stream->real);
    delete stream;
    return result == 0 ? 0 : -1;
}

std::FILE* WrapFaulty(std::FILE* real, const char* mode) {
    auto* stream = new FaultyStream;
    stream->real = real;
    stream->writing = std::strchr(mode, 'w') != nullptr;
    if (stream->writing) {
        stream->fileNumber = ++plan.filesOpenedForWriting;
        plan.bytesWrittenPerFile.push_back(0);
    }
    const cookie_io_functions_t functions{FaultyRead, FaultyWrite, FaultySeek, FaultyClose};
    std::FILE* wrapped = fopencookie(stream, mode, functions);
    if (wrapped == nullptr) {
        std::fclose(real);
        delete stream;
    }
    return wrapped;
}

std::FILE* OpenFaulty(const char* path, const char* mode) {
    std::FILE* real = std::fopen(path, mode);
    return real == nullptr ? nullptr : WrapFaulty(real, mode);
}

} // namespace

FaultyFileLayer::FaultyFileLayer() {
    plan = FaultPlan{};
    SetFileOpenerForTesting(OpenFaulty);
    SetStreamWrapperForTesting(WrapFaulty);
}

FaultyFileLayer::~FaultyFileLayer() {
    SetFileOpenerForTesting(nullptr);
    SetStreamWrapperForTesting(nullptr);
}

FaultPlan& Faults() {
    return plan;
}
