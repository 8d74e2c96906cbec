// Native dialog templates built at run time from the templates in res/: an
// extended dialog template (DLGTEMPLATEEX) in memory, ready for
// DialogBoxIndirectParamW and CreateDialogIndirectParamW.
#pragma once

#include "DialogTemplate.h"
#include "WinApi.h"

#include <cstdint>
#include <string>
#include <vector>

namespace winui {

// The window around the controls: its styles as the system names them.
struct DialogFrame {
    std::uint32_t style;
    std::uint32_t exStyle;
};

// The system's window class and style for one control of a template.
struct NativeControl {
    std::wstring className;
    std::uint32_t style;
    std::uint32_t exStyle;
};
NativeControl NativeControlFor(const DialogControl& control);

// The dialog font the templates' sizes were made for, 8 points. Current Windows
// maps it to its TrueType form, so the dialog units (and with them the whole
// layout) scale with the display's DPI; the wider system dialog font would cut
// off the labels.
inline constexpr const wchar_t* kDialogFontName = L"MS Sans Serif";
inline constexpr std::uint16_t kDialogFontPoints = 8;

// The program icon, for a static icon control's text.
inline constexpr std::uint16_t kProgramIconResource = IDR_MAINFRAME;

// The template's words, DWORD-aligned at the start as the system requires (the
// vector's storage is aligned for any type).
std::vector<std::uint16_t> BuildDialogTemplate(const DialogTemplate& dialog,
                                               const DialogFrame& frame);

// Dialog units follow the font's average letter width, but fonts differ in how
// wide their words are: with another font than the one a template was made for,
// labels would be cut off or wrapped. Stretching every position and width by
// the same factor keeps the layout's proportions and lets every text fit.
// Called once the dialog exists (WM_INITDIALOG); the dialog stays centred where
// it was.
void WidenToFitTexts(HWND dialog);

} // namespace winui
