// Where the Windows review window puts things and what a point in its waveform
// stands for, in physical pixels at the window's DPI: the controls' rectangles
// for a client size, the plot inside the waveform control, the frame under an
// x, the cut a click takes, and the level at a height. Pure functions, so the
// scaling is tested without a screen; the review model decides everything else.
#pragma once

#include "PlanReview.h"
#include "ReviewViewport.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace winui {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// Design sizes are given at 96 DPI; the window scales them to its own.
int ScaledForDpi(int pixelsAt96, int dpi);

// The review window's controls, each in a rectangle of its own.
enum class ReviewPart {
    Waveform,
    ScrollBar,
    Hover,
    ThresholdCaption,
    Threshold,
    ThresholdText,
    AverageMethod,
    MaximumMethod,
    TracksCaption,
    TrackCount,
    TrackCountArrows,
    SplitIntoTracks,
    SnapToQuiet,
    LinearView,
    SaveLabels,
    Undo,
    Redo,
    PlayBefore,
    PlayAcross,
    PlayAfter,
    TrackListCaption,
    TrackList,
    Summary,
    Status,
    Ok,
    Cancel,
    Count,
};

struct ReviewLayout {
    std::array<PixelRect, static_cast<std::size_t>(ReviewPart::Count)> parts{};
    const PixelRect& operator[](ReviewPart part) const {
        return parts[static_cast<std::size_t>(part)];
    }
    PixelRect& operator[](ReviewPart part) { return parts[static_cast<std::size_t>(part)]; }
};

// The smallest client area every control fits in at `dpi`.
struct PixelSize {
    int width = 0;
    int height = 0;
};
PixelSize MinimumReviewClientSize(int dpi);

// The client size the window opens at: the stored one (kept at 96 DPI) scaled
// to `dpi`, or a default; never smaller than the controls need.
PixelSize OpeningClientSize(std::optional<PixelSize> storedAt96, int dpi);
// The client size to store, at 96 DPI: the window opens as large on any
// display, and opening and closing it on one display does not change it.
PixelSize StoredClientSize(PixelSize client, int dpi);

// The controls for a client area of `width` x `height` (never laid out smaller
// than the minimum; a smaller window shows the rest cut off). The waveform
// takes whatever height and width the fixed rows leave.
ReviewLayout LayOutReview(int width, int height, int dpi);

// The waveform control's plot (inside its margins, above the time axis) for a
// control of `width` x `height`.
PixelRect WaveformPlot(int width, int height, int dpi);

// Columns of the plot and frames in view.
int XOfFrame(const FrameScale& scale, const PixelRect& plot, std::uint64_t frame);
std::uint32_t FrameAtX(const FrameScale& scale, const PixelRect& plot, int x);

// How many frames either side of a cut line the pointer still takes it: a few
// pixels at the window's DPI, at least one frame.
std::uint32_t GrabToleranceFrames(const FrameScale& scale, int dpi);
// Whether `x` is within grabbing distance of a line at `lineX`.
bool NearLine(int x, int lineX, int dpi);

// Pixels from the centre line for a level in a half height of `half` pixels.
int LevelOffsetPixels(std::uint32_t level, AmplitudeView view, int half);
// The level a height in the plot stands for, the same above and below the
// centre line (the threshold line is drawn on both sides).
std::uint32_t LevelAtY(const PixelRect& plot, int y, AmplitudeView view);
// Whether `y` takes one of the two threshold lines of `level`.
bool NearThresholdLine(const PixelRect& plot, int y, std::uint32_t level, AmplitudeView view,
                       int dpi);

} // namespace winui
