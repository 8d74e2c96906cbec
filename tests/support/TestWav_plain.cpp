// Test recordings where libsndfile is not built: the plain layout written, and
// the format and data chunks found by walking the chunks. Only what the tests'
// own files and the programs' outputs need; the file layer's reading of every
// other layout is checked against libsndfile where it exists.
#include "TestFiles.h"
#include "WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace testing_support {

void WriteTestWav(const std::string& path, int sampleRate, int channels, int bits,
                  const std::vector<std::int16_t>& samples) {
    wavbytes::Fmt fmt;
    fmt.channels = static_cast<std::uint16_t>(channels);
    fmt.rate = static_cast<std::uint32_t>(sampleRate);
    fmt.bits = static_cast<std::uint16_t>(bits);
    const wavbytes::Bytes file =
        wavbytes::Riff({wavbytes::Chunk("fmt ", wavbytes::FmtBody(fmt)),
                        wavbytes::Chunk("data", PackSamples(bits, samples))});
    WriteFileBytes(path, file);
    ASSERT_EQ(ReadFileBytes(path), file) << path;
}

WavContents ReadTestWav(const std::string& path) {
    const wavbytes::Bytes file = ReadFileBytes(path);
    WavContents contents;
    if (file.size() < 12 || !std::equal(file.begin(), file.begin() + 4, "RIFF") ||
        !std::equal(file.begin() + 8, file.begin() + 12, "WAVE")) {
        return contents;
    }
    bool haveFormat = false;
    bool haveData = false;
    std::size_t blockAlign = 0;
    for (std::size_t at = 12; at + 8 <= file.size();) {
        const std::string id(file.begin() + static_cast<std::ptrdiff_t>(at),
                             file.begin() + static_cast<std::ptrdiff_t>(at) + 4);
        const std::size_t size = wavbytes::Get32(file, at + 4);
        const std::size_t body = at + 8;
        const std::size_t held = std::min(size, file.size() - body);
        if (id == "fmt " && held >= 16) {
            contents.channels = file[body + 2] | (file[body + 3] << 8);
            contents.sampleRate = static_cast<int>(wavbytes::Get32(file, body + 4));
            blockAlign = file[body + 12] | (file[body + 13] << 8);
            contents.bits = file[body + 14] | (file[body + 15] << 8);
            haveFormat = true;
        } else if (id == "data") {
            contents.rawData.assign(file.begin() + static_cast<std::ptrdiff_t>(body),
                                    file.begin() + static_cast<std::ptrdiff_t>(body + held));
            haveData = true;
        }
        at = body + size + size % 2;
    }
    contents.opened = haveFormat && haveData && blockAlign != 0;
    if (contents.opened) {
        contents.frames = static_cast<std::int64_t>(contents.rawData.size() / blockAlign);
        contents.rawData.resize(static_cast<std::size_t>(contents.frames) * blockAlign);
    }
    return contents;
}

} // namespace testing_support
