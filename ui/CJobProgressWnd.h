// The progress popup of a split run in Qt: up to four lines of status text, a
// progress bar with a " Cancel " button to its right, and the percentage done
// in the caption. Everything runs on the user-interface thread, so the window
// also pumps the event queue for the engine's loops; that is how the user's
// cancel (the button, a button-up over it, Escape, a close request from the
// window manager) reaches the engine.
//
// The object and its popup are separate, as with a native window: after a
// cancel in the modal state the popup closes itself when the queued close is
// processed, and later calls find no window and do nothing.
#pragma once

#include "ProgressPresenter.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QWidget>

namespace qtui {

class CJobProgressWnd : public QObject, public ProgressPresenter, private ProgressView {
    Q_OBJECT
public:
    // The application's main window: the window that BeginModal disables until
    // the progress window is destroyed, and the owner when none is given. The
    // application object sets it once the main window exists.
    static void SetMainWindow(QWidget* mainWindow);
    static QWidget* MainWindow();

    // Creates and shows the popup at once; its position is kept in `settings`.
    CJobProgressWnd(QWidget* parent, const std::string& title, bool smooth,
                    SettingsStore& settings);
    ~CJobProgressWnd() override;

    // For tests and screenshots: the popup and its parts (null once destroyed).
    QWidget* Window() const { return window; }
    QLabel* StatusText() const { return statusText; }
    QProgressBar* ProgressBar() const { return progressBar; }
    QPushButton* CancelButton() const { return cancelButton; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool CreatePopup(const std::string& caption, bool smooth) override;
    bool Exists() const override { return window != nullptr; }
    bool IsVisible() const override;
    void ShowPopup() override;
    void HidePopup() override;
    void DestroyPopup() override;
    void CloseLater() override;
    void SetCaption(const std::string& caption) override;
    void SetStatusText(const std::string& text) override;
    void SetBar(int range, int value) override;
    void SetStep(std::int64_t) override {} // a Qt bar has no step of its own
    void EnableMainWindow(bool enabled) override;
    void ActivateMainWindow() override;
    void EnablePopup() override;
    bool ProgramIsActive() const override;
    void TakeFocus() override;
    void DispatchPending(bool escapeCancels) override;
    Point TopLeft() const override;
    void MoveTo(Point topLeft) override;
    void Centre() override;
    std::vector<Area> Screens() const override;

    void Layout(int textLines, int width);

    QPointer<QWidget> owner;
    QPointer<QWidget> window;
    QPointer<QLabel> statusText;
    QPointer<QProgressBar> progressBar;
    QPointer<QPushButton> cancelButton;
    // Set while DispatchPending runs, so the event filter knows what to look for.
    bool pumping = false;
    bool escapeCancelsWhilePumping = false;
    bool quitSeen = false;
};

} // namespace qtui
