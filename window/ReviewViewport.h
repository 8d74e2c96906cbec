// What part of the recording the review window shows and at what scale, without
// a window toolkit: the frames in view (zoom and scroll), the amplitude view
// (dB or linear), and the mapping of levels and the threshold to heights. The
// Qt and Win32 views draw and hit-test through it.
#pragma once

#include "PlanReview.h"

#include <cstdint>
#include <string>

enum class AmplitudeView {
    Decibels, // the default: quiet passages and the threshold stay visible
    Linear,
};

// The lowest level the dB view shows above the centre line, in dB below full scale.
inline constexpr double kDecibelFloor = -72.0;

// How far from the centre line a level (0 .. kFullScaleLevel) lies, as a
// fraction (0 .. 1) of the half height.
double LevelFraction(std::uint32_t level, AmplitudeView view);
// The level at a fraction of the half height (the inverse, clamped).
std::uint32_t LevelAtFraction(double fraction, AmplitudeView view);

// The sample size the analysis judges a recording at: 8-bit samples as bytes,
// every wider one reduced to 16 bits (the threshold's level follows it).
std::uint16_t JudgedBits(std::uint16_t bitsPerSample);

// The threshold trackbar position whose level lies nearest `level` for a
// recording of `bitsPerSample` (dragging the threshold line is moving the trackbar).
int ThresholdPositionForLevel(std::uint32_t level, std::uint16_t bitsPerSample);

class ReviewViewport {
public:
    explicit ReviewViewport(std::uint32_t frameCount, std::uint32_t sampleRate);

    std::uint32_t FirstFrame() const { return first; }
    std::uint32_t EndFrame() const { return end; }
    // The frames in view mapped on `columns` pixel columns.
    FrameScale Scale(std::uint32_t columns) const;
    bool Fitted() const; // the whole recording is in view

    // Zooming keeps `anchor` (a frame in view) at the same place on screen; the
    // view never shows less than kMinimumSpanMs or more than the recording.
    void ZoomIn(std::uint32_t anchor);
    void ZoomOut(std::uint32_t anchor);
    void Fit();
    // By a fraction of the span in view (negative: towards the start), clamped.
    void Scroll(double spans);
    // Scrolls as little as needed for `frame` to lie in view.
    void EnsureVisible(std::uint32_t frame);
    // Shows [firstFrame, endFrame) as far as the limits allow.
    void Show(std::uint32_t firstFrame, std::uint32_t endFrame);

    // The fewest frames in view: kMinimumSpanMs, or the whole of a shorter recording.
    std::uint32_t MinimumSpan() const;

    static constexpr std::uint32_t kMinimumSpanMs = 50;
    static constexpr double kZoomStep = 2.0;

private:
    void ZoomAround(std::uint32_t anchor, double factor);
    // Shows `span` frames from `firstFrame`, both clamped into the recording.
    void Place(std::int64_t firstFrame, std::uint64_t span);

    std::uint32_t frameCount;
    std::uint32_t sampleRate;
    std::uint32_t first = 0;
    std::uint32_t end = 0;
};

// The scroll bar counts in steps of this many frames, so a recording of any
// length fits its int range.
std::uint32_t ScrollUnit(std::uint32_t frameCount);

// Seconds between the labels of a time axis showing `spanFrames` over `width`
// pixels: the shortest step of the scale that keeps them `labelSpacing` apart.
double AxisStepSeconds(std::uint64_t spanFrames, std::uint32_t sampleRate, int width,
                       int labelSpacing);

// Whether the frames in view, drawn on `columns` columns, lie closer than the
// level table's blocks: they are then read exactly instead of drawn from it.
bool ViewCloserThanLevels(const ReviewViewport& view, const LevelTable& table,
                          std::uint32_t columns);
