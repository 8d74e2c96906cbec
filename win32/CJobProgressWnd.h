// The progress popup of a split run as a native window: up to four lines of
// status text, a progress bar with a " Cancel " button to its right, and the
// percentage done in the caption. Everything runs on the user-interface thread,
// so the window also pumps the thread's messages for the engine's loops; that
// is how the user's cancel (the button, a button-up over it, Escape, a close
// request) reaches the engine.
//
// The object and its window are separate: after a cancel in the modal state the
// window closes itself when the posted close is processed, and later calls find
// no window and do nothing.
#pragma once

#include "ProgressPresenter.h"
#include "WinApi.h"

namespace winui {

class CJobProgressWnd : public ProgressPresenter, private ProgressView {
public:
    // The application's main window: the window BeginModal disables until the
    // progress window is destroyed, and the owner when none is given.
    static void SetMainWindow(HWND mainWindow);
    static HWND MainWindow();

    // Creates and shows the window at once; its position is kept in `settings`.
    CJobProgressWnd(HWND owner, const std::string& title, bool smooth, SettingsStore& settings);
    ~CJobProgressWnd() override;

    HWND Window() const { return window; }

    // The window class's procedure: hands the messages to the object.
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

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
    void SetStep(std::int64_t step) override;
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

    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout(int lines, int width);
    int Scaled(int pixels) const;

    HWND owner = nullptr;
    HWND window = nullptr;
    HWND statusText = nullptr;
    HWND progressBar = nullptr;
    HWND cancelButton = nullptr;
    HFONT font = nullptr;
    int dpi = 96;
};

} // namespace winui
