#include "OutputFiles.h"

#include "FileSystem.h"
#include "PathText.h"
#include "RegularFile.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <random>

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

bool SameFile(const std::string& a, const std::string& b) {
    const std::optional<FileIdentity> first = IdentityOf(a);
    return first && first == IdentityOf(b);
}

bool MayReplace(const std::string& path) {
    return KindOf(path) != FileKind::Other;
}

std::string TemporaryNameFor(const std::string& finalPath) {
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx",
                  static_cast<unsigned long long>(UniqueNumber()));
    const std::filesystem::path folder = PathFromUtf8(finalPath).parent_path();
    return Utf8FromPath(folder / PathFromUtf8(std::string(".quernfold-") + unique + ".part"));
}

bool CommitTemporary(const std::string& temporaryPath, const std::string& finalPath) {
    if (MayReplace(finalPath) && RenameReplacing(temporaryPath, finalPath)) {
        return true;
    }
    RemoveFile(temporaryPath);
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
        RemoveFile(temporary);
        return false;
    }
    return CommitTemporary(temporary, path);
}
