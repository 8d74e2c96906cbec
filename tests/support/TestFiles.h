// Test helpers: temporary folders, file bytes and test recordings.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return dir; }
    std::string file(const std::string& name) const { return (dir / name).string(); }

private:
    std::filesystem::path dir;
};

// A WAV file's format and its sample bytes, as the tests check what was written.
struct WavContents {
    bool opened = false;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0; // of integer PCM
    std::int64_t frames = 0;
    std::vector<std::uint8_t> rawData; // the data chunk's sample bytes, as stored
};

// Writes a plain PCM WAV of 8- or 16-bit samples (as PackSamples takes them), and reads
// any WAV back. Where libsndfile is built they go through it, the independent
// oracle; elsewhere through a small reader and writer of the plain layout.
void WriteTestWav(const std::string& path, int sampleRate, int channels, int bits,
                  const std::vector<std::int16_t>& samples);
WavContents ReadTestWav(const std::string& path);

// The raw bytes of a file, and writing bytes to a file.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The sample bytes an 8- or 16-bit PCM WAV file stores for `samples`: for 16-bit
// the signed values, for 8-bit the unsigned byte values 0..255; interleaved,
// channel 1 first.
std::vector<std::uint8_t> PackSamples(int bits, const std::vector<std::int16_t>& samples);

} // namespace testing_support
