// The review window that stands between the analysis and the writing: the
// waveform with the planned files as bands, the threshold, the method, tracks by
// count, the tracks with their titles and file names, the summary, OK and
// Cancel. A view over ReviewModel (what is decided) and ReviewViewport (what is
// in view); the re-analysis runs on the worker of PlanReanalyzer, whose results
// come back to this window's thread through a posted message.
#pragma once

#include "CWaveformCtrl.h"
#include "ClipPlayer.h"
#include "Listening.h"
#include "PlanReview.h"
#include "ReviewModel.h"
#include "ReviewViewport.h"
#include "SettingsStore.h"
#include "SplitHost.h"
#include "WinApi.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace winui {

class CPlanReviewWnd : private WaveformListener {
public:
    // `proposal.reader` is the recording the analysis opened; the review reads
    // only it. The window's size is kept in `settings`.
    CPlanReviewWnd(HWND owner, const SplitHost::PlanToConfirm& proposal, SettingsStore& settings);
    ~CPlanReviewWnd() override;
    CPlanReviewWnd(const CPlanReviewWnd&) = delete;
    CPlanReviewWnd& operator=(const CPlanReviewWnd&) = delete;

    enum class Outcome { Ok, Cancelled, NoWindow };
    // Shows the window modally until OK, Cancel, Escape or the close box.
    Outcome DoModal();
    // After OK: the plan to write, its analysis and the titles.
    SplitHost::ChosenPlan Chosen() const { return model.Chosen(); }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnInitDialog();
    void CreateControls();
    void ApplyFont();
    void Layout();
    void FitSummaryColumns();
    void RestoreSize();
    void SaveSize();
    void OnCommand(int id, int notification);
    bool OnNotify(const NMHDR& header);
    void OnScroll(HWND control, int request);
    void ListOutputFolder(const SplitOptions& options);
    void StartAnalysis();
    void TakeArrivals();
    void Finish(Outcome outcome);
    void SaveLabels();

    void OnThresholdMoved();
    void RequestAnalysis();
    void ShowPlan();
    void ShowAnalysing();
    void ShowThresholdControls();
    void ShowTracks();
    std::string FileNameText(std::uint32_t position) const;
    void ShowSummary();
    void UpdatePicture();
    void UpdateScrollBar();
    void SetStatus(const std::string& text);

    // Listening: what the listening model decided, carried out; the play
    // buttons, their tooltips and the play line as it has them.
    void Listen(const Listening::Command& command);
    void ShowListening();
    void CreateTooltips();

    // WaveformListener
    void ViewChanged() override;
    void Edited(const EditResult& result) override;
    void ThresholdDragged(int position) override;
    void Hovered(const std::string& text) override;
    void AmplitudeToggled() override;
    void PlayToggled() override;
    void PlayRequested(ListenAction action, std::uint32_t frame) override;

    HWND Control(int id) const;
    bool IsChecked(int id) const;
    int ThresholdPosition() const;

    HWND owner;
    const SplitHost::PlanToConfirm& proposal;
    SettingsStore& settings;
    ReviewModel model;
    ReviewViewport viewport;
    CWaveformCtrl waveform;
    const std::string outputFolderPath; // the working directory while the review is open
    HWND window = nullptr;
    HFONT font = nullptr;
    int dpi = 96;
    std::string status;
    std::uint64_t stripRequest = 0;
    Outcome outcome = Outcome::NoWindow;
    std::unique_ptr<Listening> listening;
    // Made on the window's thread, which it reports on; gone before what it reports to.
    std::unique_ptr<ClipPlayer> player;
    // Shows why the play buttons are disabled: registered on the window, since
    // a disabled button gets no mouse messages of its own.
    HWND tooltip = nullptr;

    // What the worker hands over, taken on the window's thread.
    struct Arrivals {
        std::mutex mutex;
        std::vector<PlanReanalyzer::Result> plans;
        std::optional<std::shared_ptr<const LevelTable>> levels; // null: none can be measured
        std::optional<PlanReanalyzer::Strip> strip;
        std::optional<std::pair<std::uint64_t, std::shared_ptr<const PlaybackClip>>> clip;
    };
    Arrivals arrivals;
    // Last: stopped and joined before anything it reports to goes away.
    std::unique_ptr<PlanReanalyzer> reanalyzer;
};

} // namespace winui
