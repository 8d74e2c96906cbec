#include "CutList.h"

#include "TextLines.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

// A time in seconds: digits with at most one '.', at least one digit, no sign.
bool ReadSeconds(std::string_view field, double& seconds) {
    while (!field.empty() && (field.front() == ' ' || field.front() == '\r')) {
        field.remove_prefix(1);
    }
    while (!field.empty() && (field.back() == ' ' || field.back() == '\r')) {
        field.remove_suffix(1);
    }
    bool digit = false;
    bool point = false;
    for (const char c : field) {
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    if (!digit) {
        return false;
    }
    const char* end = field.data() + field.size();
    const auto [stop, error] =
        std::from_chars(field.data(), end, seconds, std::chars_format::fixed);
    return error == std::errc() && stop == end && std::isfinite(seconds);
}

std::string Describe(const char* what, std::string_view line) {
    std::string text(what);
    text += ": '";
    text += line.substr(0, 80);
    text += '\'';
    return text;
}

// Seconds to the nearest frame; false past `limit`.
bool FrameOf(double seconds, std::uint32_t sampleRate, std::uint32_t limit, std::uint32_t& frame) {
    const double frames = std::nearbyint(seconds * sampleRate);
    if (!(frames <= static_cast<double>(limit))) {
        return false;
    }
    frame = static_cast<std::uint32_t>(frames);
    return true;
}

} // namespace

bool ReadLabelTracks(std::string_view text, std::vector<LabelTrack>& tracks,
                     CutListProblem& problem) {
    tracks.clear();
    std::size_t lineNumber = 0;
    for (const std::string_view line : TextLines(text)) {
        ++lineNumber;
        if (line.find_first_not_of(" \t") == std::string_view::npos || line.front() == '\\') {
            continue;
        }
        const std::size_t tab1 = line.find('\t');
        const std::size_t tab2 = tab1 == std::string_view::npos ? tab1 : line.find('\t', tab1 + 1);
        LabelTrack track;
        track.line = lineNumber;
        if (tab1 == std::string_view::npos ||
            !ReadSeconds(line.substr(0, tab1), track.startSeconds) ||
            !ReadSeconds(line.substr(tab1 + 1, tab2 == std::string_view::npos
                                                   ? std::string_view::npos
                                                   : tab2 - tab1 - 1),
                         track.endSeconds)) {
            problem = {lineNumber,
                       Describe("expected start<TAB>end<TAB>name in seconds such as 12.5", line)};
            return false;
        }
        if (track.endSeconds <= track.startSeconds) {
            problem = {lineNumber, Describe("the track ends before it starts", line)};
            return false;
        }
        if (!tracks.empty()) {
            if (track.startSeconds <= tracks.back().startSeconds) {
                problem = {lineNumber,
                           Describe("the tracks are not in the order of the recording", line)};
                return false;
            }
            if (track.startSeconds < tracks.back().endSeconds) {
                problem = {lineNumber, Describe("the track overlaps the one before", line)};
                return false;
            }
        }
        tracks.push_back(track);
    }
    if (tracks.empty()) {
        problem = {0, "no track in the label file"};
        return false;
    }
    return true;
}

bool GivenCutsFromTracks(const std::vector<LabelTrack>& tracks, std::uint32_t frameCount,
                         std::uint32_t sampleRate, GivenCuts& cuts, CutListProblem& problem) {
    cuts = GivenCuts();
    if (tracks.empty()) {
        problem = {0, "no track in the label file"};
        return false;
    }
    std::uint32_t end = 0;
    for (const LabelTrack& track : tracks) {
        std::uint32_t start = 0;
        if (!FrameOf(track.startSeconds, sampleRate, frameCount, start) ||
            !FrameOf(track.endSeconds, sampleRate, frameCount, end)) {
            problem = {track.line, "the track ends after the recording"};
            return false;
        }
        // Two times so close that they fall on one frame make no track.
        if (end <= start || (!cuts.starts.empty() &&
                             start <= static_cast<std::uint64_t>(cuts.starts.back().exactFrame))) {
            problem = {track.line, "the track is shorter than one frame"};
            return false;
        }
        cuts.starts.push_back({CdFramesOfFrame(start, sampleRate), start});
    }
    cuts.endFrame = end == frameCount ? -1 : static_cast<std::int64_t>(end);
    return true;
}

bool PlanFromCutPoints(std::vector<std::uint32_t> splitPoints, std::uint32_t leadTrimFrame,
                       std::uint32_t tailEndFrame, std::uint32_t frameCount,
                       std::uint32_t windowFrames, std::int16_t silenceSample, SplitPlan& plan) {
    const std::uint32_t keptEnd = tailEndFrame != 0 ? tailEndFrame : frameCount;
    std::uint32_t previous = leadTrimFrame;
    for (const std::uint32_t point : splitPoints) {
        if (point <= previous || point >= keptEnd) {
            return false;
        }
        previous = point;
    }
    plan = SplitPlan();
    plan.leadTrimFrame = leadTrimFrame;
    plan.tailEndFrame = tailEndFrame;
    plan.windowFrames = windowFrames;
    plan.silenceSample = silenceSample;
    plan.splitPoints = std::move(splitPoints);
    plan.segmentCount = static_cast<std::uint32_t>(plan.splitPoints.size()) + 1;
    if (plan.splitPoints.empty()) {
        return true;
    }
    // As the analysis counts them: the last segment runs to the recording's end.
    previous = leadTrimFrame;
    plan.shortestSegment = UINT32_MAX;
    for (std::size_t i = 0; i <= plan.splitPoints.size(); ++i) {
        const std::uint32_t end = i < plan.splitPoints.size() ? plan.splitPoints[i] : frameCount;
        plan.longestSegment = std::max(plan.longestSegment, end - previous);
        plan.shortestSegment = std::min(plan.shortestSegment, end - previous);
        previous = end;
    }
    return true;
}
