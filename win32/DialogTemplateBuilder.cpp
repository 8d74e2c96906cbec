#include "DialogTemplateBuilder.h"

#include "TextConversion.h"
#include "WinApi.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace winui {

namespace {

class TemplateWriter {
public:
    explicit TemplateWriter(std::vector<std::uint16_t>& words) : words(words) {}

    void Word(std::uint16_t value) { words.push_back(value); }
    void DoubleWord(std::uint32_t value) {
        Word(static_cast<std::uint16_t>(value & 0xFFFF));
        Word(static_cast<std::uint16_t>(value >> 16));
    }
    void Short(int value) { Word(static_cast<std::uint16_t>(static_cast<std::int16_t>(value))); }
    void Text(const std::wstring& text) {
        for (wchar_t c : text) {
            Word(static_cast<std::uint16_t>(c));
        }
        Word(0);
    }
    // A resource named by number instead of a text.
    void Ordinal(std::uint16_t number) {
        Word(0xFFFF);
        Word(number);
    }
    // Every control starts on a DWORD boundary.
    void AlignToDoubleWord() {
        if (words.size() % 2 != 0) {
            Word(0);
        }
    }

private:
    std::vector<std::uint16_t>& words;
};

std::uint32_t ButtonStyle(ControlKind kind) {
    switch (kind) {
    case ControlKind::GroupBox:
        return BS_GROUPBOX;
    case ControlKind::DefPushButton:
        return BS_DEFPUSHBUTTON;
    case ControlKind::RadioButton:
        return BS_AUTORADIOBUTTON;
    case ControlKind::CheckBox:
        return BS_AUTOCHECKBOX;
    default:
        return BS_PUSHBUTTON;
    }
}

} // namespace

NativeControl NativeControlFor(const DialogControl& control) {
    const unsigned style = control.style;
    NativeControl native{L"", WS_CHILD | WS_VISIBLE, 0};
    if (style & StyleTabStop) {
        native.style |= WS_TABSTOP;
    }
    if (style & StyleGroup) {
        native.style |= WS_GROUP;
    }
    if (style & StyleBorder) {
        native.style |= WS_BORDER;
    }
    switch (control.kind) {
    case ControlKind::Static:
        native.className = L"Static";
        native.style |= (style & StyleAlignRight) ? SS_RIGHT : SS_LEFT;
        if (style & StyleNoPrefix) {
            native.style |= SS_NOPREFIX;
        }
        break;
    case ControlKind::StaticIcon:
        native.className = L"Static";
        native.style |= SS_ICON;
        break;
    case ControlKind::Edit:
        native.className = L"Edit";
        native.style |= ES_LEFT;
        if (style & StyleAutoHScroll) {
            native.style |= ES_AUTOHSCROLL;
        }
        if (style & StyleNumber) {
            native.style |= ES_NUMBER;
        }
        break;
    case ControlKind::GroupBox:
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
    case ControlKind::RadioButton:
    case ControlKind::CheckBox:
        native.className = L"Button";
        native.style |= ButtonStyle(control.kind);
        break;
    case ControlKind::Trackbar:
        native.className = TRACKBAR_CLASSW;
        native.style |= TBS_HORZ;
        if (style & StyleTicksBelow) {
            native.style |= TBS_AUTOTICKS | TBS_BOTTOM;
        }
        break;
    case ControlKind::UpDown:
        // Attached to the edit created just before it, at that edit's right
        // edge, writing plain decimal numbers into it; Up and Down step it.
        native.className = UPDOWN_CLASSW;
        native.style |=
            UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
        break;
    }
    return native;
}

