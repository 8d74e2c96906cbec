// Test recordings through libsndfile, the independent oracle.
#include "SndfileOracle.h"

namespace testing_support {

void WriteTestWav(const std::string& path, int sampleRate, int channels, int bits,
                  const std::vector<std::int16_t>& samples) {
    WriteWavWithSndfile(path, sampleRate, channels, bits, samples);
}

WavContents ReadTestWav(const std::string& path) {
    SndfileView view = ReadWithSndfile(path);
    WavContents contents;
    contents.opened = view.opened;
    contents.sampleRate = view.sampleRate;
    contents.channels = view.channels;
    contents.bits = view.bits;
    contents.frames = view.frames;
    contents.rawData = std::move(view.rawData);
    return contents;
}

} // namespace testing_support
