#include "CJobProgressWnd.h"

#include "TextConversion.h"
#include "WindowMetrics.h"

#include <cstring>

namespace winui {

namespace {

constexpr wchar_t kWindowClass[] = L"QuernfoldProgress";
constexpr int kCancelButtonId = 10;
constexpr int kStatusTextId = 11;
constexpr int kProgressBarId = 12;
constexpr wchar_t kButtonCaption[] = L" Cancel ";
// Posted by a cancel in the modal state: the window closes without saving its
// position (the user's own close request is WM_CLOSE, which cancels).
constexpr UINT kCloseAfterCancel = WM_APP + 1;
constexpr int kWidth = 390;
constexpr int kTextLines = 4;

HWND& MainWindowHandle() {
    static HWND mainWindow = nullptr;
    return mainWindow;
}

bool RegisterWindowClass() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &CJobProgressWnd::WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_APPSTARTING);
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    return registered;
}

void SetWindowUtf8(HWND window, const std::string& utf8) {
    SetWindowTextW(window, Utf16FromUtf8(utf8).c_str());
}

} // namespace

void CJobProgressWnd::SetMainWindow(HWND mainWindow) {
    MainWindowHandle() = mainWindow;
}

HWND CJobProgressWnd::MainWindow() {
    return MainWindowHandle();
}

CJobProgressWnd::CJobProgressWnd(HWND newOwner, const std::string& title, bool smooth,
                                 SettingsStore& settings)
    : ProgressPresenter(*this, settings, title), owner(newOwner) {
    Create(title, smooth);
}

CJobProgressWnd::~CJobProgressWnd() {
    DestroyWindow();
    if (font != nullptr) {
        DeleteObject(font);
    }
}

bool CJobProgressWnd::CreatePopup(const std::string& caption, bool smooth) {
    if (!RegisterWindowClass()) {
        return false;
    }
    if (owner == nullptr) {
        owner = MainWindow();
    }
    if (font == nullptr) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
            font = CreateFontIndirectW(&metrics.lfMessageFont);
        }
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    window = CreateWindowExW(WS_EX_DLGMODALFRAME, kWindowClass, Utf16FromUtf8(caption).c_str(),
                             WS_POPUP | WS_CAPTION, 0, 0, kWidth, 130, owner, nullptr, instance,
                             nullptr);
    if (window == nullptr) {
        return false;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    dpi = WindowDpi(window);

    auto child = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id) {
        return CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10, 10,
                               window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                               nullptr);
    };
    statusText = child(L"Static", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kStatusTextId);
    progressBar = child(PROGRESS_CLASSW, L"", smooth ? PBS_SMOOTH : 0, kProgressBarId);
    cancelButton = child(L"Button", kButtonCaption, WS_TABSTOP | BS_PUSHBUTTON, kCancelButtonId);
    if (statusText == nullptr || progressBar == nullptr || cancelButton == nullptr) {
        ::DestroyWindow(window);
        return false;
    }
    SendMessageW(cancelButton, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SendMessageW(statusText, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);

    Layout(kTextLines, Scaled(kWidth));
    return true;
}

int CJobProgressWnd::Scaled(int pixels) const {
    return MulDiv(pixels, dpi, 96);
}

