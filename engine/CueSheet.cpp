#include "CueSheet.h"

#include "OptionRules.h"
#include "PathText.h"
#include "SegmentWriter.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

namespace {

constexpr char kExactFrameRemark[] = "QUERNFOLD_FRAME";
constexpr char kEndFrameRemark[] = "QUERNFOLD_END";

// The value of a field: the text between the first and the last quote (titles
// may hold quotes themselves), or the first word when it is not quoted.
std::string Value(const std::string& rest) {
    const std::size_t open = rest.find('"');
    const std::size_t close = rest.rfind('"');
    if (open != std::string::npos && close > open) {
        return rest.substr(open + 1, close - open - 1);
    }
    std::istringstream words(rest);
    std::string word;
    words >> word;
    return word;
}

std::optional<std::uint64_t> Number(const std::string& text) {
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    return std::stoull(text);
}

// "mm:ss:ff" in 1/75 s.
std::optional<std::uint64_t> CueTime(const std::string& text) {
    const std::size_t first = text.find(':');
    const std::size_t second = text.find(':', first == std::string::npos ? 0 : first + 1);
    if (first == std::string::npos || second == std::string::npos) {
        return std::nullopt;
    }
    const auto minutes = Number(text.substr(0, first));
    const auto seconds = Number(text.substr(first + 1, second - first - 1));
    const auto frames = Number(text.substr(second + 1));
    if (!minutes || !seconds || !frames || *seconds >= 60 || *frames >= kCdFramesPerSecond) {
        return std::nullopt;
    }
    return (*minutes * 60 + *seconds) * kCdFramesPerSecond + *frames;
}

std::string CueTimeText(std::uint64_t cdFrames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu",
                  static_cast<unsigned long long>(cdFrames / kCdFramesPerSecond / 60),
                  static_cast<unsigned long long>(cdFrames / kCdFramesPerSecond % 60),
                  static_cast<unsigned long long>(cdFrames % kCdFramesPerSecond));
    return text;
}

// A text on one line of the sheet: line breaks and tabs become blanks.
std::string OneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}

// The sheet read line by line: the album's lines first, then each TRACK's.
class CueSheetReader {
public:
    explicit CueSheetReader(std::string& problem) : problem(problem) {}

    // False, with the problem said, when the line cannot be read.
    bool Line(const std::string& keyword, const std::string& rest, std::size_t lineNumber) {
        const bool inTrack = !times.empty();
        if (keyword == "TRACK") {
            return Track(rest, lineNumber);
        }
        if (keyword == "TITLE") {
            (inTrack ? naming().titles.back() : naming().album) = Value(rest);
        } else if (keyword == "PERFORMER") {
            (inTrack ? naming().performers.back() : naming().artist) = Value(rest);
        } else if (keyword == "INDEX" && inTrack) {
            return Index(rest, lineNumber);
        } else if (keyword == "REM") {
            Remark(rest, inTrack);
        } else if (keyword == "FILE") {
            ++files;
        }
        return true;
    }

    // The sheet once every line is read, or none when its tracks are incomplete.
    std::optional<CueSheet> Finish() {
        if (times.empty()) {
            problem = "it has no TRACK";
            return std::nullopt;
        }
        // The times of a sheet of several files count from each file's start, so
        // they are no places in the one recording: such a sheet gives names only.
        const bool severalFiles = files > 1;
        const bool anyTimed =
            !severalFiles && std::any_of(times.begin(), times.end(),
                                         [](const auto& time) { return time.has_value(); });
        for (std::size_t i = 0; anyTimed && i < times.size(); ++i) {
            if (!times[i]) {
                // Cutting at some tracks and guessing the others would misplace titles.
                problem =
                    "track " + std::to_string(naming().firstNumber + i) + " has no INDEX 01 time";
                return std::nullopt;
            }
            sheet.cuts.starts.push_back(TrackStart{*times[i], exactFrames[i]});
        }
        if (!anyTimed) {
            sheet.cuts.endFrame = -1;
        }
        return sheet;
    }

private:
    TrackNaming& naming() { return sheet.naming; }

    bool Track(const std::string& rest, std::size_t lineNumber) {
        std::istringstream fields(rest);
        std::string number;
        fields >> number;
        const auto value = Number(number);
        if (!value || *value == 0 || *value > kFirstNumberRule.maximum) {
            problem = "line " + std::to_string(lineNumber) + ": a TRACK without its number";
            return false;
        }
        if (times.empty()) {
            naming().firstNumber = static_cast<std::uint32_t>(*value);
        }
        times.emplace_back();
        exactFrames.push_back(-1);
        naming().titles.emplace_back();
        naming().performers.emplace_back();
        return true;
    }

    bool Index(const std::string& rest, std::size_t lineNumber) {
        std::istringstream fields(rest);
        std::string index;
        std::string time;
        fields >> index >> time;
        if (index != "01") {
            return true; // the pregap (00) and later indexes do not move the cut
        }
        const auto cdFrames = CueTime(time);
        if (!cdFrames) {
            problem =
                "line " + std::to_string(lineNumber) + ": the time " + time + " is not mm:ss:ff";
            return false;
        }
        times.back() = *cdFrames;
        return true;
    }

