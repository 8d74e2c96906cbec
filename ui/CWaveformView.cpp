#include "CWaveformView.h"
#include "Messages.h"

#include <QHelpEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>

namespace qtui {

namespace {

constexpr int kMargin = 4;      // around the plot inside the view
constexpr int kAxisHeight = 16; // the time labels under the plot
constexpr double kPageScroll = 0.9;
constexpr double kWheelScroll = 0.1; // of the span, per wheel notch

QString ReplacesText() {
    return QString::fromUtf8(messages::kReplacesExistingFile);
}

} // namespace

CWaveformView::CWaveformView(ReviewModel& reviewModel, ReviewViewport& view, QWidget* parent)
    : QWidget(parent), model(reviewModel), viewport(view) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus); // the keys below work once it has the focus
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(300, 140);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAccessibleName(QStringLiteral("Waveform"));
    setAccessibleDescription(
        QStringLiteral("Left and Right select a cut, Shift moves it, Insert adds one, Delete "
                       "removes it; plus and minus zoom, 0 fits, L switches dB and linear"));
}

void CWaveformView::SetOverview(std::shared_ptr<const WaveOverview> shown) {
    overview = std::move(shown);
    update();
}

void CWaveformView::SetAmplitudeView(AmplitudeView view) {
    amplitude = view;
    update();
}

void CWaveformView::SetThreshold(std::uint32_t level, bool means) {
    thresholdLevel = level;
    windowMeans = means;
    update();
}

void CWaveformView::SetAnalysing(bool on, const QString& text) {
    analysing = on;
    analysingText = text;
    update();
}

void CWaveformView::PlanChanged() {
    update();
}

QRect CWaveformView::PlotRect() const {
    return QRect(kMargin, kMargin, std::max(1, width() - 2 * kMargin),
                 std::max(2, height() - 2 * kMargin - kAxisHeight));
}

FrameScale CWaveformView::Scale() const {
    return viewport.Scale(static_cast<std::uint32_t>(PlotRect().width()));
}

int CWaveformView::XOfFrame(std::uint32_t frame) const {
    return PlotRect().left() + static_cast<int>(Scale().ColumnOf(frame));
}

std::uint32_t CWaveformView::FrameAtX(int x) const {
    return Scale().FrameAtColumn(x - PlotRect().left());
}

int CWaveformView::OffsetOf(std::uint32_t level, int half) const {
    return static_cast<int>(LevelFraction(level, amplitude) * half + 0.5);
}

int CWaveformView::ThresholdLineY() const {
    const QRect plot = PlotRect();
    return plot.center().y() - OffsetOf(thresholdLevel, plot.height() / 2);
}

std::uint32_t CWaveformView::InsertFrame() const {
    if (pointerX && PlotRect().contains(QPoint(*pointerX, PlotRect().center().y()))) {
        return FrameAtX(*pointerX);
    }
    return static_cast<std::uint32_t>((std::uint64_t{viewport.FirstFrame()} + viewport.EndFrame()) /
                                      2);
}

void CWaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRect plot = PlotRect();
    painter.fillRect(plot, QColor(250, 250, 250));
    DrawBands(painter, plot); // first: the waveform is drawn over them
    if (overview) {
        DrawWaveform(painter, plot);
    }
    DrawLines(painter, plot);
    if (playLine && *playLine >= viewport.FirstFrame() && *playLine <= viewport.EndFrame()) {
        painter.setPen(QPen(QColor(20, 140, 40), 2));
        painter.drawLine(XOfFrame(*playLine), plot.top(), XOfFrame(*playLine), plot.bottom());
    }
    DrawTimeAxis(painter, plot);
    if (analysing) {
        painter.setPen(QColor(90, 90, 90));
        painter.drawText(plot.adjusted(6, 4, -6, -4), Qt::AlignRight | Qt::AlignTop, analysingText);
    }
    painter.setPen(hasFocus() ? palette().color(QPalette::Highlight)
                              : palette().color(QPalette::Mid));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

