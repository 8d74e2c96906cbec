#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <random>

namespace testing_support {

TempDir::TempDir() {
    // A name nobody else holds: create_directory fails on one that exists, so two
    // test processes never share a folder.
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    std::mt19937_64 random(
        (static_cast<std::uint64_t>(device()) << 32) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        counter.fetch_add(1));
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate =
            base / ("quernfold-test-" + std::to_string(random() % 0xFFFFFFFFFFFFULL));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            dir = candidate;
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder in " << base;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> PackSamples(int bits, const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> raw;
    raw.reserve(samples.size() * (bits == 8 ? 1 : 2));
    for (std::int16_t s : samples) {
        auto u = static_cast<std::uint16_t>(s);
        raw.push_back(static_cast<std::uint8_t>(u & 0xFF));
        if (bits == 16) {
            raw.push_back(static_cast<std::uint8_t>(u >> 8));
        }
    }
    return raw;
}

} // namespace testing_support
