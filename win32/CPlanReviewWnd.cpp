#include "CPlanReviewWnd.h"

#include "DialogTemplateBuilder.h"
#include "Messages.h"
#include "OptionRules.h"
#include "OptionSettings.h"
#include "ProcessServices.h"
#include "ReviewGeometry.h"
#include "TextConversion.h"
#include "WindowMetrics.h"

#include <algorithm>
#include <string_view>

namespace winui {

namespace {

// The worker has handed something over.
constexpr UINT kArrived = WM_APP + 1;
// Tab in a title being typed: edit the title of the track in wParam next.
constexpr UINT kEditTitle = WM_APP + 2;

enum ControlId : int {
    kWaveform = 2001,
    kScrollBar,
    kHover,
    kThresholdCaption,
    kThreshold,
    kThresholdText,
    kAverageMethod,
    kMaximumMethod,
    kLinearView,
    kSnapToQuiet,
    kTracksCaption,
    kTrackCount,
    kTrackCountArrows,
    kSplitIntoTracks,
    kUndo,
    kRedo,
    kTrackListCaption,
    kTrackList,
    kSummary,
    kStatus,
    kPlayBefore,
    kPlayAcross,
    kPlayAfter,
    kSaveLabels,
};

struct ControlPlace {
    int id;
    ReviewPart part;
};
constexpr ControlPlace kPlaces[] = {
    {kWaveform, ReviewPart::Waveform},
    {kScrollBar, ReviewPart::ScrollBar},
    {kHover, ReviewPart::Hover},
    {kThresholdCaption, ReviewPart::ThresholdCaption},
    {kThreshold, ReviewPart::Threshold},
    {kThresholdText, ReviewPart::ThresholdText},
    {kAverageMethod, ReviewPart::AverageMethod},
    {kMaximumMethod, ReviewPart::MaximumMethod},
    {kLinearView, ReviewPart::LinearView},
    {kSnapToQuiet, ReviewPart::SnapToQuiet},
    {kTracksCaption, ReviewPart::TracksCaption},
    {kTrackCount, ReviewPart::TrackCount},
    {kTrackCountArrows, ReviewPart::TrackCountArrows},
    {kSplitIntoTracks, ReviewPart::SplitIntoTracks},
    {kSaveLabels, ReviewPart::SaveLabels},
    {kUndo, ReviewPart::Undo},
    {kRedo, ReviewPart::Redo},
    {kPlayBefore, ReviewPart::PlayBefore},
    {kPlayAcross, ReviewPart::PlayAcross},
    {kPlayAfter, ReviewPart::PlayAfter},
    {kTrackListCaption, ReviewPart::TrackListCaption},
    {kTrackList, ReviewPart::TrackList},
    {kSummary, ReviewPart::Summary},
    {kStatus, ReviewPart::Status},
    {IDOK, ReviewPart::Ok},
    {IDCANCEL, ReviewPart::Cancel},
};

// The play buttons; their labels are the listening model's.
constexpr struct {
    ListenAction action;
    int id;
    ReviewPart part;
} kPlayButtons[] = {{ListenAction::BeforeCut, kPlayBefore, ReviewPart::PlayBefore},
                    {ListenAction::AcrossCut, kPlayAcross, ReviewPart::PlayAcross},
                    {ListenAction::AfterCut, kPlayAfter, ReviewPart::PlayAfter}};

const char* PlayLabel(ListenAction action) {
    for (const ListenControl& control : kListenControls) {
        if (control.action == action && control.label != nullptr) {
            return control.label;
        }
    }
    return "";
}

// The track list's columns; the title, typed by the user, comes first because
// only the first column of a list view can be edited in place.
constexpr struct {
    const wchar_t* caption;
    int widthAt96;
} kTrackColumns[] = {
    {L"Title", 150}, {L"No.", 36}, {L"Start", 60}, {L"Length", 60}, {L"File name", 150}};

constexpr int kFileNameColumn = 4;
constexpr int kMaximumTracks = 999;

DialogFrame ReviewFrame() {
    return {WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | DS_MODALFRAME |
                DS_CENTER,
            0};
}

void SetText(HWND control, const std::string& text) {
    SetWindowTextW(control, Utf16FromUtf8(text).c_str());
}

// A list view's row: its texts column by column.
void AddRow(HWND list, int row, const std::vector<std::string>& texts) {
    std::wstring first = Utf16FromUtf8(texts.empty() ? std::string() : texts[0]);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = first.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    for (std::size_t column = 1; column < texts.size(); ++column) {
        std::wstring text = Utf16FromUtf8(texts[column]);
        LVITEMW sub{};
        sub.iSubItem = static_cast<int>(column);
        sub.pszText = text.data();
        SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(&sub));
    }
}

void AddColumn(HWND list, int index, const wchar_t* caption, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(caption);
    column.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&column));
}

