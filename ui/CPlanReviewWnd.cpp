#include "CPlanReviewWnd.h"
#include "Messages.h"

#include "CThresholdSlider.h"
#include "SegmentWriter.h"
#include "SplitAnalyzer.h"
#include "ThresholdScale.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

namespace qtui {

namespace {

constexpr int kMargin = 4;      // around the plot inside the view
constexpr int kAxisHeight = 16; // the time labels under the plot
constexpr int kCutGrabPixels = 4;

// Seconds between the labels of the time axis: about one label per 100 pixels.
std::uint32_t AxisStepSeconds(std::uint64_t spanFrames, std::uint32_t sampleRate, int width) {
    static constexpr std::uint32_t kSteps[] = {1,   2,   5,   10,  15,   30,  60,
                                               120, 300, 600, 900, 1800, 3600};
    const double seconds = static_cast<double>(spanFrames) / std::max<std::uint32_t>(1, sampleRate);
    const double wanted = seconds * 100.0 / std::max(1, width);
    for (const std::uint32_t step : kSteps) {
        if (step >= wanted) {
            return step;
        }
    }
    return 7200;
}

} // namespace

CWaveformView::CWaveformView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void CWaveformView::SetOverview(std::shared_ptr<const WaveOverview> shown) {
    overview = std::move(shown);
    if (overview) {
        scale = FrameScale(overview->firstFrame, overview->endFrame,
                           static_cast<std::uint32_t>(overview->columns.size()));
    }
    update();
}

void CWaveformView::SetPlan(const SplitPlan& plan, std::uint32_t frameCount) {
    picture = PicturePlan(plan, frameCount, scale);
    update();
}

void CWaveformView::SetThreshold(std::uint32_t level, bool windowMeans) {
    thresholdLevel = level;
    showWindowMeans = windowMeans;
    update();
}

void CWaveformView::SetMarker(std::optional<std::uint32_t> frame) {
    marker = frame;
    update();
}

QRect CWaveformView::PlotRect() const {
    return QRect(kMargin, kMargin, static_cast<int>(scale.Columns()),
                 std::max(1, height() - 2 * kMargin - kAxisHeight));
}

int CWaveformView::XOfColumn(std::uint32_t column) const {
    return PlotRect().left() + static_cast<int>(column);
}

int CWaveformView::ThresholdLineY() const {
    const QRect plot = PlotRect();
    return plot.center().y() - LevelOffset(thresholdLevel, plot.height() / 2);
}

std::uint32_t CWaveformView::FrameAtX(int x) const {
    return scale.FrameAtColumn(x - PlotRect().left());
}

void CWaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    const QRect plot = PlotRect();
    painter.fillRect(plot, QColor(250, 250, 250));
    // The bands first, so the waveform is drawn over them.
    DrawBands(painter, plot);
    if (overview) {
        DrawWaveform(painter, plot);
    }
    DrawThresholdAndCuts(painter, plot);
    if (overview && overview->sampleRate != 0) {
        DrawTimeAxis(painter, plot);
    }
}

// The segments' bands in alternating shades, and the trimmed ends in grey.
void CWaveformView::DrawBands(QPainter& painter, const QRect& plot) {
    const auto columnX = [&](std::uint32_t column) { return XOfColumn(column); };
    static const QColor kBandShades[] = {QColor(208, 226, 246), QColor(232, 240, 250)};
    for (const PlanBand& band : picture.bands) {
        const QRect area(columnX(band.left), plot.top(), static_cast<int>(band.right - band.left),
                         plot.height());
        painter.fillRect(area, kBandShades[(band.number - 1) % 2]);
    }
    const QColor trimmed(200, 200, 200);
    if (picture.leadEndColumn > 0) {
        painter.fillRect(
            QRect(plot.left(), plot.top(), static_cast<int>(picture.leadEndColumn), plot.height()),
            trimmed);
    }
    if (picture.tailStartColumn < scale.Columns()) {
        painter.fillRect(QRect(columnX(picture.tailStartColumn), plot.top(),
                               static_cast<int>(scale.Columns() - picture.tailStartColumn),
                               plot.height()),
                         trimmed);
    }
}

