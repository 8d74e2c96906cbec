#include "OutputFolder.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <random>

namespace {

constexpr char kTemporaryPrefix[] = ".quernfold-";
constexpr char kTemporarySuffix[] = ".part";
// A probe is no track in the making: its own ending keeps the two apart.
constexpr char kProbeSuffix[] = ".probe";

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

bool IsTemporaryName(const std::string& name) {
    const std::string prefix = kTemporaryPrefix;
    const std::string suffix = kTemporarySuffix;
    const std::string probeSuffix = kProbeSuffix;
    return name.size() > prefix.size() + suffix.size() && name.starts_with(prefix) &&
           (name.ends_with(suffix) || name.ends_with(probeSuffix));
}

std::string FreshTemporaryName() {
    char unique[17];
    std::snprintf(unique, sizeof unique, "%016llx",
                  static_cast<unsigned long long>(UniqueNumber()));
    return std::string(kTemporaryPrefix) + unique + kTemporarySuffix;
}

std::string FreshProbeName(const std::string& nameText) {
    const std::string fresh = FreshTemporaryName();
    return fresh.substr(0, fresh.size() - std::strlen(kTemporarySuffix)) + "-" + nameText +
           kProbeSuffix;
}

TemporaryFile::~TemporaryFile() {
    if (folder != nullptr) {
        folder->Discard(*this);
    }
}

std::FILE* TemporaryFile::ReleaseStream() {
    std::FILE* released = stream;
    stream = nullptr;
    return released;
}
