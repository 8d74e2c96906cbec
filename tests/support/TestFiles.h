// Test helpers: temporary folders and WAV files written and read by libsndfile,
// the independent oracle the file layer is compared against.
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

enum class WavFlavour {
    Plain,      // what libsndfile writes for PCM WAV
    Extensible, // WAVE_FORMAT_EXTENSIBLE header
    WithInfo,   // plus a LIST/INFO chunk (title and comment strings)
};

// Writes a PCM WAV with libsndfile. For 16-bit, `samples` are the signed values;
// for 8-bit, the unsigned byte values 0..255. Interleaved, channel 1 first.
void WriteWavWithSndfile(const std::string& path, int sampleRate, int channels, int bits,
                         const std::vector<std::int16_t>& samples,
                         WavFlavour flavour = WavFlavour::Plain);

struct SndfileView {
    bool opened = false;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0; // 8 or 16 when PCM_U8 / PCM_16, 0 otherwise
    std::int64_t frames = 0;
    std::vector<std::uint8_t> rawData; // the data chunk's sample bytes, as stored
};

// Opens the file with libsndfile and reads its sample bytes exactly as stored.
SndfileView ReadWithSndfile(const std::string& path);

// The raw bytes of a file, and writing bytes to a file.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The sample bytes a PCM WAV file of this format stores for `samples` (as above).
std::vector<std::uint8_t> PackSamples(int bits, const std::vector<std::int16_t>& samples);

} // namespace testing_support
