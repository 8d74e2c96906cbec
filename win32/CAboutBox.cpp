#include "CAboutBox.h"

#include "ControlIds.h"
#include "DialogTemplateBuilder.h"

namespace winui {

namespace {

INT_PTR CALLBACK AboutProc(HWND box, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    switch (message) {
    case WM_INITDIALOG:
        WidenToFitTexts(box);
        return TRUE; // the focus goes to OK
    case WM_COMMAND:
        if (LOWORD(wParam) == AboutBoxId::kOk || LOWORD(wParam) == IDCANCEL) {
            EndDialog(box, LOWORD(wParam));
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

} // namespace

const DialogFrame& CAboutBox::Frame() {
    static const DialogFrame frame{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER,
                                   0};
    return frame;
}

void CAboutBox::DoModal(HWND owner) {
    const std::vector<std::uint16_t> words = BuildDialogTemplate(kAboutBoxTemplate, Frame());
    DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                            reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner, &AboutProc, 0);
}

} // namespace winui
