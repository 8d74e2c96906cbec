// WAV files written and read by libsndfile, the independent oracle the file layer
// is compared against.
#pragma once

#include "TestFiles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

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

// The sample types wider than 16 bits, and the headers libsndfile gives them.
enum class WideType { Pcm24, Pcm32, Float, Double };
enum class WideContainer { Plain, Extensible, Rf64 };

int BytesPerSample(WideType type);

// Writes `stored` (samples exactly as the file stores them, interleaved) with
// libsndfile in the given type and header.
void WriteStoredWithSndfile(const std::string& path, int sampleRate, int channels, WideType type,
                            WideContainer container, const std::vector<std::uint8_t>& stored);

// `samples` stored samples of `type` from a fixed seed: full-range values with
// every low bit in play, and for floating point values beyond full scale, both
// infinities and NaN.
std::vector<std::uint8_t> WideSamples(WideType type, std::size_t samples, std::uint32_t seed);

// The 16-bit value one stored sample is judged by: 24-bit s >> 8, 32-bit s >> 16,
// floating point floor(x * 32768) held within the 16-bit range, NaN 32767.
std::int16_t ReducedSample(WideType type, const std::uint8_t* stored);

struct SndfileView {
    bool opened = false;
    int sampleRate = 0;
    int channels = 0;
    int bits = 0;      // 8, 16, 24 or 32 for integer PCM, 0 otherwise
    int subtype = 0;   // libsndfile's SF_FORMAT_SUBMASK part
    int container = 0; // libsndfile's SF_FORMAT_TYPEMASK part
    std::int64_t frames = 0;
    std::vector<std::uint8_t> rawData; // the data chunk's sample bytes, as stored (not for
                                       // encodings without a fixed sample size)
};

// Opens the file with libsndfile and reads its sample bytes exactly as stored:
// all of them, or up to maxFrames frames from firstFrame.
SndfileView ReadWithSndfile(const std::string& path, std::int64_t firstFrame = 0,
                            std::int64_t maxFrames = -1);

} // namespace testing_support

namespace testing_support {

// The texts and broadcast extension of a WAV file as libsndfile reads them.
struct SndfileTags {
    bool opened = false;
    std::string title, artist, album, trackNumber, date, genre, comment, software, copyright;
    bool hasBroadcastInfo = false;
    std::string description, originator, codingHistory;
    std::uint64_t timeReference = 0;
};

SndfileTags ReadTagsWithSndfile(const std::string& path);

} // namespace testing_support
