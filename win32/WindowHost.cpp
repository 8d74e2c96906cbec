#include "WindowHost.h"

#include "CJobProgressWnd.h"
#include "TextConversion.h"

WindowHost::WindowHost(HWND owner, SettingsStore& store) : mainWindow(owner), settings(store) {}

std::unique_ptr<ProgressDisplay> WindowHost::CreateProgress(const char* title, int smooth) {
    return std::make_unique<CJobProgressWnd>(mainWindow, title, smooth, settings);
}

int WindowHost::ShowMessage(const std::string& text, const char* caption, unsigned style) {
    const bool isError = (style & MB_ICONERROR) != 0;
    const UINT boxStyle = isError                           ? MB_ICONERROR | MB_OK
                          : ButtonsOf(style) == MB_OKCANCEL ? MB_OKCANCEL
                                                            : MB_OK;
    const int answer =
        MessageBoxW(mainWindow, Utf16FromUtf8(text).c_str(),
                    Utf16FromUtf8(caption ? caption : "").c_str(), boxStyle | MB_SETFOREGROUND);
    return answer == IDOK ? IDOK : IDCANCEL;
}