// The names (no folder) of the files in `folder` now.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    const std::wstring pattern = Utf16FromUtf8(folder.empty() ? std::string(".") : folder) + L"\\*";
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(Utf8FromUtf16(found.cFileName));
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// A title being typed in the track list: Tab keeps it and moves to the next
// track's title, Shift+Tab to the previous one's. The subclass id is the row + 1.
LRESULT CALLBACK TitleEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam,
                               UINT_PTR rowPlusOne, DWORD_PTR dialog) {
    switch (message) {
    case WM_KEYDOWN:
        if (wParam == VK_TAB) {
            const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            const auto row = static_cast<int>(rowPlusOne) - 1;
            PostMessageW(reinterpret_cast<HWND>(dialog), kEditTitle,
                         static_cast<WPARAM>(back ? row - 1 : row + 1), 0);
            return SendMessageW(edit, WM_KEYDOWN, VK_RETURN, lParam); // keeps the title
        }
        break;
    case WM_CHAR:
        if (wParam == L'\t') {
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemoveWindowSubclass(edit, &TitleEditProc, rowPlusOne);
        break;
    default:
        break;
    }
    return DefSubclassProc(edit, message, wParam, lParam);
}

} // namespace

CPlanReviewWnd::CPlanReviewWnd(HWND ownerWindow, const SplitHost::PlanToConfirm& plan,
                               SettingsStore& store)
    : owner(ownerWindow), proposal(plan), settings(store),
      model(plan.options, plan.plan,
            ReviewModel::Recording{plan.frameCount, plan.sampleRate, plan.bitsPerSample}),
      viewport(plan.frameCount, plan.sampleRate), waveform(model, viewport, *this),
      outputFolderPath(process::CurrentDirectory()) {
    ListOutputFolder(plan.options);
}

CPlanReviewWnd::~CPlanReviewWnd() {
    reanalyzer.reset(); // nothing arrives for a window that is gone
    if (font != nullptr) {
        DeleteObject(font);
    }
}

CPlanReviewWnd::Outcome CPlanReviewWnd::DoModal() {
    static const DialogTemplate kFrameOnly{messages::kReadyCaption, 420, 320, nullptr, 0};
    const std::vector<std::uint16_t> words = BuildDialogTemplate(kFrameOnly, ReviewFrame());
    const INT_PTR result = DialogBoxIndirectParamW(
        GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(words.data()), owner,
        &DialogProc, reinterpret_cast<LPARAM>(this));
    if (result <= 0) {
        return Outcome::NoWindow;
    }
    return outcome;
}

INT_PTR CALLBACK CPlanReviewWnd::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CPlanReviewWnd*>(lParam)->window = hwnd;
    }
    auto* self = reinterpret_cast<CPlanReviewWnd*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    return self != nullptr ? self->Handle(message, wParam, lParam) : FALSE;
}

INT_PTR CPlanReviewWnd::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        if (!OnInitDialog()) {
            EndDialog(window, 0); // DoModal reports that no window could be shown
        }
        return FALSE; // the waveform has the focus
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY:
        if (OnNotify(*reinterpret_cast<const NMHDR*>(lParam))) {
            return TRUE;
        }
        break;
    case WM_HSCROLL:
        OnScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
        return TRUE;
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO: {
        const PixelSize minimum = MinimumReviewClientSize(dpi);
        RECT frame{0, 0, minimum.width, minimum.height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        info->ptMinTrackSize = {frame.right - frame.left, frame.bottom - frame.top};
        return TRUE;
    }
    case WM_DPICHANGED: {
        // Moved to a monitor of another DPI: the suggested size, a font for it
        // and the controls laid out again.
        dpi = HIWORD(wParam);
        ApplyFont();
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        Layout();
        return TRUE;
    }
    case kArrived:
        TakeArrivals();
        return TRUE;
    case kEditTitle: {
        const HWND list = Control(kTrackList);
        const auto row = static_cast<int>(wParam);
        if (row >= 0 && row < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0))) {
            SetFocus(list);
            SendMessageW(list, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
        }
        return TRUE;
    }
    case WM_DESTROY:
        if (player) {
            player->Stop();
        }
        reanalyzer.reset(); // joined while the window it posts to still exists
        break;
    default:
        break;
    }
    return FALSE;
}

