// The About item on the window's own system menu.
#include "CQuernfoldDlg.h"

#include "DialogTemplate.h"

// Included last: its macros would rename the engine's message-box constants.
#include <windows.h>

void CQuernfoldDlg::AddAboutItem() {
    const QString text = QString::fromUtf8(kAboutMenuText);
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr && !text.isEmpty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
}

bool CQuernfoldDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