std::vector<std::uint16_t> BuildDialogTemplate(const DialogTemplate& dialog,
                                               const DialogFrame& frame) {
    std::vector<std::uint16_t> words;
    TemplateWriter out(words);
    out.Word(1);       // dlgVer
    out.Word(0xFFFF);  // signature: extended template
    out.DoubleWord(0); // help id
    out.DoubleWord(frame.exStyle);
    out.DoubleWord(frame.style | DS_SETFONT);
    out.Word(static_cast<std::uint16_t>(dialog.controlCount));
    out.Short(0);
    out.Short(0);
    out.Short(dialog.width);
    out.Short(dialog.height);
    out.Word(0); // no menu
    out.Word(0); // the standard dialog class
    out.Text(Utf16FromUtf8(dialog.caption));
    out.Word(kDialogFontPoints);
    out.Word(FW_NORMAL);
    out.Word(DEFAULT_CHARSET << 8); // italic (low byte) 0, then the character set
    out.Text(kDialogFontName);

    for (std::size_t i = 0; i < dialog.controlCount; ++i) {
        const DialogControl& control = dialog.controls[i];
        const NativeControl native = NativeControlFor(control);
        out.AlignToDoubleWord();
        out.DoubleWord(0); // help id
        out.DoubleWord(native.exStyle);
        out.DoubleWord(native.style);
        out.Short(control.x);
        out.Short(control.y);
        out.Short(control.w);
        out.Short(control.h);
        out.DoubleWord(static_cast<std::uint32_t>(control.id));
        out.Text(native.className);
        if (control.kind == ControlKind::StaticIcon) {
            out.Ordinal(kProgramIconResource);
        } else {
            out.Text(Utf16FromUtf8(control.text));
        }
        out.Word(0); // no creation data
    }
    return words;
}

namespace {

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

RECT ClientRectOf(HWND parent, HWND child) {
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The room a control's own drawing takes besides its text: the box of a check
// box or radio button, the frame of a push button.
int ChromeWidth(const std::wstring& className, LONG style) {
    if (_wcsicmp(className.c_str(), L"Button") != 0) {
        return 0;
    }
    switch (style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
    case BS_CHECKBOX:
    case BS_AUTORADIOBUTTON:
    case BS_RADIOBUTTON:
        return GetSystemMetrics(SM_CXMENUCHECK) + 3 * GetSystemMetrics(SM_CXEDGE);
    default:
        return 4 * GetSystemMetrics(SM_CXEDGE);
    }
}

bool HasMeasuredText(const std::wstring& className, LONG style) {
    if (_wcsicmp(className.c_str(), L"Static") == 0) {
        return (style & SS_TYPEMASK) != SS_ICON;
    }
    return _wcsicmp(className.c_str(), L"Button") == 0 && (style & BS_TYPEMASK) != BS_GROUPBOX;
}

} // namespace

void WidenToFitTexts(HWND dialog) {
    const std::vector<HWND> children = ChildWindows(dialog);
    const HDC dc = GetDC(dialog);
    if (dc == nullptr) {
        return;
    }
    const HGDIOBJ previousFont =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    double factor = 1.0;
    for (HWND child : children) {
        wchar_t className[32] = {};
        GetClassNameW(child, className, static_cast<int>(std::size(className)));
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const int length = GetWindowTextLengthW(child);
        if (!HasMeasuredText(className, style) || length <= 0) {
            continue;
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(child, text.data(), static_cast<int>(text.size()))));
        RECT measured{0, 0, 0, 0};
        const UINT prefix =
            (style & SS_NOPREFIX) != 0 && _wcsicmp(className, L"Static") == 0 ? DT_NOPREFIX : 0;
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured,
                  DT_CALCRECT | DT_SINGLELINE | prefix);
        const RECT rect = ClientRectOf(dialog, child);
        const int width = rect.right - rect.left;
        if (width > 0) {
            const int needed = measured.right + ChromeWidth(className, style);
            factor = std::max(factor, static_cast<double>(needed) / width);
        }
    }
    SelectObject(dc, previousFont);
    ReleaseDC(dialog, dc);
    if (factor <= 1.0) {
        return;
    }

    const auto stretch = [factor](LONG x) { return static_cast<int>(x * factor + 0.5); };
    for (HWND child : children) {
        const RECT rect = ClientRectOf(dialog, child);
        const int left = stretch(rect.left);
        SetWindowPos(child, nullptr, left, rect.top, stretch(rect.right) - left,
                     rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame{};
    RECT client{};
    GetWindowRect(dialog, &frame);
    GetClientRect(dialog, &client);
    const int growth = stretch(client.right) - client.right;
    SetWindowPos(dialog, nullptr, frame.left - growth / 2, frame.top,
                 frame.right - frame.left + growth, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace winui