// The files in alternating shades (grey while a new plan is made), hatched
// where they replace a file, and the trimmed ends in grey. A plan without a
// cut writes nothing, so it has no band.
void CWaveformView::DrawBands(QPainter& painter, const QRect& plot) const {
    static const QColor kShades[] = {QColor(208, 226, 246), QColor(232, 240, 250)};
    static const QColor kGreyed[] = {QColor(222, 222, 222), QColor(236, 236, 236)};
    const SplitPlan& plan = model.Plan();
    const std::uint32_t frameCount = model.Source().frameCount;
    const QBrush hatch(QColor(200, 120, 40, 110), Qt::BDiagPattern);
    if (model.TrackCount() > 0) {
        std::uint32_t number = 0;
        for (const SegmentSpan& span : model.Spans()) {
            ++number;
            const int left = XOfFrame(span.firstFrame);
            const int right = std::max(left + 1, XOfFrame(span.endFrame));
            const QRect area(left, plot.top(), right - left, plot.height());
            const QColor& shade = analysing ? kGreyed[(number - 1) % 2] : kShades[(number - 1) % 2];
            painter.fillRect(area, shade);
            if (model.Replaces(number)) {
                painter.fillRect(area, hatch);
            }
        }
    }
    const QColor trimmed(200, 200, 200);
    if (plan.leadTrimFrame > viewport.FirstFrame()) {
        painter.fillRect(QRect(plot.left(), plot.top(), XOfFrame(plan.leadTrimFrame) - plot.left(),
                               plot.height()),
                         trimmed);
    }
    if (plan.tailEndFrame != 0 && plan.tailEndFrame < std::min(frameCount, viewport.EndFrame())) {
        const int left = XOfFrame(plan.tailEndFrame);
        painter.fillRect(QRect(left, plot.top(), plot.right() + 1 - left, plot.height()), trimmed);
    }
}

// Both channels over each other, each column from its lowest to its highest
// sample; in the dB view each side of the centre line on the level scale.
void CWaveformView::DrawWaveform(QPainter& painter, const QRect& plot) const {
    const int centre = plot.center().y();
    const int half = plot.height() / 2;
    const auto yOf = [&](std::int32_t sample) {
        const int offset = OffsetOf(static_cast<std::uint32_t>(std::abs(sample)), half);
        return sample < 0 ? centre + offset : centre - offset;
    };
    const auto& columns = overview->columns;
    const FrameScale scale = Scale();
    const FrameScale source(overview->firstFrame, overview->endFrame,
                            static_cast<std::uint32_t>(std::max<std::size_t>(1, columns.size())));
    painter.setPen(analysing ? QColor(120, 130, 145) : QColor(40, 70, 120));
    const int channels = overview->stereo ? 2 : 1;
    for (int x = 0; x < plot.width() && !columns.empty(); ++x) {
        const std::uint64_t frame = scale.ColumnStart(static_cast<std::uint32_t>(x));
        if (frame < overview->firstFrame || frame >= overview->endFrame) {
            continue;
        }
        const OverviewColumn& c =
            columns[std::min<std::size_t>(source.ColumnOf(frame), columns.size() - 1)];
        for (int channel = 0; channel < channels; ++channel) {
            painter.drawLine(plot.left() + x, yOf(c.high[channel]), plot.left() + x,
                             yOf(c.low[channel]));
        }
    }
    if (windowMeans) {
        painter.setPen(QColor(240, 150, 60, 200));
        QPolygon upper, lower;
        for (int x = 0; x < plot.width(); ++x) {
            const std::uint64_t frame = scale.ColumnStart(static_cast<std::uint32_t>(x));
            if (frame < overview->firstFrame || frame >= overview->endFrame || columns.empty()) {
                continue;
            }
            const std::uint32_t mean =
                columns[std::min<std::size_t>(source.ColumnOf(frame), columns.size() - 1)]
                    .windowMean;
            upper << QPoint(plot.left() + x, centre - OffsetOf(mean, half));
            lower << QPoint(plot.left() + x, centre + OffsetOf(mean, half));
        }
        painter.drawPolyline(upper);
        painter.drawPolyline(lower);
    }
}

// The threshold above and below the centre line, the cuts (the selected one
// red and wide), and the file numbers.
void CWaveformView::DrawLines(QPainter& painter, const QRect& plot) const {
    const int centre = plot.center().y();
    const int offset = OffsetOf(thresholdLevel, plot.height() / 2);
    painter.setPen(QPen(QColor(200, 30, 30), 1, Qt::DashLine));
    painter.drawLine(plot.left(), centre - offset, plot.right(), centre - offset);
    painter.drawLine(plot.left(), centre + offset, plot.right(), centre + offset);

    const std::vector<std::uint32_t> cuts = model.CutFrames();
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (cuts[i] < viewport.FirstFrame() || cuts[i] > viewport.EndFrame()) {
            continue;
        }
        const bool selected = model.SelectedCut() == i;
        painter.setPen(selected ? QPen(QColor(210, 20, 20), 3) : QPen(QColor(20, 20, 20), 1));
        painter.drawLine(XOfFrame(cuts[i]), plot.top(), XOfFrame(cuts[i]), plot.bottom());
    }
    if (model.TrackCount() == 0) {
        return;
    }
    painter.setPen(QColor(20, 20, 20));
    std::uint32_t number = 0;
    for (const SegmentSpan& span : model.Spans()) {
        ++number;
        const int left = std::max(plot.left(), XOfFrame(span.firstFrame));
        const int right = std::min(plot.right(), XOfFrame(span.endFrame));
        const QRect area(left, plot.top() + 2, right - left, 14);
        const QString text =
            QString::number(number) + (model.Replaces(number) ? QStringLiteral(" !") : QString());
        if (painter.fontMetrics().horizontalAdvance(text) < area.width()) {
            painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop, text);
        }
    }
}

