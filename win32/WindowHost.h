// The Windows program's host for the splitting engine: the progress window and
// message boxes, both owned by the main window. The plan is confirmed in the
// engine's plain report box.
#pragma once

#include "SettingsStore.h"
#include "SplitHost.h"
#include "WinApi.h"

namespace winui {

class WindowHost : public SplitHost {
public:
    WindowHost(HWND mainWindow, SettingsStore& settings);

    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string& title, bool smooth) override;
    Answer ShowMessage(const std::string& text, const std::string& caption,
                       MessageKind kind) override;

private:
    HWND mainWindow;
    SettingsStore& settings;
};

} // namespace winui