// Both channels over each other: the envelope of their lows and highs, and the
// window means when they are shown.
void CWaveformView::DrawWaveform(QPainter& painter, const QRect& plot) {
    const auto columnX = [&](std::uint32_t column) { return XOfColumn(column); };
    const int centre = plot.center().y();
    const int half = plot.height() / 2;
    painter.setPen(QColor(40, 70, 120));
    for (std::uint32_t column = 0; column < overview->columns.size(); ++column) {
        const OverviewColumn& c = overview->columns[column];
        const int channels = overview->stereo ? 2 : 1;
        for (int channel = 0; channel < channels; ++channel) {
            const int top = centre - (c.high[channel] * half) / 32768;
            const int bottom = centre - (c.low[channel] * half) / 32768;
            painter.drawLine(columnX(column), top, columnX(column), bottom);
        }
    }
    if (showWindowMeans) {
        painter.setPen(QColor(240, 150, 60, 200));
        QPolygon upper, lower;
        for (std::uint32_t column = 0; column < overview->columns.size(); ++column) {
            const int offset = LevelOffset(overview->columns[column].windowMean, half);
            upper << QPoint(columnX(column), centre - offset);
            lower << QPoint(columnX(column), centre + offset);
        }
        painter.drawPolyline(upper);
        painter.drawPolyline(lower);
    }
}

// The threshold above and below the centre line, the cuts, the segment
// numbers, the marker and the frame.
void CWaveformView::DrawThresholdAndCuts(QPainter& painter, const QRect& plot) {
    const auto columnX = [&](std::uint32_t column) { return XOfColumn(column); };
    const int centre = plot.center().y();
    const int half = plot.height() / 2;
    painter.setPen(QPen(QColor(200, 30, 30), 1, Qt::DashLine));
    const int offset = LevelOffset(thresholdLevel, half);
    painter.drawLine(plot.left(), centre - offset, plot.right(), centre - offset);
    painter.drawLine(plot.left(), centre + offset, plot.right(), centre + offset);

    painter.setPen(QPen(QColor(20, 20, 20), 1));
    for (const std::uint32_t cut : picture.cutColumns) {
        painter.drawLine(columnX(cut), plot.top(), columnX(cut), plot.bottom());
    }
    for (const PlanBand& band : picture.bands) {
        const QRect area(columnX(band.left), plot.top() + 2,
                         static_cast<int>(band.right - band.left), 14);
        const QString number = QString::number(band.number);
        if (painter.fontMetrics().horizontalAdvance(number) < area.width()) {
            painter.drawText(area, Qt::AlignHCenter | Qt::AlignTop, number);
        }
    }
    if (marker) {
        painter.setPen(QPen(QColor(200, 30, 30), 2));
        const int x = columnX(scale.ColumnOf(*marker));
        painter.drawLine(x, plot.top(), x, plot.bottom());
    }
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(plot.adjusted(0, 0, -1, -1));
}

// The time axis in minutes and seconds.
void CWaveformView::DrawTimeAxis(QPainter& painter, const QRect& plot) {
    const auto columnX = [&](std::uint32_t column) { return XOfColumn(column); };
    painter.setPen(palette().color(QPalette::WindowText));
    const std::uint64_t span = scale.EndFrame() - scale.FirstFrame();
    const std::uint64_t step =
        static_cast<std::uint64_t>(AxisStepSeconds(span, overview->sampleRate, plot.width())) *
        overview->sampleRate;
    const std::uint64_t first = (scale.FirstFrame() + step - 1) / step * step;
    for (std::uint64_t frame = first; frame < scale.EndFrame(); frame += step) {
        const int x = columnX(scale.ColumnOf(frame));
        painter.drawLine(x, plot.bottom(), x, plot.bottom() + 3);
        // Labels at the ends stay inside the view.
        const int labelLeft = std::clamp(x - 40, 0, std::max(0, width() - 80));
        const Qt::Alignment align = labelLeft == x - 40 ? Qt::AlignHCenter
                                    : labelLeft == 0    ? Qt::AlignLeft
                                                        : Qt::AlignRight;
        painter.drawText(QRect(labelLeft, plot.bottom() + 3, 80, kAxisHeight), align,
                         QString::fromStdString(FormatTime(frame, overview->sampleRate, false)));
    }
}

void CWaveformView::mouseMoveEvent(QMouseEvent* event) {
    const int x = event->position().toPoint().x();
    if (PlotRect().contains(QPoint(x, PlotRect().center().y()))) {
        emit Hovered(FrameAtX(x));
    } else {
        emit Left();
    }
}

void CWaveformView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const int x = event->position().toPoint().x();
        emit Clicked(x, FrameAtX(x));
    }
}

void CWaveformView::leaveEvent(QEvent*) {
    emit Left();
}