void CJobProgressWnd::Layout(int lines, int width) {
    const int edgeX = GetSystemMetrics(SM_CXEDGE);
    const int edgeY = GetSystemMetrics(SM_CYEDGE);
    const int margin = Scaled(10);
    RECT text{margin, margin, width - 2 * margin, Scaled(120)};
    int buttonWidth = Scaled(60);
    int buttonHeight = Scaled(24);

    if (const HDC dc = GetDC(window)) {
        const HGDIOBJ previous = SelectObject(dc, font);
        std::wstring sample = L"M";
        for (int i = 1; i < lines; ++i) {
            sample += L"\nM";
        }
        DrawTextW(dc, sample.c_str(), -1, &text, DT_CALCRECT | DT_NOCLIP | DT_NOPREFIX);
        const std::wstring caption = std::wstring(kButtonCaption) + L"  ";
        SIZE extent{};
        if (GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent)) {
            buttonWidth = extent.cx + 4 * edgeX;
            buttonHeight = extent.cy + 3 * edgeY;
        }
        SelectObject(dc, previous);
        ReleaseDC(window, dc);
    }
    text.right = text.left + width;

    const RECT button{text.right - buttonWidth, text.bottom + margin, text.right,
                      text.bottom + margin + buttonHeight};
    const RECT bar{text.left, button.top + edgeY, button.left - margin, button.bottom - edgeY};

    // The client area gets the wanted size; the frame keeps its top-left corner.
    const int wantedWidth = width + 2 * margin;
    const int wantedHeight = (text.bottom - text.top) + buttonHeight + 3 * margin;
    RECT frame{};
    RECT client{};
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    MoveWindow(window, frame.left, frame.top,
               (frame.right - frame.left) + wantedWidth - (client.right - client.left),
               (frame.bottom - frame.top) + wantedHeight - (client.bottom - client.top), TRUE);

    auto place = [](HWND control, const RECT& r) {
        MoveWindow(control, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    place(progressBar, bar);
    place(cancelButton, button);
    place(statusText, text);
}

bool CJobProgressWnd::IsVisible() const {
    return IsWindowVisible(window) != FALSE;
}

void CJobProgressWnd::ShowPopup() {
    ShowWindow(window, SW_SHOWNA);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void CJobProgressWnd::HidePopup() {
    ShowWindow(window, SW_HIDE);
}

void CJobProgressWnd::DestroyPopup() {
    ::DestroyWindow(window);
}

void CJobProgressWnd::CloseLater() {
    PostMessageW(window, kCloseAfterCancel, 0, 0);
}

void CJobProgressWnd::SetCaption(const std::string& caption) {
    SetWindowUtf8(window, caption);
}

void CJobProgressWnd::SetStatusText(const std::string& text) {
    SetWindowUtf8(statusText, text);
}

void CJobProgressWnd::SetBar(int range, int value) {
    SendMessageW(progressBar, PBM_SETRANGE32, 0, range);
    SendMessageW(progressBar, PBM_SETPOS, static_cast<WPARAM>(value), 0);
}

void CJobProgressWnd::SetStep(std::int64_t step) {
    SendMessageW(progressBar, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void CJobProgressWnd::EnableMainWindow(bool enabled) {
    if (const HWND mainWindow = MainWindow()) {
        EnableWindow(mainWindow, enabled ? TRUE : FALSE);
    }
}

void CJobProgressWnd::ActivateMainWindow() {
    if (const HWND mainWindow = MainWindow(); IsWindow(mainWindow)) {
        SetForegroundWindow(mainWindow);
    }
}

void CJobProgressWnd::EnablePopup() {
    EnableWindow(window, TRUE);
}

bool CJobProgressWnd::ProgramIsActive() const {
    DWORD foregroundProcess = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &foregroundProcess);
    return foregroundProcess == GetCurrentProcessId();
}

// Keys reach the popup (Escape).
void CJobProgressWnd::TakeFocus() {
    const HWND focus = GetFocus();
    if (focus != window && !IsChild(window, focus)) {
        SetForegroundWindow(window);
        SetFocus(window);
    }
}

void CJobProgressWnd::DispatchPending(bool escapeCancels) {
    MSG msg;
    // Drains what is queued and returns; never waits for more.
    while (!IsCancelled() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Put back, so the program's own loop still ends.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (escapeCancels && msg.message == WM_CHAR && msg.wParam == VK_ESCAPE) {
            Cancel();
        }
        if (msg.message == WM_LBUTTONUP && cancelButton != nullptr) {
            // Whichever window it is addressed to, as long as it is over the button.
            RECT buttonRect{};
            if (GetWindowRect(cancelButton, &buttonRect) && PtInRect(&buttonRect, msg.pt)) {
                ButtonUpOverCancel();
            }
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

ProgressView::Point CJobProgressWnd::TopLeft() const {
    RECT frame{};
    GetWindowRect(window, &frame);
    return {frame.left, frame.top};
}

void CJobProgressWnd::MoveTo(Point topLeft) {
    SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Over the owner when it is on screen, else over the work area.
void CJobProgressWnd::Centre() {
    RECT area{};
    if (owner != nullptr && IsWindowVisible(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT frame{};
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {

BOOL CALLBACK AddMonitor(HMONITOR, HDC, LPRECT bounds, LPARAM areas) {
    reinterpret_cast<std::vector<ProgressView::Area>*>(areas)->push_back(
        {bounds->left, bounds->top, bounds->right - bounds->left, bounds->bottom - bounds->top});
    return TRUE;
}

} // namespace

std::vector<ProgressView::Area> CJobProgressWnd::Screens() const {
    std::vector<Area> areas;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&areas));
    return areas;
}

LRESULT CALLBACK CJobProgressWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    auto* self = reinterpret_cast<CJobProgressWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr || self->window != hwnd) {
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

LRESULT CJobProgressWnd::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == kCancelButtonId && HIWORD(wParam) == BN_CLICKED) {
            Cancel();
            return 0;
        }
        break;
    case WM_ERASEBKGND: {
        const HDC dc = reinterpret_cast<HDC>(wParam);
        RECT clip{};
        GetClipBox(dc, &clip);
        FillRect(dc, &clip, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_CTLCOLORSTATIC: // the status text on the window's own background
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CLOSE: // Alt+F4: the user's close request is a cancel
        Cancel();
        return 0;
    case kCloseAfterCancel:
        ::DestroyWindow(window);
        return 0;
    case WM_NCDESTROY: {
        const HWND closing = window;
        window = statusText = progressBar = cancelButton = nullptr;
        SetWindowLongPtrW(closing, GWLP_USERDATA, 0);
        return DefWindowProcW(closing, message, wParam, lParam);
    }
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

} // namespace winui
