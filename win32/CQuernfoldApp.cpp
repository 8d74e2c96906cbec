#include "CQuernfoldApp.h"

#include "CQuernfoldDlg.h"
#include "RegistrySettingsStore.h"
#include "TextConversion.h"
#include "WinApi.h"

namespace {

std::string CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = needed ? GetCurrentDirectoryW(needed, folder.data()) : 0;
    folder.resize(length < needed ? length : 0);
    return Utf8FromUtf16(folder);
}

} // namespace

CQuernfoldApp::CQuernfoldApp() {
    // The folder picker is a shell dialog: it needs COM on this thread.
    comInitialized =
        SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

CQuernfoldApp::~CQuernfoldApp() {
    if (comInitialized) {
        CoUninitialize();
    }
}

int CQuernfoldApp::Run() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls); // without it the trackbar class may be missing

    RegistrySettingsStore settings(kSettingsRoot, ProgramNameFromExecutable());
    CQuernfoldDlg dialog(settings, CurrentFolder());
    dialog.DoModal();
    return 0;
}
