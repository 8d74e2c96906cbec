// The review window that stands where the report box stood: the recording's
// waveform with the planned files as numbered bands, the cuts, the trimmed ends
// and the threshold; a threshold slider and the method, which re-run the analysis
// in the background; the report text; OK and Cancel.
#pragma once

#include "PlanReview.h"
#include "SplitHost.h"

#include <QDialog>
#include <QWidget>

#include <atomic>
#include <memory>
#include <thread>

class QAbstractButton;
class QLabel;
class QPainter;
class QPushButton;
class QRadioButton;

namespace qtui {

class CThresholdSlider;

// Draws an overview of frames with the plan over it. Knows nothing of options:
// the review window hands it what to draw.
class CWaveformView : public QWidget {
    Q_OBJECT

public:
    explicit CWaveformView(QWidget* parent = nullptr);

    void SetOverview(std::shared_ptr<const WaveOverview> overview);
    void SetPlan(const SplitPlan& plan, std::uint32_t frameCount);
    void SetThreshold(std::uint32_t level, bool showWindowMeans);
    void SetMarker(std::optional<std::uint32_t> frame); // a cut to point at

    // Where things are drawn, in this widget's pixels.
    QRect PlotRect() const;
    int XOfColumn(std::uint32_t column) const; // the left edge of an overview column
    int ThresholdLineY() const;                // the upper threshold line
    std::uint32_t FrameAtX(int x) const;
    const PlanPicture& Picture() const { return picture; }
    const FrameScale& Scale() const { return scale; }

signals:
    void Hovered(std::uint32_t frame);
    void Left();
    void Clicked(int x, std::uint32_t frame);

protected:
    void paintEvent(QPaintEvent* event) override;
    void DrawBands(QPainter& painter, const QRect& plot);
    void DrawWaveform(QPainter& painter, const QRect& plot);
    void DrawThresholdAndCuts(QPainter& painter, const QRect& plot);
    void DrawTimeAxis(QPainter& painter, const QRect& plot);
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    std::shared_ptr<const WaveOverview> overview;
    FrameScale scale{0, 1, 1};
    PlanPicture picture;
    std::uint32_t thresholdLevel = 0;
    bool showWindowMeans = false;
    std::optional<std::uint32_t> marker;
};

class CPlanReviewWnd : public QDialog {
    Q_OBJECT

public:
    // The overview's width in columns; the plot is drawn one pixel per column.
    static constexpr std::uint32_t kOverviewColumns = 900;
    // How much of the recording the detail strip shows around a cut.
    static constexpr std::uint32_t kDetailSeconds = 4;

    CPlanReviewWnd(const SplitHost::PlanToConfirm& proposal, QWidget* parent);
    ~CPlanReviewWnd() override;

    // After OK: the plan on screen and the options that made it.
    const SplitPlan& ShownPlan() const { return shownPlan; }
    const SplitOptions& ShownOptions() const { return shownOptions; }
    bool Changed() const { return shownGeneration != 0; }

    CWaveformView* Overview() const { return overview; }
    CWaveformView* Detail() const { return detail; }
    CThresholdSlider* Slider() const { return slider; }
    QRadioButton* AverageButton() const { return average; }
    QRadioButton* MaximumButton() const { return maximum; }
    QLabel* ReportLabel() const { return report; }
    QLabel* HoverLabel() const { return hover; }
    QPushButton* OkButton() const { return ok; }
    // True while the plan on screen is not yet the one for the controls' values.
    bool Analysing() const;
    bool OverviewReady() const { return overviewReady; }

private:
    void OnThresholdMoved();
    void OnMethodChanged();
    void RequestAnalysis();
    void OnAnalysed(const PlanReanalyzer::Result& result);
    void OnOverviewRead(std::shared_ptr<const WaveOverview> result);
    void BuildControls();
    void ConnectControls();
    void StartReading(const SplitHost::PlanToConfirm& proposal);
    void OnClicked(int x, std::uint32_t frame);
    void ShowPlan();

    const SplitOptions proposedOptions;
    const std::string inputFile;
    const std::uint32_t frameCount;
    const std::uint32_t sampleRate;
    const std::uint16_t bitsPerSample;

    SplitPlan shownPlan;
    SplitOptions shownOptions;
    std::uint64_t shownGeneration = 0;
    std::string thresholdText; // what the slider stands for now
    bool overviewReady = false;

    CWaveformView* overview = nullptr;
    CWaveformView* detail = nullptr;
    QLabel* detailCaption = nullptr;
    QLabel* hover = nullptr;
    CThresholdSlider* slider = nullptr;
    QLabel* thresholdLabel = nullptr;
    QRadioButton* average = nullptr;
    QRadioButton* maximum = nullptr;
    QLabel* report = nullptr;
    QPushButton* ok = nullptr;

    // Last: stopped and joined before anything they report to goes away.
    std::atomic<bool> stopReading{false};
    std::thread overviewReader;
    std::unique_ptr<PlanReanalyzer> reanalyzer;
};

} // namespace qtui