CPlanReviewWnd::CPlanReviewWnd(const SplitHost::PlanToConfirm& proposal, QWidget* parent)
    : QDialog(parent), proposedOptions(proposal.options), inputFile(proposal.inputFile),
      frameCount(proposal.frameCount), sampleRate(proposal.sampleRate),
      bitsPerSample(proposal.bitsPerSample), shownPlan(proposal.plan),
      shownOptions(proposal.options), thresholdText(proposal.options.thresholdText) {
    setWindowTitle(QString::fromUtf8(messages::kReadyCaption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    BuildControls();
    ConnectControls();
    // The plan is known; the waveform follows from a read of its own.
    overview->SetOverview(std::make_shared<WaveOverview>(WaveOverview{
        0, frameCount, sampleRate, false, std::vector<OverviewColumn>(kOverviewColumns)}));
    ShowPlan();

    StartReading(proposal);
}

// The two waveform views, the threshold and method controls, the report and
// OK and Cancel, laid out top to bottom.
void CPlanReviewWnd::BuildControls() {
    overview = new CWaveformView(this);
    overview->setFixedSize(static_cast<int>(kOverviewColumns) + 2 * kMargin, 200);
    detail = new CWaveformView(this);
    detail->setFixedSize(static_cast<int>(kOverviewColumns) + 2 * kMargin, 110);
    detail->hide();
    detailCaption = new QLabel(this);
    detailCaption->hide();
    hover = new QLabel(QStringLiteral(" "), this);

    auto* thresholdCaption = new QLabel(QStringLiteral("Silence &threshold:"), this);
    slider = new CThresholdSlider(this);
    thresholdCaption->setBuddy(slider);
    slider->setValue(ThresholdPositionForText(thresholdText));
    thresholdLabel = new QLabel(QString::fromStdString(thresholdText), this);
    thresholdLabel->setMinimumWidth(thresholdLabel->fontMetrics().horizontalAdvance("0.00 %  "));
    average = new QRadioButton(QStringLiteral("&Average noise"), this);
    maximum = new QRadioButton(QStringLiteral("&Maximum noise"), this);
    auto* methods = new QButtonGroup(this);
    methods->addButton(average);
    methods->addButton(maximum);
    (shownOptions.useAverageMethod ? average : maximum)->setChecked(true);

    report = new QLabel(this);
    report->setTextFormat(Qt::PlainText);
    report->setMinimumHeight(report->fontMetrics().lineSpacing() * 10);
    report->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* controlsRow = new QHBoxLayout;
    controlsRow->addWidget(thresholdCaption);
    controlsRow->addWidget(slider, 1);
    controlsRow->addWidget(thresholdLabel);
    controlsRow->addSpacing(12);
    controlsRow->addWidget(average);
    controlsRow->addWidget(maximum);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(overview);
    layout->addWidget(hover);
    layout->addWidget(detailCaption);
    layout->addWidget(detail);
    layout->addLayout(controlsRow);
    layout->addWidget(report);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPlanReviewWnd::ConnectControls() {
    connect(slider, &QSlider::valueChanged, this, [this] { OnThresholdMoved(); });
    connect(average, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnMethodChanged();
        }
    });
    connect(maximum, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            OnMethodChanged();
        }
    });
    connect(overview, &CWaveformView::Hovered, this, [this](std::uint32_t frame) {
        hover->setText(QString::fromStdString(
            HoverText(shownPlan, frameCount, sampleRate, shownOptions.fileNamePrefix, frame)));
    });
    connect(overview, &CWaveformView::Left, this, [this] { hover->setText(QStringLiteral(" ")); });
    connect(overview, &CWaveformView::Clicked, this,
            [this](int x, std::uint32_t frame) { OnClicked(x, frame); });
}

// The waveform's own read, and the re-analysis that follows threshold and
// method changes, each on a thread of its own; their results come back queued.
void CPlanReviewWnd::StartReading(const SplitHost::PlanToConfirm& proposal) {
    const std::uint32_t windowFrames = proposal.plan.windowFrames;
    overviewReader = std::thread([this, windowFrames] {
        auto result = std::make_shared<WaveOverview>();
        WaveStream reader;
        if (reader.OpenForRead(inputFile.c_str()) != WAVE_OK ||
            !ReadOverview(reader, 0, reader.FrameCount(), kOverviewColumns, windowFrames,
                          stopReading, *result)) {
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, result] { OnOverviewRead(result); }, Qt::QueuedConnection);
    });
    const auto onAnalysed = [this](const PlanReanalyzer::Result& result) {
        QMetaObject::invokeMethod(
            this, [this, result] { OnAnalysed(result); }, Qt::QueuedConnection);
    };
    // The recording the plan came from, never the path again.
    reanalyzer =
        proposal.reader != nullptr
            ? std::make_unique<PlanReanalyzer>(proposal.options, *proposal.reader, onAnalysed)
            : std::make_unique<PlanReanalyzer>(proposal.options, inputFile, frameCount, sampleRate,
                                               onAnalysed);
}

