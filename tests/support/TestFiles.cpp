#include "TestFiles.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace testing_support {

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quernfold-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary folder";
    }
    dir = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
}

void WriteWavWithSndfile(const std::string& path, int sampleRate, int channels, int bits,
                         const std::vector<std::int16_t>& samples, WavFlavour flavour) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = (flavour == WavFlavour::Extensible ? SF_FORMAT_WAVEX : SF_FORMAT_WAV) |
                  (bits == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    if (flavour == WavFlavour::WithInfo) {
        sf_set_string(file, SF_STR_TITLE, "A title long enough to be noticed");
        sf_set_string(file, SF_STR_COMMENT, "odd");
    }
    // Write the bytes as stored so 8-bit values pass through unchanged.
    std::vector<std::uint8_t> raw = PackSamples(bits, samples);
    if (!raw.empty()) {
        ASSERT_EQ(sf_write_raw(file, raw.data(), static_cast<sf_count_t>(raw.size())),
                  static_cast<sf_count_t>(raw.size()));
    }
    ASSERT_EQ(sf_close(file), 0);
}

SndfileView ReadWithSndfile(const std::string& path) {
    SndfileView view;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return view;
    }
    view.opened = true;
    view.sampleRate = info.samplerate;
    view.channels = info.channels;
    view.frames = info.frames;
    int sub = info.format & SF_FORMAT_SUBMASK;
    view.bits = sub == SF_FORMAT_PCM_U8 ? 8 : sub == SF_FORMAT_PCM_16 ? 16 : 0;
    if (view.bits != 0) {
        std::size_t bytes = static_cast<std::size_t>(info.frames) *
                            static_cast<std::size_t>(info.channels) *
                            static_cast<std::size_t>(view.bits / 8);
        view.rawData.resize(bytes);
        if (bytes != 0) {
            sf_count_t got = sf_read_raw(file, view.rawData.data(), static_cast<sf_count_t>(bytes));
            view.rawData.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    sf_close(file);
    return view;
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