    void Remark(const std::string& rest, bool inTrack) {
        std::istringstream fields(rest);
        std::string what;
        fields >> what;
        std::string value;
        std::getline(fields, value);
        if (what == "DATE") {
            naming().date = Value(value);
        } else if (what == "GENRE") {
            naming().genre = Value(value);
        } else if (what == "COMMENT") {
            naming().comment = Value(value);
        } else if (what == kExactFrameRemark && inTrack) {
            if (const auto frame = Number(Value(value))) {
                exactFrames.back() = static_cast<std::int64_t>(*frame);
            }
        } else if (what == kEndFrameRemark) {
            if (const auto frame = Number(Value(value))) {
                sheet.cuts.endFrame = static_cast<std::int64_t>(*frame);
            }
        }
    }

    std::string& problem;
    CueSheet sheet;
    std::vector<std::optional<std::uint64_t>> times; // INDEX 01 of each track
    std::vector<std::int64_t> exactFrames;
    std::size_t files = 0; // FILE lines
};

} // namespace

std::optional<CueSheet> ParseCueSheet(std::string text, std::string& problem) {
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.erase(0, 3);
    }
    if (!IsUtf8(text)) {
        problem = "it is not UTF-8 text";
        return std::nullopt;
    }
    CueSheetReader reader(problem);
    std::istringstream lines(text);
    std::size_t lineNumber = 0;
    for (std::string line; std::getline(lines, line);) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        std::string rest;
        std::getline(words, rest);
        if (!reader.Line(keyword, rest, lineNumber)) {
            return std::nullopt;
        }
    }
    return reader.Finish();
}

namespace {

// A sheet's lines, with CRLF as cue sheets have them; fields with no value are left out.
class CueSheetText {
public:
    void Line(const std::string& indent, const std::string& text) {
        sheet += indent + text + "\r\n";
    }
    void Field(const std::string& indent, const char* keyword, const std::string& value) {
        if (!value.empty()) {
            Line(indent, std::string(keyword) + " \"" + OneLine(value) + "\"");
        }
    }
    void Album(const TrackNaming& naming) {
        Field("", "REM DATE", naming.date);
        Field("", "REM GENRE", naming.genre);
        Field("", "REM COMMENT", naming.comment);
        Field("", "PERFORMER", naming.artist);
        Field("", "TITLE", naming.album);
    }
    void File(const std::string& name) { Line("", "FILE \"" + OneLine(name) + "\" WAVE"); }
    // The TRACK line and the track's own names.
    void Track(const TrackNaming& naming, std::uint32_t position) {
        char number[16];
        std::snprintf(number, sizeof number, "%02u", TrackNumber(naming, position));
        Line("  ", std::string("TRACK ") + number + " AUDIO");
        Field("    ", "TITLE", TrackTitle(naming, position));
        if (position <= naming.performers.size()) {
            Field("    ", "PERFORMER", naming.performers[position - 1]);
        }
    }
    std::string Take() { return std::move(sheet); }

private:
    std::string sheet;
};

} // namespace

std::string FormatCueSheet(const SplitPlan& plan, std::uint32_t frameCount,
                           std::uint32_t sampleRate, const std::string& audioFile,
                           const TrackNaming& naming) {
    CueSheetText sheet;
    sheet.Album(naming);
    sheet.File(audioFile);
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    for (std::uint32_t position = 1; position <= spans.size(); ++position) {
        const SegmentSpan& span = spans[position - 1];
        sheet.Track(naming, position);
        sheet.Line("    ",
                   std::string("REM ") + kExactFrameRemark + " " + std::to_string(span.firstFrame));
        sheet.Line("    ", "INDEX 01 " + CueTimeText(CdFramesOfFrame(span.firstFrame, sampleRate)));
    }
    // The trimmed tail is in no file; a CD player would still play it.
    if (!spans.empty() && spans.back().endFrame < frameCount) {
        sheet.Line("", std::string("REM ") + kEndFrameRemark + " " +
                           std::to_string(spans.back().endFrame));
    }
    return sheet.Take();
}

std::string CueSheetAudioPath(const std::string& audioFile, const std::string& sheetFile) {
    const std::filesystem::path audio = PathFromUtf8(audioFile);
    const std::filesystem::path relative =
        audio.lexically_relative(PathFromUtf8(sheetFile).parent_path());
    return relative.empty() ? audioFile : Utf8FromPath(relative);
}

std::string TrackFilesCueSheetName(const std::string& prefix, const TrackNaming& naming) {
    const auto trimmed = [](const std::string& text) {
        const std::size_t first = text.find_first_not_of(" \t");
        return first == std::string::npos
                   ? std::string()
                   : text.substr(first, text.find_last_not_of(" \t") - first + 1);
    };
    std::string stem = trimmed(naming.album);
    if (stem.empty()) {
        stem = trimmed(prefix);
    }
    if (stem.empty()) {
        stem = kDefaultFileNamePrefix;
    }
    return FileNameSafeText(stem) + ".cue";
}
