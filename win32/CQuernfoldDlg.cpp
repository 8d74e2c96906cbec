#include "CQuernfoldDlg.h"

#include "BrowseForOutputFolder.h"
#include "CAboutBox.h"
#include "CJobProgressWnd.h"
#include "ControlIds.h"
#include "DialogTemplateBuilder.h"
#include "FieldControls.h"
#include "OptionRules.h"
#include "TextConversion.h"
#include "WindowHost.h"

#include <algorithm>
#include <iterator>
#include <vector>

namespace winui {

namespace {

using Field = MainWindowView::Field;

// Leaving a field commits once the focus change has finished, so that a failing
// commit can put the focus back.
constexpr UINT kCommitLeftField = WM_APP + 1;

std::string WindowText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return Utf8FromUtf16(text);
}

HICON LoadProgramIcon(int width, int height) {
    return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                         IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
}

} // namespace

CQuernfoldDlg::CQuernfoldDlg(SettingsStore& store, std::string startFolder)
    : settings(store), form(*this, store, std::move(startFolder)),
      bigIcon(LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON))),
      smallIcon(LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON))) {}

CQuernfoldDlg::~CQuernfoldDlg() = default;

const DialogFrame& CQuernfoldDlg::Frame() {
    // No minimise or maximise box; a task-bar button of its own; centred.
    static const DialogFrame frame{WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                       DS_CENTER,
                                   WS_EX_APPWINDOW};
    return frame;
}

INT_PTR CQuernfoldDlg::DoModal() {
    const std::vector<std::uint16_t> words = BuildDialogTemplate(kMainWindowTemplate, Frame());
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr),
                                   reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), nullptr,
                                   &DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CQuernfoldDlg::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CQuernfoldDlg*>(lParam)->window = hwnd;
    }
    auto* self = reinterpret_cast<CQuernfoldDlg*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CQuernfoldDlg::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return FALSE; // the form has put the focus in the input-file edit
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_HSCROLL:
        if (reinterpret_cast<HWND>(lParam) == Control(MainWindowId::kThreshold)) {
            form.ThresholdMoved(
                static_cast<int>(SendMessageW(reinterpret_cast<HWND>(lParam), TBM_GETPOS, 0, 0)));
            return TRUE;
        }
        break;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == IDM_ABOUTBOX) {
            CAboutBox::DoModal(window);
            SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
            return TRUE;
        }
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return TRUE;
    case kCommitLeftField:
        if (IsWindowVisible(window)) {
            form.CommitLeftField();
        }
        return TRUE;
    case WM_DESTROY:
        CJobProgressWnd::SetMainWindow(nullptr);
        break;
    default:
        break;
    }
    return FALSE;
}

void CQuernfoldDlg::OnInitDialog() {
    using namespace MainWindowId;
    CJobProgressWnd::SetMainWindow(window);
    WidenToFitTexts(window);
    AddAboutItem();
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon.get()));
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));

    // What can be typed; a text the window puts there is shown in full.
    SendMessageW(Control(kFileNamePrefix), EM_SETLIMITTEXT, kMaxPrefixCharacters, 0);
    SendMessageW(Control(kInputPath), EM_SETLIMITTEXT, kMaxPathCharacters, 0);
    SendMessageW(Control(kOutputFolder), EM_SETLIMITTEXT, kMaxPathCharacters, 0);

    const HWND threshold = Control(kThreshold);
    SendMessageW(threshold, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(threshold, TBM_SETRANGEMAX, FALSE, kThresholdSteps);
    SendMessageW(threshold, TBM_SETTICFREQ, kThresholdTicksInterval, 0);
    MakeRoomForTicks(threshold);

    DragAcceptFiles(window, TRUE);
    form.Open();
}

