// The Windows program's host for the splitting engine: the progress window and
// message boxes, both owned by the main window. The plan is confirmed in the
// engine's plain report box.
#pragma once

#include "SettingsStore.h"
#include "WinApi.h"

class WindowHost : public SplitHost {
public:
    WindowHost(HWND mainWindow, SettingsStore& settings);

    std::unique_ptr<ProgressDisplay> CreateProgress(const char* title, int smooth) override;
    // MB_OK: no icon, OK. MB_OKCANCEL: no icon, OK and Cancel. MB_ICONERROR:
    // the error icon, OK. IDOK when OK was chosen, else IDCANCEL.
    int ShowMessage(const std::string& text, const char* caption, unsigned style) override;

private:
    HWND mainWindow;
    SettingsStore& settings;
};
