#include "LabelFile.h"

#include "OutputFiles.h"
#include "SegmentWriter.h"

#include <algorithm>
#include <charconv>

namespace {

// Fixed six decimals with '.' whatever the locale, as label files expect.
void AppendSeconds(std::string& out, std::uint32_t frame, std::uint32_t sampleRate) {
    char buffer[64];
    const double seconds = static_cast<double>(frame) / sampleRate;
    auto [end, error] =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 6);
    out.append(buffer, error == std::errc() ? end : buffer);
}

} // namespace

std::string FormatLabels(const SplitPlan& plan, std::uint32_t frameCount, std::uint32_t sampleRate,
                         const std::string& fileNamePrefix, const TrackNaming& naming) {
    std::string labels;
    const std::vector<SegmentSpan> spans = LayOutSegments(plan, frameCount);
    const auto count = static_cast<std::uint32_t>(spans.size());
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string name = TrackTitle(naming, i + 1);
        if (name.empty()) {
            name = TrackFileName(fileNamePrefix, naming, i + 1, plan.segmentCount);
        }
        // A line break in a title would start a label of its own.
        std::replace_if(
            name.begin(), name.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; },
            ' ');
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".wav") == 0) {
            name.resize(name.size() - 4);
        }
        AppendSeconds(labels, spans[i].firstFrame, sampleRate);
        labels += '\t';
        AppendSeconds(labels, spans[i].endFrame, sampleRate);
        labels += '\t';
        labels += name;
        labels += '\n';
    }
    return labels;
}

bool WriteLabelFile(const std::string& path, const std::string& labels) {
    return WriteWholeFile(path, labels);
}
