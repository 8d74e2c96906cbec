// The desktop program's host for the splitting engine: the progress window and
// message boxes, both owned by the main window.
#pragma once

#include "SplitHost.h"

#include <QPointer>
#include <QWidget>

class WindowHost : public SplitHost {
public:
    explicit WindowHost(QWidget* mainWindow);

    std::unique_ptr<ProgressDisplay> CreateProgress(const char* title, int smooth) override;
    // MB_OK: no icon, OK. MB_OKCANCEL: no icon, OK and Cancel. MB_ICONERROR:
    // the critical icon, OK. IDOK when OK was chosen, else IDCANCEL.
    int ShowMessage(const std::string& text, const char* caption, unsigned style) override;

private:
    QPointer<QWidget> mainWindow;
};
