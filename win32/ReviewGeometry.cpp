#include "ReviewGeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace winui {

namespace {

// Sizes at 96 DPI.
constexpr int kMargin = 8;
constexpr int kGap = 6;
constexpr int kRowHeight = 24;
// The trackbar's thumb and its tick marks below it.
constexpr int kTrackbarRowHeight = 32;
constexpr int kTextHeight = 16;
constexpr int kScrollBarHeight = 17;
constexpr int kListsHeight = 150;
constexpr int kButtonWidth = 80;
constexpr int kMinimumWaveformHeight = 140;
constexpr int kDefaultWidth = 900;
constexpr int kDefaultHeight = 620;
// A stored size past any screen (a hand-edited store) is taken as this.
constexpr int kLargestStored = 16384;
// The analysis row, left to right: caption, trackbar (at least), value, the
// two methods and the amplitude view.
constexpr int kThresholdCaptionWidth = 96;
constexpr int kMinimumTrackbarWidth = 160;
constexpr int kThresholdTextWidth = 52;
constexpr int kMethodWidth = 112;
constexpr int kLinearWidth = 96;
// The edit row: snapping, tracks by count, the play buttons, saving the labels,
// undo and redo.
constexpr int kSnapWidth = 104;
constexpr int kTracksCaptionWidth = 76;
constexpr int kTrackCountWidth = 44;
constexpr int kArrowsWidth = 18;
constexpr int kSplitWidth = 84;
constexpr int kUndoWidth = 64;
constexpr int kPlayWidth = 80;
constexpr int kSaveLabelsWidth = 96;

// Inside the waveform control.
constexpr int kPlotMargin = 4;
constexpr int kAxisHeight = 16;
constexpr int kGrabPixels = 4;

// Places rectangles of given widths left to right in one row.
class RowBuilder {
public:
    RowBuilder(int left, int top, int height, int dpi)
        : x(left), top(top), height(height), dpi(dpi) {}
    PixelRect Next(int widthAt96, int heightAt96 = 0) {
        const int width = ScaledForDpi(widthAt96, dpi);
        const int h = heightAt96 > 0 ? ScaledForDpi(heightAt96, dpi) : height;
        const int y = top + (height - h) / 2; // centred in the row
        const PixelRect rect{x, y, x + width, y + h};
        x += width;
        return rect;
    }
    PixelRect Stretch(int right, int heightAt96 = 0) {
        const int h = heightAt96 > 0 ? ScaledForDpi(heightAt96, dpi) : height;
        const int y = top + (height - h) / 2;
        const PixelRect rect{x, y, std::max(x, right), y + h};
        x = rect.right;
        return rect;
    }
    void Skip(int widthAt96) { x += ScaledForDpi(widthAt96, dpi); }
    int X() const { return x; }

private:
    int x;
    int top;
    int height;
    int dpi;
};

int AnalysisRowWidth() {
    return kThresholdCaptionWidth + kMinimumTrackbarWidth + kThresholdTextWidth + kGap +
           2 * kMethodWidth + kGap + kLinearWidth;
}

int EditRowWidth() {
    return kSnapWidth + kGap + kTracksCaptionWidth + kTrackCountWidth + kArrowsWidth + kGap +
           kSplitWidth + 2 * kGap + 3 * kPlayWidth + 2 * kGap + kGap + kSaveLabelsWidth + 2 * kGap +
           2 * kUndoWidth + kGap;
}

// Heights of everything but the waveform at `dpi`, each scaled on its own as
// the layout places it, so that fractional scales leave the waveform its minimum.
int FixedHeight(int dpi) {
    int height = 0;
    for (const int part :
         {kMargin, kScrollBarHeight, kTextHeight, kGap, kTrackbarRowHeight, kGap, kRowHeight, kGap,
          kTextHeight, kListsHeight, kGap, kRowHeight, kMargin}) {
        height += ScaledForDpi(part, dpi);
    }
    return height;
}

} // namespace

