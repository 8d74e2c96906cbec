// What the progress window of a run does, apart from drawing: its range,
// position and the percentage in its caption, the modal state that disables the
// main window, the cancel request, when it shows itself and takes the focus,
// and where it is kept between runs. Each desktop front end gives it a view:
// the popup and its controls in that toolkit.
#pragma once

#include "SettingsStore.h"
#include "SplitHost.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class ProgressView {
public:
    struct Point {
        int x = 0;
        int y = 0;
    };
    struct Area {
        int left = 0;
        int top = 0;
        int width = 0;
        int height = 0;
    };

    virtual ~ProgressView() = default;

    // Creates the popup with its status text, bar and " Cancel " button, laid
    // out and hidden; false when the toolkit could not.
    virtual bool CreatePopup(const std::string& caption, bool smooth) = 0;
    // False once the popup is destroyed, also by the close a cancel asked for.
    virtual bool Exists() const = 0;
    virtual bool IsVisible() const = 0;
    // Shows the popup without activating it.
    virtual void ShowPopup() = 0;
    virtual void HidePopup() = 0;
    virtual void DestroyPopup() = 0;
    // Closes the popup once the events queued now are handled, without saving
    // its position.
    virtual void CloseLater() = 0;

    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void SetBar(int range, int value) = 0;
    virtual void SetStep(std::int64_t step) = 0;

    // The application's main window: disabled while the popup is modal.
    virtual void EnableMainWindow(bool enabled) = 0;
    virtual void ActivateMainWindow() = 0;
    // The popup takes part in input while modal.
    virtual void EnablePopup() = 0;
    // True when one of this program's windows is the active one.
    virtual bool ProgramIsActive() const = 0;
    virtual void TakeFocus() = 0;

    // Handles what is queued and returns without waiting; tells the presenter
    // of Escape (when it cancels), a button-up over Cancel and the user's
    // return to this program.
    virtual void DispatchPending(bool escapeCancels) = 0;

    virtual Point TopLeft() const = 0;
    virtual void MoveTo(Point topLeft) = 0;
    // Over the owner when it is on screen, else over the screen.
    virtual void Centre() = 0;
    // Every screen's area in the desktop's coordinates.
    virtual std::vector<Area> Screens() const = 0;
};

// A front end's progress window derives from both: its constructor ends with
// Create (the popup appears at once; a failure is not reported, every later
// update is then a no-op) and its destructor begins with DestroyWindow, since
// neither can reach the view while it is half built.
class ProgressPresenter : public ProgressDisplay {
public:
    // The position is kept in `settings`.
    ProgressPresenter(ProgressView& view, SettingsStore& settings, std::string title);
    ProgressPresenter(const ProgressPresenter&) = delete;
    ProgressPresenter& operator=(const ProgressPresenter&) = delete;

    bool Create(const std::string& caption, bool smooth);
    bool BeginModal(const std::string& title, bool smooth) override;
    std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) override;
    std::int64_t SetPos(std::int64_t pos) override;
    void PumpMessages(bool escapeCancels) override;
    bool IsCancelled() const override { return cancelled; }
    void Hide() override;
    void Show();
    // Saves the position, ends the modal state and destroys the popup.
    bool DestroyWindow();
    bool IsModal() const { return modal; }

    // From the view: the Cancel button, Escape while pumping, a close request.
    void Cancel();
    // From the view while pumping: a button-up over the Cancel button, in
    // whichever window; it cancels in the modal state.
    void ButtonUpOverCancel();
    // From the view: the user came back to one of this program's windows.
    void UserReturned() { focusWanted = true; }

protected:
    void ShowStatus(const std::string& text) override;

private:
    void UpdateBar();
    void RestorePosition();
    void SavePosition();

    ProgressView& view;
    SettingsStore& settings;
    std::string title;
    bool cancelled = false;
    bool modal = false;
    bool closePosted = false;
    // The popup takes the focus at the next pump, if this program is active then.
    bool focusWanted = false;
    bool programWasActive = true;
    std::int64_t position = 0;
    int shownPercentage = 0;
    std::int64_t step = 1;
    std::int64_t upper = 100;
    std::int64_t lower = 0;
};

// Whether a stored top-left corner lies on one of the screens.
bool LiesOnAScreen(ProgressView::Point point, const std::vector<ProgressView::Area>& screens);