// The time axis in minutes and seconds (tenths when zoomed in).
void CWaveformView::DrawTimeAxis(QPainter& painter, const QRect& plot) const {
    const std::uint32_t rate = model.Source().sampleRate;
    if (rate == 0) {
        return;
    }
    painter.setPen(palette().color(QPalette::WindowText));
    const FrameScale scale = Scale();
    const double stepSeconds =
        AxisStepSeconds(scale.EndFrame() - scale.FirstFrame(), rate, plot.width(), 100);
    const auto step = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(stepSeconds * rate));
    const bool tenths = stepSeconds < 1.0;
    for (std::uint64_t frame = (scale.FirstFrame() + step - 1) / step * step;
         frame < scale.EndFrame(); frame += step) {
        const int x = plot.left() + static_cast<int>(scale.ColumnOf(frame));
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
        // Labels at the ends stay inside the view.
        const int labelLeft = std::clamp(x - 40, 0, std::max(0, width() - 80));
        const Qt::Alignment align = labelLeft == x - 40 ? Qt::AlignHCenter
                                    : labelLeft == 0    ? Qt::AlignLeft
                                                        : Qt::AlignRight;
        painter.drawText(QRect(labelLeft, plot.bottom() + 3, 80, kAxisHeight), align,
                         QString::fromStdString(FormatTime(frame, rate, tenths)));
    }
}

bool CWaveformView::NearThresholdLine(int y) const {
    const QRect plot = PlotRect();
    const int offset = OffsetOf(thresholdLevel, plot.height() / 2);
    return std::abs(y - (plot.center().y() - offset)) <= kGrabPixels ||
           std::abs(y - (plot.center().y() + offset)) <= kGrabPixels;
}

std::optional<std::size_t> CWaveformView::CutAtX(int x) const {
    // The tolerance in frames: the grab distance at this scale, at least a frame.
    const std::uint64_t span = viewport.EndFrame() - viewport.FirstFrame();
    const auto tolerance = static_cast<std::uint32_t>(
        std::max<std::uint64_t>(1, span * kGrabPixels / std::max(1, PlotRect().width())));
    return model.CutNear(FrameAtX(x), tolerance);
}

void CWaveformView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const QPoint at = event->position().toPoint();
    if (const std::optional<std::size_t> cut = CutAtX(at.x())) {
        model.SelectCut(cut);
        model.BeginDrag();
        drag = Drag::Cut;
    } else if (NearThresholdLine(at.y())) {
        drag = Drag::Threshold;
    } else {
        model.SelectCut(std::nullopt);
    }
    emit SelectionChanged();
    update();
}

void CWaveformView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    pointerX = at.x();
    if (drag == Drag::Cut) {
        Report(model.DragSelectedCut(FrameAtX(at.x())));
        return;
    }
    if (drag == Drag::Threshold) {
        const QRect plot = PlotRect();
        const double fraction =
            std::abs(plot.center().y() - at.y()) / std::max(1.0, plot.height() / 2.0);
        emit ThresholdDragged(ThresholdPositionForLevel(LevelAtFraction(fraction, amplitude),
                                                        model.Source().bitsPerSample));
        return;
    }
    setCursor(CutAtX(at.x())              ? Qt::SizeHorCursor
              : NearThresholdLine(at.y()) ? Qt::SizeVerCursor
                                          : Qt::ArrowCursor);
    const std::uint32_t frame = FrameAtX(at.x());
    QString text = QString::fromStdString(FormatTime(frame, model.Source().sampleRate, true));
    if (const std::optional<std::uint32_t> track = model.TrackAt(frame);
        track && model.TrackCount() > 0) {
        text += QStringLiteral("  ") + QString::fromStdString(model.FileName(*track));
        if (model.Replaces(*track)) {
            text += QStringLiteral(" (") + ReplacesText() + QStringLiteral(")");
        }
    } else {
        text += QStringLiteral("  trimmed");
    }
    emit Hovered(text);
}

void CWaveformView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && drag == Drag::Cut) {
        model.EndDrag();
        emit Edited(EditResult{true, {}});
    }
    drag = Drag::None;
}

void CWaveformView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && !CutAtX(event->position().toPoint().x())) {
        Report(model.AddCut(FrameAtX(event->position().toPoint().x())));
    }
}

