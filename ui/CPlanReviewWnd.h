// The review window that stands where the report box stood, and where the
// tracks are decided: the waveform with the planned files, which the user
// corrects (cuts moved, added, deleted, undone), the threshold and method, which
// re-plan in the background, tracks by count, a title per track, the summary,
// OK and Cancel. What is decided lives in the review model; this window shows it.
#pragma once

#include "Listening.h"
#include "PlanReview.h"
#include "ReviewModel.h"
#include "ReviewViewport.h"
#include "SettingsStore.h"
#include "SplitHost.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QCheckBox;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QSpinBox;

namespace qtui {

class CThresholdSlider;
class CTrackList;
class CWaveformView;
class ClipPlayer;

class CPlanReviewWnd : public QDialog {
    Q_OBJECT

public:
    // The window's size is kept in `settings` between runs.
    CPlanReviewWnd(const SplitHost::PlanToConfirm& proposal, SettingsStore& settings,
                   QWidget* parent);
    ~CPlanReviewWnd() override;

    // Asks where to save the labels, offering `suggested` (a full path): the
    // path chosen, or an empty text when the user cancels. A file dialog unless
    // replaced.
    using LabelFileChooser = std::function<QString(QWidget* parent, const QString& suggested)>;
    void SetLabelFileChooser(LabelFileChooser chooser) { chooseLabelFile = std::move(chooser); }

    const ReviewModel& Model() const { return *model; }
    // After OK: what to write, as the engine takes it.
    SplitHost::ChosenPlan Chosen() const;

    CWaveformView* Waveform() const { return waveform; }
    const ReviewViewport& Viewport() const { return viewport; }
    QScrollBar* ScrollBar() const { return scroll; }
    CThresholdSlider* Slider() const { return slider; }
    QRadioButton* AverageButton() const { return average; }
    QRadioButton* MaximumButton() const { return maximum; }
    QPushButton* LinearButton() const { return linear; }
    QCheckBox* SnapBox() const { return snap; }
    QSpinBox* TrackCountBox() const { return trackCount; }
    QPushButton* SplitButton() const { return splitIntoTracks; }
    QPushButton* SaveLabelsButton() const { return saveLabels; }
    CTrackList* Tracks() const { return tracks; }
    QLabel* StatusLine() const { return status; }
    QPushButton* OkButton() const { return ok; }
    // The play button of `action` (none for the band under the pointer).
    QPushButton* PlayButton(ListenAction action) const;
    const Listening& Listen() const { return *listening; }
    // The summary's rows: each row's label and value as shown.
    QGridLayout* SummaryGrid() const { return summary; }
    // The summary as lines of text, label and value apart by a tab.
    QString SummaryText() const;
    // True while the plan on screen is not yet the one for the controls' values.
    bool Analysing() const { return model->Analysing(); }
    bool LevelsReady() const { return model->HasLevels(); }
    // The picture is read from the recording, not drawn from the level table.
    bool ShowsStrip() const { return showsStrip; }

    // The default size, and the one kept when the window closes.
    static constexpr int kDefaultWidth = 960;
    static constexpr int kDefaultHeight = 720;

protected:
    void done(int result) override;

private:
    void BuildControls();
    QLayout* BuildAnalysisRow();
    QLayout* BuildEditRow();
    void ConnectControls();
    void ConnectWaveform();
    void ConnectListening();
    void StartAnalysis(const SplitHost::PlanToConfirm& proposal);
    void ListOutputFolder(const SplitOptions& options);
    void RestoreSize();

    void OnThresholdMoved();
    void RequestAnalysis();
    void OnAnalysed(const PlanReanalyzer::Result& result);
    void OnLevels(std::shared_ptr<const LevelTable> table);
    void OnStrip(std::uint64_t request, std::shared_ptr<const WaveOverview> strip);
    void OnEdited(const EditResult& result);
    void OnSplitIntoTracks();
    void UndoOrRedo(bool redo);
    void OnSaveLabels();

    void AddPlayButtons(QHBoxLayout* row);
    // Carries out what listening decided: read a clip, or stop the player.
    void Listen(const Listening::Command& command);
    void OnClip(std::uint64_t request, std::shared_ptr<const PlaybackClip> clip);
    // The play line and the play buttons as listening has them.
    void ShowListening();

    // The picture for the frames in view: from the level table, or read from
    // the recording where the view is finer than the table's windows.
    void UpdatePicture();
    void UpdateScrollBar();
    // The plan, the threshold and the summary as the model has them.
    void ShowPlan();
    void ShowSummary();
    void ShowAnalysing();
    void ShowThresholdControls();
    void SyncSelection();

    const std::uint16_t bitsPerSample;
    const std::string recordingPath;
    const std::string outputFolderPath; // the working directory while the review is open
    LabelFileChooser chooseLabelFile;
    SettingsStore& settings;
    std::unique_ptr<ReviewModel> model;
    ReviewViewport viewport;
    std::uint64_t stripRequest = 0; // the newest strip asked for
    QSize openedSize;
    bool showsStrip = false;

    CWaveformView* waveform = nullptr;
    QScrollBar* scroll = nullptr;
    QLabel* hover = nullptr;
    CThresholdSlider* slider = nullptr;
    QLabel* thresholdLabel = nullptr;
    QRadioButton* average = nullptr;
    QRadioButton* maximum = nullptr;
    QPushButton* linear = nullptr;
    QCheckBox* snap = nullptr;
    QSpinBox* trackCount = nullptr;
    QPushButton* splitIntoTracks = nullptr;
    QPushButton* undo = nullptr;
    QPushButton* redo = nullptr;
    QPushButton* saveLabels = nullptr;
    CTrackList* tracks = nullptr;
    QGridLayout* summary = nullptr;
    QLabel* status = nullptr;
    QPushButton* ok = nullptr;
    std::vector<std::pair<ListenAction, QPushButton*>> playButtons;
    ClipPlayer* player = nullptr; // this window's child
    std::unique_ptr<Listening> listening;

    // Last: stopped and joined before anything it reports to goes away.
    std::unique_ptr<PlanReanalyzer> reanalyzer;
};

} // namespace qtui
