#include "CQuernfoldApp.h"

#include "CQuernfoldDlg.h"
#include "ProcessServices.h"
#include "RegistrySettingsStore.h"
#include "TextConversion.h"
#include "WinApi.h"

#include <shellapi.h>

namespace winui {

namespace {

// The file named on the command line ("Open with", a file dropped on the
// program's icon), as UTF-8; empty when there is none.
std::string FileFromCommandLine() {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) {
        return {};
    }
    std::string file = count > 1 ? Utf8FromUtf16(arguments[1]) : std::string();
    LocalFree(arguments);
    return file;
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
    CQuernfoldDlg dialog(settings, process::CurrentDirectory());
    dialog.StartWithFile(FileFromCommandLine());
    dialog.DoModal();
    return 0;
}

} // namespace winui
