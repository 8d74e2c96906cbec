// The progress popup of a split run: up to four lines of status text, a progress
// bar with a " Cancel " button to its right, and the percentage done in the
// caption. Everything runs on the user-interface thread, so the window also
// pumps the thread's messages for the engine's loops; that is how the user's
// cancel (the button, a button-up over it, Escape, a close request) reaches
// the engine.
//
// The object and its window are separate: after a cancel in the modal state the
// window closes itself when the posted close is processed, and later calls find
// no window and do nothing.
#pragma once

#include "SettingsStore.h"
#include "SplitHost.h"
#include "WinApi.h"

#include <cstdint>
#include <string>

class CJobProgressWnd : public ProgressDisplay {
public:
    // The application's main window: the window BeginModal disables until the
    // progress window is destroyed, and the owner when none is given.
    static void SetMainWindow(HWND mainWindow);
    static HWND MainWindow();

    // Creates and shows the window at once; creation failures are not reported
    // (every later update is then a no-op). The position is kept in `settings`.
    CJobProgressWnd(HWND owner, const char* title, int smooth, SettingsStore& settings);
    ~CJobProgressWnd() override;
    CJobProgressWnd(const CJobProgressWnd&) = delete;
    CJobProgressWnd& operator=(const CJobProgressWnd&) = delete;

    bool Create(HWND owner, const char* title, int smooth);
    bool BeginModal(const std::string& title, bool smooth) override;
    std::int64_t SetRange(std::int64_t lower, std::int64_t upper, std::int64_t step) override;
    std::int64_t SetPos(std::int64_t pos) override;
    void PumpMessages(bool escapeCancels) override;
    bool IsCancelled() const override { return cancelled; }
    void Hide() override;
    void Show();
    // Saves the position, ends the modal state and destroys the window.
    bool DestroyWindow();

    HWND Window() const { return window; }

    // The window class's procedure: hands the messages to the object.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

protected:
    void ShowStatus(const std::string& text) override;

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout(int lines, int width);
    void Cancel();
    void RestorePosition();
    void SavePosition();
    void CenterWindow();
    void UpdateBar();
    int Scaled(int pixels) const;

    SettingsStore& settings;
    bool cancelled = false;
    bool modal = false;
    bool closePosted = false;
    std::int64_t position = 0;
    int shownPercentage = 0;
    std::int64_t step = 1;
    std::int64_t upper = 100;
    std::int64_t lower = 0;
    int textLines = 4;
    std::string title = "Progress";
    HWND owner = nullptr;
    HWND window = nullptr;
    HWND statusText = nullptr;
    HWND progressBar = nullptr;
    HWND cancelButton = nullptr;
    HFONT font = nullptr;
    int dpi = 96;
};
