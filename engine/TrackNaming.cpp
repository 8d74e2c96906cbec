#include "TrackNaming.h"

#include "NameFolding.h"

#include "Messages.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::size_t kMaxFileNameBytes = 255;
constexpr std::string_view kExtension = ".wav";

std::string ZeroPadded(std::uint32_t number, std::size_t width) {
    std::string digits = std::to_string(number);
    if (digits.size() < width) {
        digits.insert(0, width - digits.size(), '0');
    }
    return digits;
}

std::size_t DigitsOfLargest(const TrackNaming& naming, std::uint32_t count) {
    return std::to_string(TrackNumber(naming, count == 0 ? 1 : count)).size();
}

std::string Entry(const std::vector<std::string>& list, std::uint32_t position) {
    return position >= 1 && position <= list.size() ? list[position - 1] : std::string();
}

// The value of field `name` for the track, or no value for an unknown field.
std::optional<std::string> FieldValue(std::string_view name, const TrackNaming& naming,
                                      std::uint32_t position, std::uint32_t count) {
    const std::size_t width = DigitsOfLargest(naming, count);
    if (name == "n") {
        return ZeroPadded(TrackNumber(naming, position), width);
    }
    if (name == "nn") {
        return ZeroPadded(TrackNumber(naming, position), std::max<std::size_t>(2, width));
    }
    if (name == "title") {
        return TrackTitle(naming, position);
    }
    if (name == "artist") {
        return TrackArtist(naming, position);
    }
    if (name == "album") {
        return naming.album;
    }
    return std::nullopt;
}

// The pattern with its fields filled in; no value when it is malformed.
std::optional<std::string> Expand(std::string_view pattern, const TrackNaming& naming,
                                  std::uint32_t position, std::uint32_t count) {
    std::string out;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '}') {
            return std::nullopt;
        }
        if (pattern[i] != '{') {
            out += pattern[i];
            continue;
        }
        const std::size_t close = pattern.find('}', i);
        if (close == std::string_view::npos) {
            return std::nullopt;
        }
        const std::optional<std::string> value =
            FieldValue(pattern.substr(i + 1, close - i - 1), naming, position, count);
        if (!value) {
            return std::nullopt;
        }
        // A field's own text never becomes part of the pattern.
        out += *value;
        i = close;
    }
    return out;
}

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::uint32_t TrackNumber(const TrackNaming& naming, std::uint32_t position) {
    return naming.firstNumber + position - 1;
}

std::string TrackTitle(const TrackNaming& naming, std::uint32_t position) {
    return Entry(naming.titles, position);
}

std::string TrackArtist(const TrackNaming& naming, std::uint32_t position) {
    std::string performer = Entry(naming.performers, position);
    return performer.empty() ? naming.artist : performer;
}

std::string TrackFileName(const std::string& prefix, const TrackNaming& naming,
                          std::uint32_t position, std::uint32_t count) {
    std::string pattern = naming.namePattern;
    if (pattern.empty() && !naming.titles.empty()) {
        pattern = kTitledNamePattern;
    }
    if (pattern.empty()) {
        // The prefix is the user's own text and stays exactly as given.
        return prefix + ZeroPadded(TrackNumber(naming, position), DigitsOfLargest(naming, count)) +
               std::string(kExtension);
    }
    const std::string stem = Expand(pattern, naming, position, count).value_or(std::string());
    return FileNameSafeText(Trimmed(stem)) + std::string(kExtension);
}

std::optional<std::string> NamePatternProblem(std::string_view pattern) {
    TrackNaming naming;
    if (!IsUtf8(pattern) || !Expand(pattern, naming, 1, 1)) {
        return FormatText(messages::kBadNamePattern, std::string(pattern).c_str());
    }
    return std::nullopt;
}

std::optional<std::string> TrackNamesProblem(const std::string& prefix, const TrackNaming& naming,
                                             std::uint32_t count) {
    if (!naming.titles.empty() && naming.titles.size() != count) {
        return FormatText(messages::kTitleCountMismatch,
                          static_cast<unsigned>(naming.titles.size()), count);
    }
    if (!naming.namePattern.empty()) {
        if (std::optional<std::string> problem = NamePatternProblem(naming.namePattern)) {
            return problem;
        }
    }
    std::map<std::u32string, std::string> seen; // folded name -> name
    for (std::uint32_t position = 1; position <= count; ++position) {
        const std::string name = TrackFileName(prefix, naming, position, count);
        if (name.size() <= kExtension.size()) {
            return FormatText(messages::kTrackNameEmpty, TrackNumber(naming, position));
        }
        if (name.size() > kMaxFileNameBytes) {
            return FormatText(messages::kTrackNameTooLong, TrackNumber(naming, position),
                              name.c_str());
        }
        const auto [where, fresh] = seen.emplace(FoldedName(FoldedFileName(name)), name);
        if (!fresh) {
            return FormatText(messages::kTrackNamesClash, where->second.c_str(), name.c_str());
        }
    }
    return std::nullopt;
}
