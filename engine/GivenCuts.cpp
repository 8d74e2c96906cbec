#include "GivenCuts.h"

#include "Messages.h"

#include <algorithm>

std::uint64_t FrameOfStart(const TrackStart& start, std::uint32_t sampleRate) {
    // The exact frame counts only while it still lies in the time given, so a
    // sheet whose times were edited by hand cuts at the new times.
    if (start.exactFrame >= 0 && CdFramesOfFrame(static_cast<std::uint64_t>(start.exactFrame),
                                                 sampleRate) == start.cdFrames) {
        return static_cast<std::uint64_t>(start.exactFrame);
    }
    return start.cdFrames * sampleRate / kCdFramesPerSecond;
}

std::uint64_t CdFramesOfFrame(std::uint64_t frame, std::uint32_t sampleRate) {
    return sampleRate == 0 ? 0 : frame * kCdFramesPerSecond / sampleRate;
}

std::optional<std::string> PlanFromGivenCuts(const GivenCuts& cuts, std::uint32_t frameCount,
                                             std::uint32_t sampleRate, std::int16_t silenceSample,
                                             SplitPlan& plan) {
    const std::uint64_t end =
        cuts.endFrame >= 0 ? static_cast<std::uint64_t>(cuts.endFrame) : frameCount;
    if (cuts.starts.empty() || end > frameCount) {
        return FormatText(messages::kCutsDoNotFit, 1u);
    }
    plan = SplitPlan();
    std::uint64_t previous = 0;
    for (std::size_t i = 0; i < cuts.starts.size(); ++i) {
        const std::uint64_t start = FrameOfStart(cuts.starts[i], sampleRate);
        // Every track holds at least one frame, and the last ends within the recording.
        if ((i != 0 && start <= previous) || start >= end) {
            return FormatText(messages::kCutsDoNotFit, static_cast<unsigned>(i + 1));
        }
        if (i == 0) {
            plan.leadTrimFrame = static_cast<std::uint32_t>(start);
        } else {
            plan.splitPoints.push_back(static_cast<std::uint32_t>(start));
            const auto length = static_cast<std::uint32_t>(start - previous);
            plan.longestSegment = i == 1 ? length : std::max(plan.longestSegment, length);
            plan.shortestSegment = i == 1 ? length : std::min(plan.shortestSegment, length);
        }
        previous = start;
    }
    const auto last = static_cast<std::uint32_t>(end - previous);
    plan.longestSegment = plan.splitPoints.empty() ? last : std::max(plan.longestSegment, last);
    plan.shortestSegment = plan.splitPoints.empty() ? last : std::min(plan.shortestSegment, last);
    plan.segmentCount = static_cast<std::uint32_t>(cuts.starts.size());
    plan.tailEndFrame = end < frameCount ? static_cast<std::uint32_t>(end) : 0;
    // One-frame windows: the files begin and end exactly at the given frames.
    plan.windowFrames = 1;
    plan.silenceSample = silenceSample;
    return std::nullopt;
}
