// The progress popup of a split run: up to four lines of status text, a progress
// bar with a " Cancel " button to its right, and the percentage done in the
// caption. Everything runs on the user-interface thread, so the window also
// pumps the event queue for the engine's loops; that is how the user's cancel
// (the button, a button-up over it, Escape, a close request from the window
// manager) reaches the engine.
//
// The object and its popup are separate, as with a native window: after a
// cancel in the modal state the popup closes itself when the queued close is
// processed, and later calls find no window and do nothing.
#pragma once

#include "SplitHost.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <QWidget>

#include <cstdint>

class CJobProgressWnd : public QObject, public ProgressDisplay {
    Q_OBJECT
public:
    // The application's main window: the window that BeginModal disables until
    // the progress window is destroyed, and the owner when none is given. The
    // application object sets it once the main window exists.
    static void SetMainWindow(QWidget* mainWindow);
    static QWidget* MainWindow();

    // Creates and shows the popup at once (creation failures are not reported:
    // every later update is then a no-op).
    CJobProgressWnd(QWidget* parent, const char* title, int smooth);
    ~CJobProgressWnd() override;
    CJobProgressWnd(const CJobProgressWnd&) = delete;
    CJobProgressWnd& operator=(const CJobProgressWnd&) = delete;

    bool Create(QWidget* parent, const char* title, int smooth);
    bool BeginModal(const std::string& title, bool smooth) override;
    std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) override;
    std::int64_t SetPos(std::int64_t pos) override;
    void PumpMessages(bool escapeCancels) override;
    bool IsCancelled() const override { return cancelled; }
    void Hide() override;
    void Show();
    // Saves the position, ends the modal state and destroys the popup.
    bool DestroyWindow();

    // For tests and screenshots: the popup and its parts (null once destroyed).
    QWidget* Window() const { return window; }
    QLabel* StatusText() const { return statusText; }
    QProgressBar* ProgressBar() const { return progressBar; }
    QPushButton* CancelButton() const { return cancelButton; }
    bool IsModal() const { return modal; }

protected:
    void ShowStatus(const std::string& text) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Layout(int textLines, int width);
    void Cancel();
    void RestorePosition();
    void SavePosition();
    void CenterWindow();
    void UpdateBar();
    void DispatchPending(bool escapeCancels);

    bool cancelled = false;
    bool modal = false;
    std::int64_t position = 0;
    int shownPercentage = 0;
    std::int64_t step = 1;
    std::int64_t upper = 100;
    std::int64_t lower = 0;
    int textLines = 4;
    QPointer<QWidget> window;
    QPointer<QLabel> statusText;
    QPointer<QProgressBar> progressBar;
    QPointer<QPushButton> cancelButton;
    QPointer<QWidget> owner;
    QString title = QStringLiteral("Progress");
    QString buttonCaption = QStringLiteral(" Cancel ");
    // Set while PumpMessages runs, so the event filter knows what to look for.
    bool pumping = false;
    bool escapeCancelsWhilePumping = false;
    bool quitSeen = false;
    bool closePosted = false;
    // Set when the popup should take the focus at the next pump, if this program
    // is the active one then.
    bool focusWanted = false;
};
