#include "OutputFiles.h"

#include "RegularFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// 64 bits that differ between processes and between calls: a random seed taken
// once, then a counter. Exclusive creation catches the unlikely clash anyway.
std::uint64_t UniqueNumber() {
    static const std::uint64_t seed = [] {
        std::uint64_t value =
            static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        try {
            std::random_device device;
            value ^= (static_cast<std::uint64_t>(device()) << 32) ^ device();
        } catch (...) {
            // No random device: the clock alone still differs between runs.
        }
        return value;
    }();
    static std::atomic<std::uint64_t> counter{0};
    // Spread the counter over all bits so consecutive names do not look alike.
    return seed ^ (++counter * 0x9E3779B97F4A7C15ull);
}

} // namespace

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code error;
    return fs::equivalent(a, b, error) && !error;
}

bool MayReplace(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    return status.type() == fs::file_type::not_found || status.type() == fs::file_type::regular;
}

std::string TemporaryNameFor(const std::string& finalPath) {
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx",
                  static_cast<unsigned long long>(UniqueNumber()));
    const fs::path folder = fs::path(finalPath).parent_path();
    return (folder / (std::string(".quernfold-") + unique + ".part")).string();
}

bool CommitTemporary(const std::string& temporaryPath, const std::string& finalPath) {
    std::error_code error;
    if (MayReplace(finalPath)) {
        fs::rename(temporaryPath, finalPath, error);
        if (!error) {
            return true;
        }
    }
    fs::remove(temporaryPath, error);
    return false;
}

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
    if (!MayReplace(path)) {
        return false;
    }
    const std::string temporary = TemporaryNameFor(path);
    RegularFileProblem problem = RegularFileProblem::None;
    std::FILE* file = OpenRegularFile(temporary.c_str(), RegularFileMode::CreateNew, problem);
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        std::error_code error;
        fs::remove(temporary, error);
        return false;
    }
    return CommitTemporary(temporary, path);
}
