// The desktop program's host for the splitting engine: the progress window and
// message boxes, both owned by the main window.
#pragma once

#include "SplitHost.h"

#include <QPointer>
#include <QWidget>

#include <functional>

// Whether this platform's program confirms the plan in the review window (true)
// or in the plain report box.
bool ReviewWindowWanted();

class WindowHost : public SplitHost {
public:
    // Told, on OK in the review window, the options that made the plan to write.
    using OptionsChosen =
        std::function<void(const std::string& thresholdText, bool useAverageMethod)>;

    explicit WindowHost(QWidget* mainWindow);

    // From now on the plan is confirmed in the review window, not the report box.
    void ReviewPlans(OptionsChosen onChosen);
    PlanAnswer ConfirmPlan(const PlanToConfirm& proposal, ChosenPlan& chosen) override;

    std::unique_ptr<ProgressDisplay> CreateProgress(const char* title, int smooth) override;
    // MB_OK: no icon, OK. MB_OKCANCEL: no icon, OK and Cancel. MB_ICONERROR:
    // the critical icon, OK. IDOK when OK was chosen, else IDCANCEL.
    int ShowMessage(const std::string& text, const char* caption, unsigned style) override;

private:
    QPointer<QWidget> mainWindow;
    bool reviewPlans = false;
    OptionsChosen optionsChosen;
};