CPlanReviewWnd::~CPlanReviewWnd() {
    stopReading = true;
    reanalyzer.reset();
    if (overviewReader.joinable()) {
        overviewReader.join();
    }
}

bool CPlanReviewWnd::Analysing() const {
    return reanalyzer && reanalyzer->Latest() != shownGeneration;
}

void CPlanReviewWnd::OnThresholdMoved() {
    thresholdText = ThresholdTextForPosition(slider->value());
    thresholdLabel->setText(QString::fromStdString(thresholdText));
    RequestAnalysis();
}

void CPlanReviewWnd::OnMethodChanged() {
    RequestAnalysis();
}

void CPlanReviewWnd::RequestAnalysis() {
    if (!reanalyzer) {
        return; // still being built
    }
    reanalyzer->Request(thresholdText, average->isChecked());
    ok->setEnabled(false); // OK writes only a plan that matches the controls
    overview->SetThreshold(ThresholdLevel(thresholdText, bitsPerSample), average->isChecked());
}

void CPlanReviewWnd::OnAnalysed(const PlanReanalyzer::Result& result) {
    if (result.generation != reanalyzer->Latest()) {
        return; // superseded while it was on its way
    }
    shownGeneration = result.generation;
    if (result.complete) {
        shownPlan = result.plan;
        shownOptions = result.options;
    } else {
        shownPlan = SplitPlan();
        shownOptions = result.options;
    }
    ShowPlan();
    if (!result.complete) {
        report->setText(QStringLiteral("The WAV file could not be read again."));
    }
}

void CPlanReviewWnd::ShowPlan() {
    overview->SetPlan(shownPlan, frameCount);
    overview->SetThreshold(ThresholdLevel(shownOptions.thresholdText, bitsPerSample),
                           shownOptions.useAverageMethod);
    report->setText(QString::fromStdString(ReviewText(shownPlan, frameCount, sampleRate)));
    ok->setEnabled(!shownPlan.splitPoints.empty() && !Analysing());
    if (detail->isVisible()) {
        detail->SetPlan(shownPlan, frameCount);
        detail->SetThreshold(ThresholdLevel(shownOptions.thresholdText, bitsPerSample),
                             shownOptions.useAverageMethod);
    }
}

void CPlanReviewWnd::OnOverviewRead(std::shared_ptr<const WaveOverview> result) {
    overviewReady = true;
    overview->SetOverview(std::move(result));
    overview->SetPlan(shownPlan, frameCount);
}

void CPlanReviewWnd::OnClicked(int x, std::uint32_t /*frame*/) {
    const PlanPicture& picture = overview->Picture();
    const std::vector<SegmentSpan> spans = LayOutSegments(shownPlan, frameCount);
    for (std::size_t i = 0; i < picture.cutColumns.size() && i < spans.size(); ++i) {
        if (std::abs(overview->XOfColumn(picture.cutColumns[i]) - x) > kCutGrabPixels) {
            continue;
        }
        // A few seconds around the cut, read at once: they are small.
        const std::uint32_t cut = spans[i].endFrame;
        const std::uint64_t half = static_cast<std::uint64_t>(sampleRate) * kDetailSeconds / 2;
        const auto first = static_cast<std::uint32_t>(cut > half ? cut - half : 0);
        const auto end =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(cut + half, frameCount));
        WaveStream reader;
        auto strip = std::make_shared<WaveOverview>();
        const std::atomic<bool> never{false};
        if (reader.OpenForRead(inputFile.c_str()) != WAVE_OK ||
            !ReadOverview(reader, first, end, kOverviewColumns, shownPlan.windowFrames, never,
                          *strip)) {
            return;
        }
        detail->SetOverview(std::move(strip));
        detail->SetMarker(cut);
        detailCaption->setText(QStringLiteral("Cut between file %1 and file %2 at %3")
                                   .arg(i + 1)
                                   .arg(i + 2)
                                   .arg(QString::fromStdString(FormatTime(cut, sampleRate, true))));
        detailCaption->show();
        detail->show();
        ShowPlan();
        return;
    }
}

} // namespace qtui
