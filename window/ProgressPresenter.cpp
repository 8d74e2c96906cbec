#include "ProgressPresenter.h"

#include "ProgressRules.h"

#include <utility>

ProgressPresenter::ProgressPresenter(ProgressView& view, SettingsStore& settings, std::string title)
    : view(view), settings(settings), title(std::move(title)) {}

bool ProgressPresenter::Create(const std::string& caption, bool smooth) {
    if (!view.CreatePopup(caption, smooth)) {
        return false;
    }
    RestorePosition();
    Show();
    return true;
}

bool ProgressPresenter::BeginModal(const std::string& caption, bool smooth) {
    if (!view.Exists() && !Create(caption, smooth)) {
        return false;
    }
    view.EnableMainWindow(false);
    view.EnablePopup();
    modal = true;
    focusWanted = programWasActive = view.ProgramIsActive();
    return true;
}

std::int64_t ProgressPresenter::SetRange(std::int64_t newLower, std::int64_t newUpper,
                                         std::int64_t newStep) {
    if (!view.Exists()) {
        return 0;
    }
    const std::int64_t previousStep = step;
    lower = newLower;
    upper = newUpper;
    step = newStep;
    view.SetStep(newStep);
    UpdateBar();
    return previousStep;
}

std::int64_t ProgressPresenter::SetPos(std::int64_t pos) {
    if (!view.Exists()) {
        return position;
    }
    Show();
    const std::int64_t previous = position;
    position = pos;
    const int percentage = ProgressPercentage(lower, upper, pos);
    if (percentage != shownPercentage) {
        shownPercentage = percentage;
        view.SetCaption(title + " [" + std::to_string(percentage) + "%]");
    }
    UpdateBar();
    return previous;
}

void ProgressPresenter::UpdateBar() {
    const BarPosition bar = ProgressBarPosition(lower, upper, position);
    view.SetBar(bar.range, bar.value);
}

void ProgressPresenter::ShowStatus(const std::string& text) {
    if (view.Exists()) {
        view.SetStatusText(text);
    }
}

void ProgressPresenter::PumpMessages(bool escapeCancels) {
    if (!cancelled) {
        view.DispatchPending(escapeCancels);
    }
    // The focus comes to the popup when a run begins or shows it again, and when
    // the user comes back to this program; never while another program is
    // active, so that the keys typed there stay there. (Asking on every pump
    // would pull the focus back in the moment the toolkit takes to notice that
    // the user has switched away.)
    const bool active = view.ProgramIsActive();
    if (active && !programWasActive) {
        focusWanted = true;
    }
    programWasActive = active;
    if (focusWanted && active && modal && view.Exists() && view.IsVisible()) {
        focusWanted = false;
        view.TakeFocus();
    }
}

void ProgressPresenter::Cancel() {
    const bool wasCancelled = cancelled;
    cancelled = true;
    Hide();
    if (modal && view.Exists() && !wasCancelled && !closePosted) {
        // This close skips DestroyWindow: the position is not saved and the
        // presenter stays modal until the engine ends the run.
        closePosted = true;
        view.CloseLater();
    }
    view.ActivateMainWindow();
}

void ProgressPresenter::ButtonUpOverCancel() {
    if (modal) {
        Cancel();
    }
}

void ProgressPresenter::Hide() {
    if (view.Exists() && view.IsVisible()) {
        view.HidePopup();
    }
}

void ProgressPresenter::Show() {
    if (view.Exists() && !view.IsVisible()) {
        // A popup that appears while the user works in another program leaves
        // the focus there.
        focusWanted = programWasActive = view.ProgramIsActive();
        view.ShowPopup();
    }
}

bool ProgressPresenter::DestroyWindow() {
    if (view.Exists()) {
        SavePosition();
    }
    if (modal) {
        modal = false;
        // Before the popup goes, so the activation passes back to the main window.
        view.EnableMainWindow(true);
    }
    if (!view.Exists()) {
        return false;
    }
    view.DestroyPopup();
    return true;
}

void ProgressPresenter::RestorePosition() {
    const std::optional<std::int32_t> x =
        settings.ReadInt(kProgressSettingsSection, kProgressSettingsX);
    const std::optional<std::int32_t> y =
        settings.ReadInt(kProgressSettingsSection, kProgressSettingsY);
    if (x && y && LiesOnAScreen({*x, *y}, view.Screens())) {
        view.MoveTo({*x, *y});
    } else {
        view.Centre();
    }
}

void ProgressPresenter::SavePosition() {
    const ProgressView::Point topLeft = view.TopLeft();
    // Both in one go, so the stored position is never half old, half new.
    settings.WriteSection(kProgressSettingsSection,
                          {{kProgressSettingsX, std::int32_t{topLeft.x}},
                           {kProgressSettingsY, std::int32_t{topLeft.y}}});
}

bool LiesOnAScreen(ProgressView::Point point, const std::vector<ProgressView::Area>& screens) {
    for (const ProgressView::Area& screen : screens) {
        if (point.x >= screen.left && point.x - screen.left < screen.width &&
            point.y >= screen.top && point.y - screen.top < screen.height) {
            return true;
        }
    }
    return false;
}
