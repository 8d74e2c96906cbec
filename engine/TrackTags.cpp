#include "TrackTags.h"

#include "QuernfoldVersion.h"

#include <algorithm>

namespace {

// The tags this program sets itself; the recording's values of these never
// carry over (its title names the whole recording, not a track).
constexpr const char* kOwnFields[] = {"INAM", "IART", "IPRD", "ITRK",
                                      "ICRD", "IGNR", "ICMT", "ISFT"};

std::string RecordingField(const WaveMetadata& recording, const char* id) {
    for (const InfoField& field : recording.info) {
        if (field.id == MakeFourCC(id)) {
            return field.text;
        }
    }
    return std::string();
}

bool IsOwnField(FourCC id) {
    return std::any_of(std::begin(kOwnFields), std::end(kOwnFields),
                       [id](const char* own) { return MakeFourCC(own) == id; });
}

bool HasTags(const TrackNaming& naming, const WaveMetadata& recording) {
    return !naming.titles.empty() || !naming.performers.empty() || !naming.artist.empty() ||
           !naming.album.empty() || !naming.date.empty() || !naming.genre.empty() ||
           !naming.comment.empty() || !recording.info.empty();
}

// The line a coding history gets for each step: what this program wrote.
std::string HistoryLine(const WaveFormat& format) {
    return std::string("A=PCM,F=") + std::to_string(format.sampleRate) +
           ",W=" + std::to_string(format.bitsPerSample) +
           ",M=" + (format.channels == 1 ? "mono" : "stereo") + ",T=" + SoftwareName() + "\r\n";
}

std::string Given(const std::string& option, const WaveMetadata& recording, const char* id) {
    return option.empty() ? RecordingField(recording, id) : option;
}

} // namespace

std::string SoftwareName() {
    return "Quernfold " QUERNFOLD_VERSION;
}

std::vector<std::uint8_t> TrackChunks(const TrackNaming& naming, const WaveMetadata& recording,
                                      const WaveFormat& format, std::uint32_t position,
                                      std::uint64_t firstFrame) {
    std::vector<std::uint8_t> chunks;
    if (recording.bext.size() >= kBextFixedBytes) {
        const std::vector<std::uint8_t> bext =
            AdvancedBext(recording.bext, firstFrame, HistoryLine(format));
        AppendChunk(chunks, "bext", bext.data(), bext.size());
    }
    if (!recording.ixml.empty()) {
        AppendChunk(chunks, "iXML", recording.ixml.data(), recording.ixml.size());
    }
    if (!HasTags(naming, recording)) {
        return chunks;
    }
    std::vector<InfoField> fields = {
        {MakeFourCC("INAM"), TrackTitle(naming, position)},
        {MakeFourCC("IART"), Given(TrackArtist(naming, position), recording, "IART")},
        {MakeFourCC("IPRD"), Given(naming.album, recording, "IPRD")},
        {MakeFourCC("ITRK"), std::to_string(TrackNumber(naming, position))},
        {MakeFourCC("ICRD"), Given(naming.date, recording, "ICRD")},
        {MakeFourCC("IGNR"), Given(naming.genre, recording, "IGNR")},
        {MakeFourCC("ICMT"), Given(naming.comment, recording, "ICMT")},
    };
    // Copyright, engineer, source and the rest stay as the recording had them.
    for (const InfoField& field : recording.info) {
        if (!IsOwnField(field.id)) {
            fields.push_back(field);
        }
    }
    fields.push_back({MakeFourCC("ISFT"), SoftwareName()});
    AppendUtf8CharacterSet(chunks);
    AppendInfoList(chunks, fields);
    return chunks;
}
