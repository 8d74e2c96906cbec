// The fuzz input as a file the reader can open by name, kept in memory
// (an anonymous memory file named through /proc), so no input touches the disk.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

class MemoryFile {
public:
    MemoryFile(const std::uint8_t* data, std::size_t size) {
        descriptor = memfd_create("fuzz-input", 0);
        if (descriptor < 0) {
            return;
        }
        std::size_t done = 0;
        while (done < size) {
            const ssize_t written = write(descriptor, data + done, size - done);
            if (written <= 0) {
                break;
            }
            done += static_cast<std::size_t>(written);
        }
        path = "/proc/self/fd/" + std::to_string(descriptor);
    }
    ~MemoryFile() {
        if (descriptor >= 0) {
            close(descriptor);
        }
    }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    bool ok() const { return descriptor >= 0; }
    const char* Path() const { return path.c_str(); }

private:
    int descriptor = -1;
    std::string path;
};

// A broken promise of the code under test: stop at once so the fuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (false)
