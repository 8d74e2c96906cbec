#include "SndfileOracle.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>

namespace testing_support {

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

int BytesPerSample(WideType type) {
    switch (type) {
    case WideType::Pcm24:
        return 3;
    case WideType::Double:
        return 8;
    case WideType::Pcm32:
    case WideType::Float:
        break;
    }
    return 4;
}

void WriteStoredWithSndfile(const std::string& path, int sampleRate, int channels, WideType type,
                            WideContainer container, const std::vector<std::uint8_t>& stored) {
    const int subtypes[] = {SF_FORMAT_PCM_24, SF_FORMAT_PCM_32, SF_FORMAT_FLOAT, SF_FORMAT_DOUBLE};
    const int containers[] = {SF_FORMAT_WAV, SF_FORMAT_WAVEX, SF_FORMAT_RF64};
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = containers[static_cast<int>(container)] | subtypes[static_cast<int>(type)];
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    if (container == WideContainer::Rf64) {
        // Written as RF64 whatever the size, not only past 4 GiB.
        ASSERT_EQ(sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_FALSE), SF_FALSE);
    }
    if (!stored.empty()) {
        ASSERT_EQ(sf_write_raw(file, stored.data(), static_cast<sf_count_t>(stored.size())),
                  static_cast<sf_count_t>(stored.size()));
    }
    ASSERT_EQ(sf_close(file), 0);
}

std::vector<std::uint8_t> WideSamples(WideType type, std::size_t samples, std::uint32_t seed) {
    std::mt19937 random(seed);
    const int bytes = BytesPerSample(type);
    std::vector<std::uint8_t> stored(samples * static_cast<std::size_t>(bytes));
    for (std::size_t i = 0; i < samples; ++i) {
        std::uint8_t* out = stored.data() + i * static_cast<std::size_t>(bytes);
        if (type == WideType::Pcm24 || type == WideType::Pcm32) {
            const std::uint32_t value = random();
            std::memcpy(out, &value, static_cast<std::size_t>(bytes));
            continue;
        }
        // Mostly within full scale, with the edges and the damaged values mixed in.
        const double specials[] = {1.0,
                                   -1.0,
                                   1.5,
                                   -1.5,
                                   -1.0 / 32768,
                                   0.5 / 32768,
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
        double value = std::uniform_real_distribution<double>(-1.0, 1.0)(random);
        if (random() % 16 == 0) {
            value = specials[random() % std::size(specials)];
        }
        if (type == WideType::Float) {
            const auto single = static_cast<float>(value);
            std::memcpy(out, &single, sizeof single);
        } else {
            std::memcpy(out, &value, sizeof value);
        }
    }
    return stored;
}

std::int16_t ReducedSample(WideType type, const std::uint8_t* stored) {
    if (type == WideType::Pcm24 || type == WideType::Pcm32) {
        std::int32_t value = 0;
        // Into the top of a 32-bit word, then an arithmetic shift back down.
        std::memcpy(reinterpret_cast<std::uint8_t*>(&value) + (type == WideType::Pcm24 ? 1 : 0),
                    stored, static_cast<std::size_t>(BytesPerSample(type)));
        return static_cast<std::int16_t>(value >> 16);
    }
    double value = 0;
    if (type == WideType::Float) {
        float single = 0;
        std::memcpy(&single, stored, sizeof single);
        value = single;
    } else {
        std::memcpy(&value, stored, sizeof value);
    }
    if (std::isnan(value)) {
        return 32767;
    }
    return static_cast<std::int16_t>(std::clamp(std::floor(value * 32768.0), -32768.0, 32767.0));
}

SndfileView ReadWithSndfile(const std::string& path, std::int64_t firstFrame,
                            std::int64_t maxFrames) {
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
    view.subtype = info.format & SF_FORMAT_SUBMASK;
    view.container = info.format & SF_FORMAT_TYPEMASK;
    int sampleBytes = 0;
    switch (view.subtype) {
    case SF_FORMAT_PCM_U8:
        view.bits = 8;
        sampleBytes = 1;
        break;
    case SF_FORMAT_PCM_16:
        view.bits = 16;
        sampleBytes = 2;
        break;
    case SF_FORMAT_PCM_24:
        view.bits = 24;
        sampleBytes = 3;
        break;
    case SF_FORMAT_PCM_32:
        view.bits = 32;
        sampleBytes = 4;
        break;
    case SF_FORMAT_FLOAT:
        sampleBytes = 4;
        break;
    case SF_FORMAT_DOUBLE:
        sampleBytes = 8;
        break;
    default:
        break;
    }
    std::int64_t frames = info.frames;
    if (firstFrame > 0 || maxFrames >= 0) {
        if (sf_seek(file, firstFrame, SEEK_SET) != firstFrame) {
            sampleBytes = 0;
        }
        frames = std::max<std::int64_t>(0, info.frames - firstFrame);
        if (maxFrames >= 0) {
            frames = std::min(frames, maxFrames);
        }
    }
    if (sampleBytes != 0) {
        std::size_t bytes = static_cast<std::size_t>(frames) *
                            static_cast<std::size_t>(info.channels) *
                            static_cast<std::size_t>(sampleBytes);
        view.rawData.resize(bytes);
        if (bytes != 0) {
            sf_count_t got = sf_read_raw(file, view.rawData.data(), static_cast<sf_count_t>(bytes));
            view.rawData.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        }
    }
    sf_close(file);
    return view;
}

} // namespace testing_support

namespace testing_support {

SndfileTags ReadTagsWithSndfile(const std::string& path) {
    SndfileTags tags;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr) {
        return tags;
    }
    tags.opened = true;
    auto text = [file](int type) {
        const char* value = sf_get_string(file, type);
        return value != nullptr ? std::string(value) : std::string();
    };
    tags.title = text(SF_STR_TITLE);
    tags.artist = text(SF_STR_ARTIST);
    tags.album = text(SF_STR_ALBUM);
    tags.trackNumber = text(SF_STR_TRACKNUMBER);
    tags.date = text(SF_STR_DATE);
    tags.genre = text(SF_STR_GENRE);
    tags.comment = text(SF_STR_COMMENT);
    tags.software = text(SF_STR_SOFTWARE);
    tags.copyright = text(SF_STR_COPYRIGHT);
    SF_BROADCAST_INFO_VAR(4096) bext{};
    if (sf_command(file, SFC_GET_BROADCAST_INFO, &bext, sizeof bext) == SF_TRUE) {
        tags.hasBroadcastInfo = true;
        tags.description.assign(bext.description,
                                strnlen(bext.description, sizeof bext.description));
        tags.originator.assign(bext.originator, strnlen(bext.originator, sizeof bext.originator));
        tags.codingHistory.assign(bext.coding_history,
                                  strnlen(bext.coding_history, bext.coding_history_size));
        tags.timeReference =
            (static_cast<std::uint64_t>(bext.time_reference_high) << 32) | bext.time_reference_low;
    }
    sf_close(file);
    return tags;
}

} // namespace testing_support