void CWaveformView::wheelEvent(QWheelEvent* event) {
    const QPoint delta = event->angleDelta();
    const int notches = (delta.y() != 0 ? delta.y() : delta.x()) / 120;
    if (notches == 0) {
        return;
    }
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomAt(notches > 0, FrameAtX(event->position().toPoint().x()));
    } else {
        viewport.Scroll(-notches * kWheelScroll);
        ViewMoved();
    }
    event->accept();
}

void CWaveformView::SetPlayLine(std::optional<std::uint32_t> frame) {
    if (frame != playLine) {
        playLine = frame;
        update();
    }
}

void CWaveformView::keyPressEvent(QKeyEvent* event) {
    if (NavigationKey(event)) {
        event->accept();
        return;
    }
    // The play keys are plain letters and Space, here alone: a title being
    // typed keeps them.
    if ((event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
        if (event->key() == Qt::Key_Space) {
            emit PlayToggled();
            event->accept();
            return;
        }
        const QString text = event->text();
        if (text.size() == 1 && text[0].unicode() < 0x80) {
            if (const std::optional<ListenAction> action =
                    ListenActionForKey(static_cast<char>(text[0].unicode()))) {
                emit PlayRequested(*action, InsertFrame());
                event->accept();
                return;
            }
        }
    }
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const bool forward = event->key() == Qt::Key_Right;
        if (shift) {
            Report(model.NudgeSelectedCut(forward ? 1 : -1));
        } else {
            forward ? model.SelectNextCut() : model.SelectPreviousCut();
            emit SelectionChanged();
        }
        if (const std::optional<std::size_t> cut = model.SelectedCut()) {
            const std::vector<std::uint32_t> cuts = model.CutFrames();
            if (*cut < cuts.size() && viewport.FirstFrame() <= cuts[*cut] &&
                cuts[*cut] < viewport.EndFrame()) {
                break; // in view already
            }
            if (*cut < cuts.size()) {
                viewport.EnsureVisible(cuts[*cut]);
                ViewMoved();
            }
        }
        break;
    }
    case Qt::Key_Insert:
        Report(model.AddCut(InsertFrame()));
        break;
    case Qt::Key_Delete:
        Report(model.DeleteSelectedCut());
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    update();
}

// Zoom and scroll: + and - around the selected cut (or the middle), 0 or F
// fits, Page Up/Down and Home/End scroll.
bool CWaveformView::NavigationKey(QKeyEvent* event) {
    std::uint32_t anchor = InsertFrame();
    if (const std::optional<std::size_t> cut = model.SelectedCut()) {
        const std::vector<std::uint32_t> cuts = model.CutFrames();
        if (*cut < cuts.size() && cuts[*cut] >= viewport.FirstFrame() &&
            cuts[*cut] <= viewport.EndFrame()) {
            anchor = cuts[*cut];
        }
    }
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomAt(true, anchor);
        return true;
    case Qt::Key_Minus:
        ZoomAt(false, anchor);
        return true;
    case Qt::Key_0:
    case Qt::Key_F:
        viewport.Fit();
        break;
    case Qt::Key_PageUp:
        viewport.Scroll(-kPageScroll);
        break;
    case Qt::Key_PageDown:
        viewport.Scroll(kPageScroll);
        break;
    case Qt::Key_Home:
        viewport.EnsureVisible(0);
        break;
    case Qt::Key_End:
        viewport.EnsureVisible(std::max(1u, model.Source().frameCount) - 1);
        break;
    default:
        return false;
    }
    ViewMoved();
    return true;
}

void CWaveformView::ZoomAt(bool in, std::uint32_t anchor) {
    in ? viewport.ZoomIn(anchor) : viewport.ZoomOut(anchor);
    ViewMoved();
}

void CWaveformView::ViewMoved() {
    update();
    emit ViewChanged();
}

void CWaveformView::Report(const EditResult& result) {
    update();
    emit Edited(result);
}

void CWaveformView::leaveEvent(QEvent*) {
    pointerX.reset();
    emit Hovered(QString());
}

void CWaveformView::resizeEvent(QResizeEvent*) {
    emit ViewChanged(); // more columns: a finer picture
}

// The tooltip over a band names its file, and says when it replaces one.
bool CWaveformView::event(QEvent* event) {
    if (event->type() != QEvent::ToolTip) {
        return QWidget::event(event);
    }
    auto* help = static_cast<QHelpEvent*>(event);
    const std::optional<std::uint32_t> track = model.TrackAt(FrameAtX(help->pos().x()));
    if (!track || model.TrackCount() == 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    QString text = QString::fromStdString(model.FileName(*track));
    if (model.Replaces(*track)) {
        text += QStringLiteral(": ") + ReplacesText();
    }
    QToolTip::showText(help->globalPos(), text, this);
    return true;
}

} // namespace qtui