int ScaledForDpi(int pixelsAt96, int dpi) {
    return static_cast<int>(std::lround(static_cast<double>(pixelsAt96) * std::max(dpi, 1) / 96.0));
}

PixelSize MinimumReviewClientSize(int dpi) {
    const int width = 2 * kMargin + std::max(AnalysisRowWidth(), EditRowWidth());
    return {ScaledForDpi(width, dpi), FixedHeight(dpi) + ScaledForDpi(kMinimumWaveformHeight, dpi)};
}

PixelSize OpeningClientSize(std::optional<PixelSize> storedAt96, int dpi) {
    PixelSize wanted = storedAt96.value_or(PixelSize{kDefaultWidth, kDefaultHeight});
    wanted = {std::clamp(wanted.width, 1, kLargestStored),
              std::clamp(wanted.height, 1, kLargestStored)};
    const PixelSize minimum = MinimumReviewClientSize(dpi);
    return {std::max(minimum.width, ScaledForDpi(wanted.width, dpi)),
            std::max(minimum.height, ScaledForDpi(wanted.height, dpi))};
}

PixelSize StoredClientSize(PixelSize client, int dpi) {
    const auto unscaled = [dpi](int pixels) {
        return static_cast<int>(std::lround(static_cast<double>(pixels) * 96.0 / std::max(dpi, 1)));
    };
    return {unscaled(client.width), unscaled(client.height)};
}

ReviewLayout LayOutReview(int width, int height, int dpi) {
    const PixelSize minimum = MinimumReviewClientSize(dpi);
    width = std::max(width, minimum.width);
    height = std::max(height, minimum.height);
    const auto s = [dpi](int pixels) { return ScaledForDpi(pixels, dpi); };
    const int left = s(kMargin);
    const int right = width - s(kMargin);
    ReviewLayout layout;
    using P = ReviewPart;

    // Bottom up: the buttons with the status line beside them, the lists, the
    // edit and analysis rows; the waveform takes the rest.
    int bottom = height - s(kMargin);
    const int buttonsTop = bottom - s(kRowHeight);
    layout[P::Cancel] = {right - s(kButtonWidth), buttonsTop, right, bottom};
    layout[P::Ok] = {layout[P::Cancel].left - s(kGap) - s(kButtonWidth), buttonsTop,
                     layout[P::Cancel].left - s(kGap), bottom};
    layout[P::Status] = {left, buttonsTop, layout[P::Ok].left - s(kGap), bottom};
    bottom = buttonsTop - s(kGap);

    const int listsTop = bottom - s(kListsHeight);
    const int trackListRight = left + (right - left) * 11 / 20;
    layout[P::TrackList] = {left, listsTop, trackListRight, bottom};
    layout[P::Summary] = {trackListRight + s(kGap), listsTop, right, bottom};
    layout[P::TrackListCaption] = {left, listsTop - s(kTextHeight), trackListRight, listsTop};
    bottom = listsTop - s(kTextHeight) - s(kGap);

    RowBuilder edit(left, bottom - s(kRowHeight), s(kRowHeight), dpi);
    layout[P::SnapToQuiet] = edit.Next(kSnapWidth);
    edit.Skip(kGap);
    layout[P::TracksCaption] = edit.Next(kTracksCaptionWidth, kTextHeight);
    layout[P::TrackCount] = edit.Next(kTrackCountWidth, 22);
    layout[P::TrackCountArrows] = edit.Next(kArrowsWidth, 22);
    edit.Skip(kGap);
    layout[P::SplitIntoTracks] = edit.Next(kSplitWidth);
    edit.Skip(2 * kGap);
    layout[P::PlayBefore] = edit.Next(kPlayWidth);
    edit.Skip(kGap);
    layout[P::PlayAcross] = edit.Next(kPlayWidth);
    edit.Skip(kGap);
    layout[P::PlayAfter] = edit.Next(kPlayWidth);
    // Saving the labels, undo and redo at the right end.
    RowBuilder undo(right - s(kSaveLabelsWidth + 2 * kGap + 2 * kUndoWidth + kGap),
                    bottom - s(kRowHeight), s(kRowHeight), dpi);
    layout[P::SaveLabels] = undo.Next(kSaveLabelsWidth);
    undo.Skip(2 * kGap);
    layout[P::Undo] = undo.Next(kUndoWidth);
    undo.Skip(kGap);
    layout[P::Redo] = undo.Next(kUndoWidth);
    bottom -= s(kRowHeight) + s(kGap);

    RowBuilder analysis(left, bottom - s(kTrackbarRowHeight), s(kTrackbarRowHeight), dpi);
    layout[P::ThresholdCaption] = analysis.Next(kThresholdCaptionWidth, kTextHeight);
    const int trackbarRight =
        right - s(kThresholdTextWidth + kGap + 2 * kMethodWidth + kGap + kLinearWidth);
    layout[P::Threshold] = analysis.Stretch(trackbarRight);
    layout[P::ThresholdText] = analysis.Next(kThresholdTextWidth, kTextHeight);
    analysis.Skip(kGap);
    layout[P::AverageMethod] = analysis.Next(kMethodWidth, kRowHeight);
    layout[P::MaximumMethod] = analysis.Next(kMethodWidth, kRowHeight);
    analysis.Skip(kGap);
    layout[P::LinearView] = analysis.Stretch(right, kRowHeight);
    bottom -= s(kTrackbarRowHeight) + s(kGap);

    layout[P::Hover] = {left, bottom - s(kTextHeight), right, bottom};
    bottom -= s(kTextHeight);
    layout[P::ScrollBar] = {left, bottom - s(kScrollBarHeight), right, bottom};
    bottom -= s(kScrollBarHeight);
    layout[P::Waveform] = {left, s(kMargin), right, bottom};
    return layout;
}