// The template's 16 dialog units (24 px at 96 DPI) leave no room below the
// thumb for the tick marks with some common controls (Wine's clips them all):
// the trackbar is made as tall as its thumb plus the ticks' room, growing
// downwards into the gap above the scale's labels (30 px at 96 DPI).
void CQuernfoldDlg::MakeRoomForTicks(HWND trackbar) {
    // Besides the thumb: its 2 px offset from the top, a 2 px gap below it and
    // the ticks, 3 px long and longer at the ends.
    constexpr int kTickRoom = 9;
    const int thumb = static_cast<int>(SendMessageW(trackbar, TBM_GETTHUMBLENGTH, 0, 0));
    RECT bounds{};
    if (thumb <= 0 || !GetWindowRect(trackbar, &bounds)) {
        return;
    }
    const int height = bounds.bottom - bounds.top;
    if (height < thumb + kTickRoom) {
        SetWindowPos(trackbar, nullptr, 0, 0, bounds.right - bounds.left, thumb + kTickRoom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The first item dropped from Explorer: a WAV file or an output folder.
void CQuernfoldDlg::OnDropFiles(HDROP drop) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    std::wstring path(length + 1, L'\0');
    const UINT copied = DragQueryFileW(drop, 0, path.data(), length + 1);
    DragFinish(drop);
    if (length == 0 || copied == 0) {
        return;
    }
    path.resize(copied);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool isFolder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    form.ItemDropped(Utf8FromUtf16(path), isFolder);
}

void CQuernfoldDlg::AddAboutItem() {
    const HMENU menu = GetSystemMenu(window, FALSE);
    wchar_t text[256] = {};
    if (menu == nullptr || LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, text,
                                       static_cast<int>(std::size(text))) <= 0) {
        return;
    }
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void CQuernfoldDlg::OnCommand(int id, int notification) {
    using namespace MainWindowId;
    switch (id) {
    case kStart: // also Enter
        form.Start();
        return;
    case kClose: // also Escape and the close box
        if (form.Close()) {
            EndDialog(window, kClose);
        }
        return;
    default:
        break;
    }
    if (notification == BN_CLICKED) {
        switch (id) {
        case kBrowseInput:
            form.BrowseInput();
            break;
        case kBrowseOutput:
            form.BrowseOutput();
            break;
        case kSuggestThreshold:
            form.SuggestThreshold();
            break;
        case kAverageMethod:
            form.MethodClicked(Field::AverageMethod);
            break;
        case kMaximumMethod:
            form.MethodClicked(Field::MaximumMethod);
            break;
        default:
            break;
        }
        return;
    }
    const std::optional<Field> field = FieldOfControl(id);
    if (notification == EN_KILLFOCUS && field && MainWindowForm::CommitsOnLeave(*field) &&
        !form.IgnoringNotifications() && !form.Running()) {
        form.FieldLeft();
        PostMessageW(window, kCommitLeftField, 0, 0);
    }
}

HWND CQuernfoldDlg::Control(int id) const {
    return window != nullptr ? GetDlgItem(window, id) : nullptr;
}

HWND CQuernfoldDlg::FieldControl(Field field) const {
    return Control(ControlIdOf(field));
}

std::string CQuernfoldDlg::Text(Field field) const {
    return WindowText(FieldControl(field));
}

void CQuernfoldDlg::SetText(Field field, const std::string& text) {
    SetWindowTextW(FieldControl(field), Utf16FromUtf8(text).c_str());
}

bool CQuernfoldDlg::IsChecked(Field field) const {
    return SendMessageW(FieldControl(field), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CQuernfoldDlg::SetChecked(Field field, bool checked) {
    using namespace MainWindowId;
    if ((field == Field::AverageMethod || field == Field::MaximumMethod) && checked) {
        // A radio button checked by the program unchecks the other of its group.
        CheckRadioButton(window, kAverageMethod, kMaximumMethod, ControlIdOf(field));
        return;
    }
    SendMessageW(FieldControl(field), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CQuernfoldDlg::SetThresholdPosition(int position) {
    SendMessageW(Control(MainWindowId::kThreshold), TBM_SETPOS, TRUE, position);
}

void CQuernfoldDlg::SetArrows(Field field, int minimum, int maximum, int position) {
    const std::optional<int> arrowsId = ArrowsIdOf(field);
    if (!arrowsId) {
        return;
    }
    const HWND arrows = Control(*arrowsId);
    SendMessageW(arrows, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageW(arrows, UDM_SETPOS32, 0, position);
}

void CQuernfoldDlg::Focus(Field field) {
    if (const HWND control = FieldControl(field)) {
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void CQuernfoldDlg::ReportProblem(Field field, const std::string& message) {
    MessageBoxW(window, Utf16FromUtf8(message).c_str(),
                Utf16FromUtf8(kMainWindowTemplate.caption).c_str(), MB_ICONWARNING | MB_OK);
    Focus(field);
    SendMessageW(FieldControl(field), EM_SETSEL, 0, -1);
}

std::optional<std::string> CQuernfoldDlg::ChooseInputFile(const std::string& startFolder) {
    const std::wstring initialFolder = Utf16FromUtf8(startFolder);
    // Room for any path Windows can hold.
    std::wstring file(32768, L'\0');
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"WAV Files (*.wav)\0*.wav\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameW(&dialog)) {
        return std::nullopt;
    }
    file.resize(std::wstring_view(file.c_str()).size());
    return Utf8FromUtf16(file);
}

FolderChoice CQuernfoldDlg::PickOutputFolder(std::string& folder, const std::string& startFolder) {
    return FolderChoiceOfPicker(BrowseForOutputFolder(folder, window, startFolder));
}

std::unique_ptr<SplitHost> CQuernfoldDlg::CreateHost() {
    auto host = std::make_unique<WindowHost>(window, settings);
    host->ReviewPlans(
        [this](const std::string& text, bool average) { form.ApplyChosenOptions(text, average); });
    return host;
}

} // namespace winui
