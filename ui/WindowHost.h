// The desktop program's host for the splitting engine: the progress window and
// message boxes, both owned by the main window.
#pragma once

#include "SettingsStore.h"
#include "SplitHost.h"

#include <QPointer>
#include <QWidget>

#include <functional>

namespace qtui {

class WindowHost : public SplitHost {
public:
    // Told, on OK in the review window, the options that made the plan to write.
    using OptionsChosen =
        std::function<void(const std::string& thresholdText, bool useAverageMethod)>;

    // The progress window keeps its position in `settings`.
    WindowHost(QWidget* mainWindow, SettingsStore& settings);

    // From now on the plan is confirmed in the review window, not the report box.
    void ReviewPlans(OptionsChosen onChosen);
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) override;

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title, bool smooth) override;
    // An error has the critical icon.
    Answer ShowMessage(const std::string& text, const std::string& caption,
                       MessageKind kind) override;

private:
    QPointer<QWidget> mainWindow;
    SettingsStore& settings;
    bool reviewPlans = false;
    OptionsChosen optionsChosen;
};

} // namespace qtui