PixelRect WaveformPlot(int width, int height, int dpi) {
    const int margin = ScaledForDpi(kPlotMargin, dpi);
    const int axis = ScaledForDpi(kAxisHeight, dpi);
    return {margin, margin, std::max(margin + 1, width - margin),
            std::max(margin + 2, height - margin - axis)};
}

int XOfFrame(const FrameScale& scale, const PixelRect& plot, std::uint64_t frame) {
    return plot.left + static_cast<int>(scale.ColumnOf(frame));
}

std::uint32_t FrameAtX(const FrameScale& scale, const PixelRect& plot, int x) {
    return scale.FrameAtColumn(static_cast<std::int64_t>(x) - plot.left);
}

std::uint32_t GrabToleranceFrames(const FrameScale& scale, int dpi) {
    const std::uint64_t span = scale.EndFrame() - scale.FirstFrame();
    const std::uint64_t pixels = static_cast<std::uint64_t>(ScaledForDpi(kGrabPixels, dpi));
    const std::uint64_t frames = span * pixels / std::max<std::uint32_t>(1, scale.Columns());
    return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(frames, 1, UINT32_MAX));
}

bool NearLine(int x, int lineX, int dpi) {
    return std::abs(x - lineX) <= ScaledForDpi(kGrabPixels, dpi);
}

int LevelOffsetPixels(std::uint32_t level, AmplitudeView view, int half) {
    return static_cast<int>(std::lround(LevelFraction(level, view) * half));
}

std::uint32_t LevelAtY(const PixelRect& plot, int y, AmplitudeView view) {
    const int centre = plot.top + plot.Height() / 2;
    const double half = std::max(1, plot.Height() / 2);
    return LevelAtFraction(std::min(1.0, std::abs(centre - y) / half), view);
}

bool NearThresholdLine(const PixelRect& plot, int y, std::uint32_t level, AmplitudeView view,
                       int dpi) {
    const int centre = plot.top + plot.Height() / 2;
    const int offset = LevelOffsetPixels(level, view, plot.Height() / 2);
    return NearLine(y, centre - offset, dpi) || NearLine(y, centre + offset, dpi);
}

} // namespace winui
