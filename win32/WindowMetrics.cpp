#include "WindowMetrics.h"

namespace winui {

int WindowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    if (const HMODULE user = GetModuleHandleW(L"user32.dll")) {
        // Looked up, not linked: older Windows lack it. The detour through a
        // plain function pointer type is how a looked-up address is converted.
        const auto getDpi = reinterpret_cast<GetDpiForWindowFunction>(
            reinterpret_cast<void (*)()>(GetProcAddress(user, "GetDpiForWindow")));
        if (getDpi != nullptr) {
            if (const UINT dpi = getDpi(window); dpi != 0) {
                return static_cast<int>(dpi);
            }
        }
    }
    int dpi = 96;
    if (const HDC screen = GetDC(window)) {
        dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(window, screen);
    }
    return dpi;
}

} // namespace winui