bool CPlanReviewWnd::OnInitDialog() {
    dpi = WindowDpi(window);
    player = std::make_unique<ClipPlayer>();
    player->onPlayed = [this](std::uint32_t frames) {
        listening->Played(frames);
        waveform.SetPlayLine(listening->PlayLineFrame());
    };
    player->onFinished = [this](bool deviceFailed) {
        listening->Finished(deviceFailed);
        ShowListening();
    };
    listening =
        std::make_unique<Listening>(proposal.frameCount, proposal.sampleRate, player->HasDevice());
    CreateControls();
    if (waveform.Handle() == nullptr) {
        return false;
    }
    CreateTooltips();
    ApplyFont();
    RestoreSize();
    Layout();
    ShowPlan();
    ShowListening();
    StartAnalysis();
    SetFocus(waveform.Handle());
    return true;
}

// The controls in tab order; a caption comes just before the control its
// mnemonic reaches.
void CPlanReviewWnd::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* className, const wchar_t* text, DWORD style, int id,
                          DWORD exStyle = 0) {
        return CreateWindowExW(exStyle, className, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 10,
                               10, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                               instance, nullptr);
    };
    if (!waveform.Create(window, kWaveform)) {
        return;
    }
    make(L"ScrollBar", L"Scroll the waveform", SBS_HORZ, kScrollBar);
    make(L"Static", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kHover);
    make(L"Static", L"Silence &threshold:", WS_GROUP, kThresholdCaption);
    const HWND threshold = make(TRACKBAR_CLASSW, L"Silence threshold",
                                TBS_HORZ | TBS_AUTOTICKS | TBS_BOTTOM | WS_TABSTOP, kThreshold);
    SendMessageW(threshold, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(threshold, TBM_SETRANGEMAX, FALSE, kThresholdSteps);
    SendMessageW(threshold, TBM_SETTICFREQ, kThresholdTicksInterval, 0);
    make(L"Static", L"", SS_LEFT | SS_NOPREFIX, kThresholdText);
    make(L"Button", L"&Average noise", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, kAverageMethod);
    make(L"Button", L"&Maximum noise", BS_AUTORADIOBUTTON, kMaximumMethod);
    make(L"Button", L"&Linear view", BS_AUTOCHECKBOX | BS_PUSHLIKE | WS_GROUP | WS_TABSTOP,
         kLinearView);
    make(L"Button", L"S&nap to quiet", BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP, kSnapToQuiet);
    SendMessageW(Control(kSnapToQuiet), BM_SETCHECK, model.Snapping() ? BST_CHECKED : BST_UNCHECKED,
                 0);
    make(L"Static", L"This side &has", SS_RIGHT | WS_GROUP, kTracksCaption);
    const HWND count =
        make(L"Edit", L"", ES_NUMBER | ES_LEFT | WS_TABSTOP, kTrackCount, WS_EX_CLIENTEDGE);
    const HWND arrows = make(UPDOWN_CLASSW, L"", UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                             kTrackCountArrows);
    SendMessageW(arrows, UDM_SETBUDDY, reinterpret_cast<WPARAM>(count), 0);
    SendMessageW(arrows, UDM_SETRANGE32, 1, kMaximumTracks);
    SendMessageW(arrows, UDM_SETPOS32, 0,
                 static_cast<LPARAM>(std::max<std::uint32_t>(1, model.TrackCount())));
    make(L"Button", L"tracks: &split", BS_PUSHBUTTON | WS_TABSTOP, kSplitIntoTracks);
    for (const auto& play : kPlayButtons) {
        make(L"Button", Utf16FromUtf8(PlayLabel(play.action)).c_str(), BS_PUSHBUTTON | WS_TABSTOP,
             play.id);
    }
    // Alt+L is the linear view's.
    make(L"Button", L"Sa&ve labels...", BS_PUSHBUTTON | WS_TABSTOP, kSaveLabels);
    make(L"Button", L"&Undo", BS_PUSHBUTTON | WS_TABSTOP, kUndo);
    make(L"Button", L"&Redo", BS_PUSHBUTTON | WS_TABSTOP, kRedo);
    make(L"Static", L"Trac&ks and titles (F2 types a title, Tab the next):", WS_GROUP,
         kTrackListCaption);
    const HWND tracks =
        make(WC_LISTVIEWW, L"Tracks",
             LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_EDITLABELS | WS_TABSTOP,
             kTrackList, WS_EX_CLIENTEDGE);
    SendMessageW(tracks, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < std::size(kTrackColumns); ++i) {
        AddColumn(tracks, static_cast<int>(i), kTrackColumns[i].caption, 0);
    }
    const HWND summary =
        make(WC_LISTVIEWW, L"Summary", LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | WS_TABSTOP,
             kSummary, WS_EX_CLIENTEDGE);
    AddColumn(summary, 0, L"", 0);
    AddColumn(summary, 1, L"", 0);
    make(L"Static", L"", SS_LEFT | SS_NOPREFIX, kStatus);
    make(L"Button", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, IDOK);
    make(L"Button", L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, IDCANCEL);
}

