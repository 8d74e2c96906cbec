#include "ReviewViewport.h"

#include "OptionRules.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

std::uint16_t JudgedBits(std::uint16_t bitsPerSample) {
    return bitsPerSample == 8 ? 8 : 16;
}

double LevelFraction(std::uint32_t level, AmplitudeView view) {
    const double clamped = std::min(level, kFullScaleLevel);
    if (view == AmplitudeView::Linear) {
        return clamped / kFullScaleLevel;
    }
    if (clamped <= 0) {
        return 0.0;
    }
    const double decibels = 20.0 * std::log10(clamped / kFullScaleLevel);
    return std::clamp((decibels - kDecibelFloor) / -kDecibelFloor, 0.0, 1.0);
}

std::uint32_t LevelAtFraction(double fraction, AmplitudeView view) {
    if (!(fraction > 0.0)) { // also NaN
        return 0;
    }
    fraction = std::min(fraction, 1.0);
    double level = fraction * kFullScaleLevel;
    if (view == AmplitudeView::Decibels) {
        const double decibels = kDecibelFloor + fraction * -kDecibelFloor;
        level = kFullScaleLevel * std::pow(10.0, decibels / 20.0);
    }
    return static_cast<std::uint32_t>(std::lround(std::clamp(level, 0.0, 1.0 * kFullScaleLevel)));
}

int ThresholdPositionForLevel(std::uint32_t level, std::uint16_t bitsPerSample) {
    // The levels grow with the position, but a step may hold several positions
    // (8-bit) or skip levels: the nearest wins, the lower on a tie.
    const std::uint16_t bits = JudgedBits(bitsPerSample);
    int best = 0;
    std::uint32_t bestDistance = UINT32_MAX;
    for (int position = 0; position <= kThresholdSteps; ++position) {
        const std::uint32_t at = ThresholdLevel(ThresholdTextForPosition(position), bits);
        const std::uint32_t distance = at > level ? at - level : level - at;
        if (distance < bestDistance) {
            best = position;
            bestDistance = distance;
        }
    }
    return best;
}

ReviewViewport::ReviewViewport(std::uint32_t frames, std::uint32_t rate)
    : frameCount(frames), sampleRate(rate), end(frames) {}

FrameScale ReviewViewport::Scale(std::uint32_t columns) const {
    return FrameScale(first, end, columns);
}

bool ReviewViewport::Fitted() const {
    return first == 0 && end == frameCount;
}

std::uint32_t ReviewViewport::MinimumSpan() const {
    const std::uint64_t frames = std::uint64_t{sampleRate} * kMinimumSpanMs / 1000;
    return static_cast<std::uint32_t>(
        std::clamp<std::uint64_t>(frames, 1, std::max(1u, frameCount)));
}

void ReviewViewport::ZoomAround(std::uint32_t anchor, double factor) {
    const std::uint64_t span = end - first;
    const auto wanted =
        static_cast<std::uint64_t>(std::llround(static_cast<double>(span) * factor));
    const std::uint64_t newSpan =
        std::clamp<std::uint64_t>(wanted, MinimumSpan(), std::max(1u, frameCount));
    anchor = std::clamp(anchor, first, std::max(first, end));
    // The anchor keeps its share of the span before it.
    const double before = span == 0 ? 0.5 : static_cast<double>(anchor - first) / span;
    const auto lead = static_cast<std::int64_t>(std::llround(before * newSpan));
    const std::int64_t newFirst = static_cast<std::int64_t>(anchor) - lead;
    Place(newFirst, newSpan);
}

void ReviewViewport::ZoomIn(std::uint32_t anchor) {
    ZoomAround(anchor, 1.0 / kZoomStep);
}

void ReviewViewport::ZoomOut(std::uint32_t anchor) {
    ZoomAround(anchor, kZoomStep);
}

void ReviewViewport::Fit() {
    first = 0;
    end = frameCount;
}

void ReviewViewport::Scroll(double spans) {
    const std::uint64_t span = end - first;
    const auto shift = static_cast<std::int64_t>(std::llround(spans * static_cast<double>(span)));
    // At least a frame, so a small step on a short span still moves.
    const std::int64_t step = shift == 0 && spans != 0.0 ? (spans > 0 ? 1 : -1) : shift;
    Place(static_cast<std::int64_t>(first) + step, span);
}

void ReviewViewport::EnsureVisible(std::uint32_t frame) {
    const std::uint64_t span = end - first;
    if (frame < first) {
        Place(frame, span);
    } else if (frame >= end) {
        Place(static_cast<std::int64_t>(frame) - static_cast<std::int64_t>(span) + 1, span);
    }
}

void ReviewViewport::Show(std::uint32_t firstFrame, std::uint32_t endFrame) {
    const std::uint64_t wanted = endFrame > firstFrame ? endFrame - firstFrame : 0;
    const std::uint64_t span =
        std::clamp<std::uint64_t>(wanted, MinimumSpan(), std::max(1u, frameCount));
    // A span widened to the minimum grows around the middle of what was asked.
    const std::int64_t middle = (std::int64_t{firstFrame} + std::max(firstFrame, endFrame)) / 2;
    Place(wanted == span ? std::int64_t{firstFrame} : middle - static_cast<std::int64_t>(span / 2),
          span);
}

void ReviewViewport::Place(std::int64_t firstFrame, std::uint64_t span) {
    span = std::min<std::uint64_t>(span, frameCount);
    const std::int64_t last = static_cast<std::int64_t>(frameCount - span);
    first = static_cast<std::uint32_t>(std::clamp<std::int64_t>(firstFrame, 0, last));
    end = static_cast<std::uint32_t>(first + span);
}

std::uint32_t ScrollUnit(std::uint32_t frameCount) {
    return std::max<std::uint32_t>(1, frameCount / 100000);
}

double AxisStepSeconds(std::uint64_t spanFrames, std::uint32_t sampleRate, int width,
                       int labelSpacing) {
    static constexpr double kSteps[] = {0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1,   2,    5,   10,
                                        15,   30,   60,   120, 300, 600, 900, 1800, 3600};
    const double seconds = static_cast<double>(spanFrames) / std::max<std::uint32_t>(1, sampleRate);
    const double wanted = seconds * labelSpacing / std::max(1, width);
    for (const double step : kSteps) {
        if (step >= wanted) {
            return step;
        }
    }
    return 7200;
}

bool ViewCloserThanLevels(const ReviewViewport& view, const LevelTable& table,
                          std::uint32_t columns) {
    return std::uint64_t{view.EndFrame() - view.FirstFrame()} <
           std::uint64_t{table.windowFrames} * columns;
}
