// The review window's waveform: the frames in view with the planned files as
// numbered bands, the cuts, the trimmed ends and the threshold line. The user
// selects, drags, adds and deletes cuts here, drags the threshold line, zooms
// and scrolls; the review model decides every edit and the viewport what is in
// view, so this widget only draws and turns mouse and keys into their calls.
#pragma once

#include "Listening.h"
#include "PlanReview.h"
#include "ReviewModel.h"
#include "ReviewViewport.h"

#include <QWidget>

#include <memory>
#include <optional>

class QPainter;

namespace qtui {

class CWaveformView : public QWidget {
    Q_OBJECT

public:
    CWaveformView(ReviewModel& model, ReviewViewport& viewport, QWidget* parent = nullptr);

    // The picture of the frames in view (any column count; drawn stretched).
    void SetOverview(std::shared_ptr<const WaveOverview> overview);
    const WaveOverview* Overview() const { return overview.get(); }
    void SetAmplitudeView(AmplitudeView view);
    AmplitudeView Amplitude() const { return amplitude; }
    // The level the threshold line stands at, and whether the average method's
    // window means are drawn (they are what it compares).
    void SetThreshold(std::uint32_t level, bool windowMeans);
    std::uint32_t ThresholdLevelShown() const { return thresholdLevel; }
    // A new plan is being made (or the levels measured): the bands are greyed.
    void SetAnalysing(bool analysing, const QString& text);
    // The model's plan or selection changed: draw it again.
    void PlanChanged();
    // Where the clip that plays stands now; none: no line.
    void SetPlayLine(std::optional<std::uint32_t> frame);
    std::optional<std::uint32_t> PlayLine() const { return playLine; }

    // Where things are drawn, in this widget's pixels.
    QRect PlotRect() const;
    FrameScale Scale() const;
    int XOfFrame(std::uint32_t frame) const;
    std::uint32_t FrameAtX(int x) const;
    int ThresholdLineY() const; // the upper line
    // The frame Insert adds a cut at: the pointer's, or the view's middle.
    std::uint32_t InsertFrame() const;

    static constexpr int kGrabPixels = 4; // how near a line the pointer takes it

signals:
    // The frames in view changed: a new picture is needed.
    void ViewChanged();
    // An edit was tried (done, or refused with the model's sentence).
    void Edited(const EditResult& result);
    void SelectionChanged();
    // The threshold line was dragged to the trackbar position it now stands for.
    void ThresholdDragged(int position);
    // What the pointer is over, for the status line.
    void Hovered(const QString& text);
    // A play key: around the selected cut, or (Band) the band at `frame`, the
    // pointer's frame or the view's middle.
    void PlayRequested(ListenAction action, std::uint32_t frame);
    // Space: play or stop.
    void PlayToggled();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool event(QEvent* event) override;

private:
    void DrawBands(QPainter& painter, const QRect& plot) const;
    void DrawWaveform(QPainter& painter, const QRect& plot) const;
    void DrawLines(QPainter& painter, const QRect& plot) const;
    void DrawTimeAxis(QPainter& painter, const QRect& plot) const;
    int OffsetOf(std::uint32_t level, int half) const;
    bool NearThresholdLine(int y) const;
    std::optional<std::size_t> CutAtX(int x) const;
    bool NavigationKey(QKeyEvent* event);
    void ZoomAt(bool in, std::uint32_t anchor);
    void ViewMoved();
    void Report(const EditResult& result);

    ReviewModel& model;
    ReviewViewport& viewport;
    std::shared_ptr<const WaveOverview> overview;
    AmplitudeView amplitude = AmplitudeView::Decibels;
    std::uint32_t thresholdLevel = 0;
    bool windowMeans = false;
    bool analysing = false;
    QString analysingText;
    enum class Drag { None, Cut, Threshold } drag = Drag::None;
    std::optional<int> pointerX;
    std::optional<std::uint32_t> playLine;
};

} // namespace qtui