// The message font at the window's DPI, on every control.
void CPlanReviewWnd::ApplyFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    LOGFONTW wanted{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        wanted = metrics.lfMessageFont;
        int systemDpi = 96;
        if (const HDC screen = GetDC(nullptr)) {
            systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
            ReleaseDC(nullptr, screen);
        }
        wanted.lfHeight = MulDiv(wanted.lfHeight, dpi, std::max(1, systemDpi));
    } else {
        wanted.lfHeight = -MulDiv(9, dpi, 72);
        wcscpy_s(wanted.lfFaceName, L"MS Shell Dlg 2");
    }
    const HFONT made = CreateFontIndirectW(&wanted);
    if (made == nullptr) {
        return;
    }
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(made), TRUE);
    }
    if (font != nullptr) {
        DeleteObject(font);
    }
    font = made;
    // The track list's columns at this DPI; the summary's follow its texts.
    for (std::size_t i = 0; i < std::size(kTrackColumns); ++i) {
        SendMessageW(Control(kTrackList), LVM_SETCOLUMNWIDTH, i,
                     ScaledForDpi(kTrackColumns[i].widthAt96, dpi));
    }
    FitSummaryColumns();
}

void CPlanReviewWnd::Layout() {
    RECT client{};
    GetClientRect(window, &client);
    const ReviewLayout layout = LayOutReview(client.right, client.bottom, dpi);
    const HDWP moves = BeginDeferWindowPos(static_cast<int>(std::size(kPlaces)));
    HDWP next = moves;
    for (const ControlPlace& place : kPlaces) {
        const PixelRect& r = layout[place.part];
        if (const HWND control = Control(place.id); control != nullptr && next != nullptr) {
            next = DeferWindowPos(next, control, nullptr, r.left, r.top, r.Width(), r.Height(),
                                  SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (next != nullptr) {
        EndDeferWindowPos(next);
    }
    for (const auto& play : kPlayButtons) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window;
        tool.uId = static_cast<UINT_PTR>(play.id);
        const PixelRect& r = layout[play.part];
        tool.rect = {r.left, r.top, r.right, r.bottom};
        SendMessageW(tooltip, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
    FitSummaryColumns();
}

// The summary's value column takes what the label column leaves.
void CPlanReviewWnd::FitSummaryColumns() {
    const HWND summary = Control(kSummary);
    SendMessageW(summary, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    RECT inside{};
    GetClientRect(summary, &inside);
    const int labels = static_cast<int>(SendMessageW(summary, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(summary, LVM_SETCOLUMNWIDTH, 1, std::max<int>(0, inside.right - labels));
}

// The size the user last gave the window, kept at 96 DPI so that it looks the
// same on any display, never smaller than the controls need nor larger than
// the screen's work area.
void CPlanReviewWnd::RestoreSize() {
    std::optional<PixelSize> stored;
    if (const std::optional<WindowSize> size = ReadWindowSize(settings, kReviewWindowName)) {
        stored = PixelSize{size->width, size->height};
    }
    const PixelSize wanted = OpeningClientSize(stored, dpi);
    RECT frame{0, 0, wanted.width, wanted.height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST),
                    &monitor);
    const RECT& area = monitor.rcWork;
    const int width = std::min<int>(frame.right - frame.left, area.right - area.left);
    const int height = std::min<int>(frame.bottom - frame.top, area.bottom - area.top);
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void CPlanReviewWnd::SaveSize() {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (!GetWindowPlacement(window, &placement)) {
        return;
    }
    // The client size of the window when it is not maximised, at 96 DPI.
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE)));
    const RECT& normal = placement.rcNormalPosition;
    const int width = (normal.right - normal.left) - (frame.right - frame.left);
    const int height = (normal.bottom - normal.top) - (frame.bottom - frame.top);
    const PixelSize stored = StoredClientSize(PixelSize{width, height}, dpi);
    SaveWindowSize(settings, kReviewWindowName, WindowSize{stored.width, stored.height});
}

void CPlanReviewWnd::ListOutputFolder(const SplitOptions& options) {
    // Start made the output folder the working directory.
    model.SetExistingFiles(FilesIn(options.outputFolder));
}

// The re-analysis reads only the recording the review opened: it measures the
// level of every window at once (the picture is drawn from that table) and
// plans each new threshold or method from it. Its results are handed over
// under a lock and the window is told with a posted message.
void CPlanReviewWnd::StartAnalysis() {
    if (proposal.reader == nullptr) {
        // Nothing to analyse again (the host shows the plain report instead):
        // the plan's threshold and method stay.
        for (const int id : {kThreshold, kAverageMethod, kMaximumMethod}) {
            EnableWindow(Control(id), FALSE);
        }
        return;
    }
    const HWND target = window;
    const auto wake = [target] { PostMessageW(target, kArrived, 0, 0); };
    const auto onPlan = [this, wake](const PlanReanalyzer::Result& result) {
        {
            const std::lock_guard<std::mutex> lock(arrivals.mutex);
            arrivals.plans.push_back(result);
        }
        wake();
    };
    const auto onLevels = [this, wake](std::shared_ptr<const LevelTable> table) {
        {
            const std::lock_guard<std::mutex> lock(arrivals.mutex);
            arrivals.levels = std::move(table);
        }
        wake();
    };
    const auto onStrip = [this, wake](const PlanReanalyzer::Strip& strip) {
        {
            const std::lock_guard<std::mutex> lock(arrivals.mutex);
            arrivals.strip = strip;
        }
        wake();
    };
    const auto onClip = [this, wake](std::uint64_t request,
                                     std::shared_ptr<const PlaybackClip> clip) {
        {
            const std::lock_guard<std::mutex> lock(arrivals.mutex);
            arrivals.clip.emplace(request, std::move(clip));
        }
        wake();
    };
    reanalyzer = std::make_unique<PlanReanalyzer>(proposal.options, *proposal.reader, onPlan,
                                                  onLevels, onStrip, onClip);
    ShowAnalysing();
}

void CPlanReviewWnd::TakeArrivals() {
    std::vector<PlanReanalyzer::Result> plans;
    std::optional<std::shared_ptr<const LevelTable>> levels;
    std::optional<PlanReanalyzer::Strip> strip;
    std::optional<std::pair<std::uint64_t, std::shared_ptr<const PlaybackClip>>> clip;
    {
        const std::lock_guard<std::mutex> lock(arrivals.mutex);
        plans.swap(arrivals.plans);
        levels.swap(arrivals.levels);
        strip.swap(arrivals.strip);
        clip.swap(arrivals.clip);
    }
    if (clip) {
        listening->ClipArrived(clip->first, std::move(clip->second), *player);
        ShowListening();
    }
    if (levels) {
        if (!*levels) {
            status = messages::kLevelsUnavailable;
        }
        model.SetLevels(std::move(*levels));
        UpdatePicture();
    }
    for (const PlanReanalyzer::Result& result : plans) {
        if (!result.complete) {
            status = messages::kReadAgainFailed;
            model.AnalysisFailed(result.generation); // the plan shown stays
            continue;
        }
        model.AnalysisArrived(result.generation, result.plan, result.options.thresholdText,
                              result.options.useAverageMethod);
    }
    if (strip && strip->generation == stripRequest && strip->complete) {
        waveform.SetOverview(std::make_shared<const WaveOverview>(std::move(strip->overview)));
    }
    ShowPlan();
}

void CPlanReviewWnd::OnCommand(int id, int notification) {
    switch (id) {
    case IDOK: // also Enter
        if (GetFocus() == Control(kTrackCount)) {
            OnCommand(kSplitIntoTracks, BN_CLICKED); // Enter after typing a count splits
            return;
        }
        if (model.CanWrite()) {
            Finish(Outcome::Ok);
        } else {
            MessageBeep(MB_OK);
        }
        return;
    case IDCANCEL: // also Escape and the close box
        Finish(Outcome::Cancelled);
        return;
    default:
        break;
    }
    if (notification != BN_CLICKED) {
        return;
    }
    switch (id) {
    case kAverageMethod:
    case kMaximumMethod:
        RequestAnalysis();
        break;
    case kSnapToQuiet:
        model.SetSnapping(IsChecked(kSnapToQuiet));
        break;
    case kLinearView:
        waveform.SetAmplitudeView(IsChecked(kLinearView) ? AmplitudeView::Linear
                                                         : AmplitudeView::Decibels);
        break;
    case kSplitIntoTracks: {
        // A count typed out of range is taken as the nearest one allowed, and shown so.
        const HWND arrows = Control(kTrackCountArrows);
        const auto typed = static_cast<int>(SendMessageW(arrows, UDM_GETPOS32, 0, 0));
        const int count = std::clamp(typed, 1, kMaximumTracks);
        SendMessageW(arrows, UDM_SETPOS32, 0, count);
        const EditResult result = model.SplitIntoTracks(static_cast<std::uint32_t>(count));
        status = result.problem;
        ShowPlan();
        break;
    }
    case kPlayBefore:
    case kPlayAcross:
    case kPlayAfter:
        for (const auto& play : kPlayButtons) {
            if (play.id == id) {
                Listen(listening->PlayAroundCut(play.action, model.SelectedCutFrame()));
            }
        }
        // Back to the waveform, where Space stops what plays (on the button it
        // would play it again).
        SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(waveform.Handle()), TRUE);
        break;
    case kUndo:
    case kRedo:
        if (id == kRedo ? model.Redo() : model.Undo()) {
            status.clear();
            ShowPlan();
        }
        break;
    case kSaveLabels:
        SaveLabels();
        break;
    default:
        break;
    }
}

bool CPlanReviewWnd::OnNotify(const NMHDR& header) {
    if (header.idFrom != kTrackList) {
        return false;
    }
    if (header.code == LVN_KEYDOWN && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_F2) {
        // F2 types the focused track's title, as in the file lists of Windows.
        const auto row = static_cast<int>(
            SendMessageW(header.hwndFrom, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
        if (row >= 0) {
            SendMessageW(header.hwndFrom, LVM_EDITLABELW, static_cast<WPARAM>(row), 0);
        }
        return true;
    }
    if (header.code == LVN_BEGINLABELEDITW) {
        // Tab and Shift+Tab go on to the next or previous title.
        const auto& edit = reinterpret_cast<const NMLVDISPINFOW&>(header);
        if (const auto box =
                reinterpret_cast<HWND>(SendMessageW(header.hwndFrom, LVM_GETEDITCONTROL, 0, 0))) {
            SetWindowSubclass(box, &TitleEditProc, static_cast<UINT_PTR>(edit.item.iItem) + 1,
                              reinterpret_cast<DWORD_PTR>(window));
        }
        SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE); // titles may be edited
        return true;
    }
    if (header.code != LVN_ENDLABELEDITW) {
        return false;
    }
    const auto& edit = reinterpret_cast<const NMLVDISPINFOW&>(header);
    if (edit.item.pszText != nullptr && edit.item.iItem >= 0) {
        const auto position = static_cast<std::uint32_t>(edit.item.iItem) + 1;
        model.SetTitle(position, Utf8FromUtf16(edit.item.pszText));
        // The title may change the file's name.
        std::wstring name = Utf16FromUtf8(FileNameText(position));
        LVITEMW nameItem{};
        nameItem.iSubItem = kFileNameColumn;
        nameItem.pszText = name.data();
        SendMessageW(header.hwndFrom, LVM_SETITEMTEXTW, static_cast<WPARAM>(edit.item.iItem),
                     reinterpret_cast<LPARAM>(&nameItem));
        // A title Windows cannot name a file with stops OK, and the status says why.
        ShowPlan();
        SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE); // the list keeps the typed text
    } else {
        SetWindowLongPtrW(window, DWLP_MSGRESULT, FALSE);
    }
    return true;
}

void CPlanReviewWnd::OnScroll(HWND control, int request) {
    if (control == Control(kThreshold)) {
        OnThresholdMoved();
        return;
    }
    if (control != Control(kScrollBar)) {
        return;
    }
    const std::uint32_t span = viewport.EndFrame() - viewport.FirstFrame();
    switch (request) {
    case SB_LINELEFT:
        viewport.Scroll(-0.1);
        break;
    case SB_LINERIGHT:
        viewport.Scroll(0.1);
        break;
    case SB_PAGELEFT:
        viewport.Scroll(-0.9);
        break;
    case SB_PAGERIGHT:
        viewport.Scroll(0.9);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        GetScrollInfo(control, SB_CTL, &info);
        const std::uint64_t first =
            static_cast<std::uint64_t>(info.nTrackPos) * ScrollUnit(model.Source().frameCount);
        const auto start = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(first, model.Source().frameCount - span));
        viewport.Show(start, start + span);
        break;
    }
    default:
        return;
    }
    waveform.Redraw();
    ViewChanged();
}

// Asks where, offering the output folder, and saves; a refusal is a warning
// box with the reason, a saved file is named in the status line.
void CPlanReviewWnd::SaveLabels() {
    if (!model.CanSaveLabels()) {
        return;
    }
    const std::wstring initialFolder = Utf16FromUtf8(outputFolderPath);
    // Room for any path Windows can hold, starting with the name offered.
    std::wstring file = Utf16FromUtf8(model.LabelFileName());
    file.resize(32768, L'\0');
    const std::wstring caption = Utf16FromUtf8(messages::kSaveLabelsCaption);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window;
    dialog.lpstrFilter = L"Label files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = caption.c_str();
    dialog.lpstrDefExt = L"txt";
    dialog.Flags =
        OFN_OVERWRITEPROMPT | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER;
    if (!GetSaveFileNameW(&dialog)) {
        return;
    }
    file.resize(std::wstring_view(file.c_str()).size());
    const LabelSaveResult result =
        model.SaveLabels(Utf8FromUtf16(file), proposal.inputFile,
                         outputFolderPath.empty() ? std::string(".") : outputFolderPath);
    if (!result.saved) {
        MessageBoxW(window, Utf16FromUtf8(result.text).c_str(), caption.c_str(),
                    MB_ICONWARNING | MB_OK);
        return;
    }
    status = result.text;
    SetText(Control(kStatus), status);
}

void CPlanReviewWnd::Finish(Outcome how) {
    Listen(listening->Stop());
    outcome = how;
    SaveSize();
    EndDialog(window, 1);
}

void CPlanReviewWnd::CreateTooltips() {
    tooltip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                              WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                              CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    for (const auto& play : kPlayButtons) {
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = window;
        tool.uId = static_cast<UINT_PTR>(play.id);
        tool.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CPlanReviewWnd::Listen(const Listening::Command& command) {
    Listening::CarryOut(command, reanalyzer.get(), *player);
    ShowListening();
}

// The buttons are enabled while something can play; while they are not, the
// tooltip over them says why (an empty text shows no tip).
void CPlanReviewWnd::ShowListening() {
    waveform.SetPlayLine(listening->PlayLineFrame());
    std::wstring reason = Utf16FromUtf8(listening->DisabledReason());
    for (const auto& play : kPlayButtons) {
        EnableWindow(Control(play.id), listening->CanPlay() ? TRUE : FALSE);
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = window;
        tool.uId = static_cast<UINT_PTR>(play.id);
        tool.lpszText = reason.data();
        SendMessageW(tooltip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void CPlanReviewWnd::PlayToggled() {
    Listen(listening->TogglePlay(model.SelectedCutFrame()));
}

void CPlanReviewWnd::PlayRequested(ListenAction action, std::uint32_t frame) {
    Listen(action == ListenAction::Band
               ? listening->PlayBandAt(model.Spans(), frame)
               : listening->PlayAroundCut(action, model.SelectedCutFrame()));
}

int CPlanReviewWnd::ThresholdPosition() const {
    return static_cast<int>(SendMessageW(Control(kThreshold), TBM_GETPOS, 0, 0));
}

void CPlanReviewWnd::OnThresholdMoved() {
    SetText(Control(kThresholdText), ThresholdTextForPosition(ThresholdPosition()));
    RequestAnalysis();
}

void CPlanReviewWnd::RequestAnalysis() {
    if (!reanalyzer) {
        return;
    }
    const std::string text = ThresholdTextForPosition(ThresholdPosition());
    const bool average = IsChecked(kAverageMethod);
    model.AnalysisRequested(reanalyzer->Request(text, average));
    // The line follows the trackbar at once; the bands follow the new plan.
    waveform.SetThreshold(ThresholdLevel(text, JudgedBits(proposal.bitsPerSample)), average);
    ShowPlan();
}

void CPlanReviewWnd::ShowPlan() {
    ShowThresholdControls();
    if (!model.Analysing()) {
        const ReviewState& state = model.State();
        waveform.SetThreshold(
            ThresholdLevel(state.thresholdText, JudgedBits(proposal.bitsPerSample)),
            state.useAverageMethod);
    }
    ShowAnalysing();
    waveform.Redraw();
    ShowTracks();
    ShowSummary();
    EnableWindow(Control(IDOK), model.CanWrite());
    EnableWindow(Control(kUndo), model.CanUndo());
    EnableWindow(Control(kRedo), model.CanRedo());
    EnableWindow(Control(kSaveLabels), model.CanSaveLabels());
    EnableWindow(Control(kSplitIntoTracks), model.HasLevels() && !model.Analysing());
    std::string line = status;
    if (const std::optional<std::string> problem = model.WriteProblem();
        problem && !model.Analysing() && line.empty()) {
        line = *problem;
    }
    SetText(Control(kStatus), line);
}

// The bands greyed and the caption saying so while the levels are measured or
// a plan is awaited; the bare caption means the window shows its final plan.
void CPlanReviewWnd::ShowAnalysing() {
    const bool measuring = reanalyzer && model.LevelsPending();
    const bool busy = model.Analysing() || measuring;
    const std::string what = measuring ? messages::kReviewMeasuring : messages::kReviewAnalysing;
    waveform.SetAnalysing(busy, Utf16FromUtf8(what));
    SetText(window, busy ? std::string(messages::kReadyCaption) + " (" + what + ")"
                         : std::string(messages::kReadyCaption));
}

// The trackbar and the method show the shown plan's analysis (undo may bring
// an older one back); while a plan is awaited they show what was asked for.
void CPlanReviewWnd::ShowThresholdControls() {
    if (model.Analysing()) {
        return;
    }
    const ReviewState& state = model.State();
    SendMessageW(Control(kThreshold), TBM_SETPOS, TRUE,
                 ThresholdPositionForText(state.thresholdText));
    SetText(Control(kThresholdText), state.thresholdText);
    CheckRadioButton(window, kAverageMethod, kMaximumMethod,
                     state.useAverageMethod ? kAverageMethod : kMaximumMethod);
}

std::string CPlanReviewWnd::FileNameText(std::uint32_t position) const {
    return model.FileName(position) + (model.Replaces(position) ? " (replaces)" : "");
}

void CPlanReviewWnd::ShowTracks() {
    const HWND list = Control(kTrackList);
    if (SendMessageW(list, LVM_GETEDITCONTROL, 0, 0) != 0) {
        return; // a title is being typed: the list follows when it is done
    }
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    if (model.TrackCount() > 0) {
        const std::uint32_t rate = model.Source().sampleRate;
        std::uint32_t number = 0;
        for (const SegmentSpan& span : model.Spans()) {
            ++number;
            AddRow(list, static_cast<int>(number - 1),
                   {model.Title(number), std::to_string(number),
                    FormatTime(span.firstFrame, rate, true),
                    FormatTime(span.endFrame - span.firstFrame, rate, true), FileNameText(number)});
        }
        // A row has the list's focus, so that F2 works from the keyboard at once.
        LVITEMW focused{};
        focused.stateMask = LVIS_FOCUSED;
        focused.state = LVIS_FOCUSED;
        SendMessageW(list, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focused));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The report's rows in two aligned columns.
void CPlanReviewWnd::ShowSummary() {
    const HWND list = Control(kSummary);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const SummaryRow& line : model.Summary()) {
        AddRow(list, row++, {line.label, line.value});
    }
    FitSummaryColumns();
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

// The picture of the frames in view: from the level table while a column holds
// at least one of its windows, else read exactly from the recording.
void CPlanReviewWnd::UpdatePicture() {
    UpdateScrollBar();
    const LevelTable* table = model.Levels();
    if (table == nullptr) {
        return;
    }
    const std::uint32_t columns = waveform.Columns();
    const std::uint32_t first = viewport.FirstFrame();
    const std::uint32_t end = viewport.EndFrame();
    if (!ViewCloserThanLevels(viewport, *table, columns) || !reanalyzer) {
        ++stripRequest; // a strip on its way is no longer wanted
        waveform.SetOverview(std::make_shared<WaveOverview>(OverviewFromLevels(
            *table, model.Source().sampleRate, first, end, columns, model.Plan().windowFrames)));
        return;
    }
    stripRequest = reanalyzer->RequestStrip(first, end, columns);
}

void CPlanReviewWnd::UpdateScrollBar() {
    const std::uint32_t unit = ScrollUnit(model.Source().frameCount);
    const std::uint32_t span = viewport.EndFrame() - viewport.FirstFrame();
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMin = 0;
    info.nMax = static_cast<int>(model.Source().frameCount / unit);
    info.nPage = std::max<UINT>(1, span / unit);
    info.nPos = static_cast<int>(viewport.FirstFrame() / unit);
    SetScrollInfo(Control(kScrollBar), SB_CTL, &info, TRUE);
}

void CPlanReviewWnd::ViewChanged() {
    UpdatePicture();
}

void CPlanReviewWnd::Edited(const EditResult& result) {
    status = result.done ? std::string() : result.problem;
    ShowPlan();
}

void CPlanReviewWnd::ThresholdDragged(int position) {
    if (reanalyzer && position != ThresholdPosition()) {
        SendMessageW(Control(kThreshold), TBM_SETPOS, TRUE, position);
        OnThresholdMoved();
    }
}

void CPlanReviewWnd::Hovered(const std::string& text) {
    SetText(Control(kHover), text);
}

void CPlanReviewWnd::AmplitudeToggled() {
    const bool linear = !IsChecked(kLinearView);
    SendMessageW(Control(kLinearView), BM_SETCHECK, linear ? BST_CHECKED : BST_UNCHECKED, 0);
    waveform.SetAmplitudeView(linear ? AmplitudeView::Linear : AmplitudeView::Decibels);
}

HWND CPlanReviewWnd::Control(int id) const {
    return window != nullptr ? GetDlgItem(window, id) : nullptr;
}

bool CPlanReviewWnd::IsChecked(int id) const {
    return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

} // namespace winui
