#include "TracksByCount.h"

#include "CutList.h"

#include <algorithm>
#include <vector>

namespace {

struct Pause {
    std::size_t first = 0; // first quiet window
    std::size_t end = 0;   // the window after the pause, which has sound
    std::uint64_t levelSum = 0;
};

// The runs of windows below `level` that have a louder window on both sides.
std::vector<Pause> PausesBelow(const std::vector<std::uint32_t>& levels, std::uint32_t level) {
    std::vector<Pause> pauses;
    std::size_t i = 0;
    while (i < levels.size() && levels[i] < level) {
        ++i; // quiet before the first sound is no pause
    }
    while (i < levels.size()) {
        if (levels[i] >= level) {
            ++i;
            continue;
        }
        Pause pause;
        pause.first = i;
        while (i < levels.size() && levels[i] < level) {
            pause.levelSum += levels[i];
            ++i;
        }
        pause.end = i;
        if (i < levels.size()) {
            pauses.push_back(pause);
        }
    }
    return pauses;
}

// The cuts at the pauses below `level`, longest (then quietest) first, passing
// over those that would leave a track shorter than the minimum.
struct Choice {
    std::vector<std::uint32_t> cuts;
    std::uint32_t lead = 0;
    std::uint32_t tailEnd = 0;
};

Choice ChooseCuts(const std::vector<std::uint32_t>& levels, std::uint32_t level, std::uint64_t w,
                  std::uint32_t frameCount, std::uint32_t wanted, std::uint64_t minTrackFrames,
                  bool trimSilence) {
    Choice choice;
    if (trimSilence) {
        std::size_t first = 0;
        while (first < levels.size() && levels[first] < level) {
            ++first;
        }
        std::size_t last = levels.size();
        while (last > first && levels[last - 1] < level) {
            --last;
        }
        if (first < last) {
            choice.lead = static_cast<std::uint32_t>(first * w);
            choice.tailEnd = last == levels.size() ? 0 : static_cast<std::uint32_t>(last * w);
        }
    }
    const std::uint64_t keptEnd = choice.tailEnd != 0 ? choice.tailEnd : frameCount;
    std::vector<Pause> pauses = PausesBelow(levels, level);
    std::sort(pauses.begin(), pauses.end(), [](const Pause& a, const Pause& b) {
        const std::size_t lengthA = a.end - a.first;
        const std::size_t lengthB = b.end - b.first;
        if (lengthA != lengthB) {
            return lengthA > lengthB;
        }
        return a.levelSum * lengthB < b.levelSum * lengthA;
    });
    std::vector<std::uint32_t>& cuts = choice.cuts;
    for (const Pause& pause : pauses) {
        if (cuts.size() == wanted) {
            break;
        }
        const std::uint64_t cut = pause.end * w;
        if (cut <= choice.lead || cut >= keptEnd) {
            continue;
        }
        const auto next = std::lower_bound(cuts.begin(), cuts.end(), cut);
        const std::uint64_t before = next == cuts.begin() ? choice.lead : *(next - 1);
        const std::uint64_t after = next == cuts.end() ? keptEnd : *next;
        if (cut - before < minTrackFrames || after - cut < minTrackFrames) {
            continue;
        }
        cuts.insert(next, static_cast<std::uint32_t>(cut));
    }
    return choice;
}

} // namespace

TracksByCountResult TracksByCount(const LevelTable& table, std::uint32_t frameCount,
                                  std::uint32_t trackCount, std::uint64_t minTrackFrames,
                                  bool useAverageMethod, bool trimSilence) {
    TracksByCountResult result;
    const std::uint64_t w = table.windowFrames;
    std::vector<std::uint32_t> levels(table.windows.size());
    for (std::size_t i = 0; i < levels.size(); ++i) {
        levels[i] = useAverageMethod ? table.MeanOf(i) : table.PeakOf(i);
    }
    const std::uint32_t wanted = trackCount > 0 ? trackCount - 1 : 0;

    // The lowest level at which enough pauses separate the recording: each
    // distinct window level is tried, lowest first; failing that, the level that
    // separates it into the most tracks.
    std::vector<std::uint32_t> candidates(levels);
    std::sort(candidates.begin(), candidates.end());
    // A pause is clearly quieter than the recording's typical window (a quarter
    // of the median level, 12 dB down), so the music itself is never cut up.
    const std::uint32_t ceiling = candidates.empty() ? 0 : candidates[candidates.size() / 2] / 4;
    candidates.erase(std::upper_bound(candidates.begin(), candidates.end(), ceiling),
                     candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    Choice best;
    for (const std::uint32_t candidate : candidates) {
        Choice choice =
            ChooseCuts(levels, candidate + 1, w, frameCount, wanted, minTrackFrames, trimSilence);
        if (choice.cuts.size() > best.cuts.size() || candidate == candidates.front()) {
            best = std::move(choice);
        }
        if (best.cuts.size() >= wanted) {
            break;
        }
    }
    result.pausesFound = static_cast<std::uint32_t>(best.cuts.size());
    PlanFromCutPoints(std::move(best.cuts), best.lead, best.tailEnd, frameCount,
                      static_cast<std::uint32_t>(w), table.silenceSample, result.plan);
    return result;
}
