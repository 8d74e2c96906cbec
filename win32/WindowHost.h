// The Windows program's host for the splitting engine: the progress window,
// message boxes and the review window, all owned by the main window.
#pragma once

#include "SettingsStore.h"
#include "SplitHost.h"
#include "WinApi.h"

#include <functional>

namespace winui {

class WindowHost : public SplitHost {
public:
    // Told, on OK in the review window, the options that made the plan to write.
    using OptionsChosen =
        std::function<void(const std::string& thresholdText, bool useAverageMethod)>;

    WindowHost(HWND mainWindow, SettingsStore& settings);

    // From now on the plan is confirmed in the review window; the plain report
    // box stays only where that window cannot be shown.
    void ReviewPlans(OptionsChosen onChosen);
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) override;

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title, bool smooth) override;
    Answer ShowMessage(const std::string& text, const std::string& caption,
                       MessageKind kind) override;

private:
    HWND mainWindow;
    SettingsStore& settings;
    bool reviewPlans = false;
    OptionsChosen optionsChosen;
};

} // namespace winui
