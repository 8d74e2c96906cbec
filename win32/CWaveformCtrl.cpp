#include "CWaveformCtrl.h"
#include "Messages.h"

#include "ReviewKeys.h"
#include "TextConversion.h"
#include "WindowMetrics.h"

#include <windowsx.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace winui {

namespace {

constexpr double kPageScroll = 0.9;
constexpr double kStepScroll = 0.1; // of the span, per wheel notch or Ctrl+arrow

constexpr COLORREF kPlotBackground = RGB(250, 250, 250);
constexpr COLORREF kBandShades[] = {RGB(208, 226, 246), RGB(232, 240, 250)};
constexpr COLORREF kGreyedShades[] = {RGB(222, 222, 222), RGB(236, 236, 236)};
constexpr COLORREF kTrimmed = RGB(200, 200, 200);
constexpr COLORREF kReplacedHatch = RGB(200, 120, 40);
constexpr COLORREF kWave = RGB(40, 70, 120);
constexpr COLORREF kGreyedWave = RGB(120, 130, 145);
constexpr COLORREF kMeans = RGB(240, 150, 60);
constexpr COLORREF kThreshold = RGB(200, 30, 30);
constexpr COLORREF kCut = RGB(20, 20, 20);
constexpr COLORREF kPlayLine = RGB(20, 140, 40);
constexpr COLORREF kSelectedCut = RGB(210, 20, 20);

// A GDI object selected into a context for one scope, deleted afterwards when owned.
class Selected {
public:
    Selected(HDC dc, HGDIOBJ object, bool owned = true)
        : dc(dc), object(object), old(SelectObject(dc, object)), owned(owned) {}
    ~Selected() {
        SelectObject(dc, old);
        if (owned) {
            DeleteObject(object);
        }
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;

private:
    HDC dc;
    HGDIOBJ object;
    HGDIOBJ old;
    bool owned;
};

void Fill(HDC dc, const PixelRect& area, COLORREF colour) {
    const RECT rect{area.left, area.top, area.right, area.bottom};
    SetBkColor(dc, colour);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

bool KeyDown(int key) {
    return (GetKeyState(key) & 0x8000) != 0;
}

} // namespace

CWaveformCtrl::CWaveformCtrl(ReviewModel& reviewModel, ReviewViewport& view, WaveformListener& told)
    : model(reviewModel), viewport(view), listener(told) {}

CWaveformCtrl::~CWaveformCtrl() {
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        DestroyWindow(window);
    }
}

bool CWaveformCtrl::Create(HWND parent, int id) {
    static const ATOM registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass);
    }();
    if (registered == 0) {
        return false;
    }
    // The window's text is its accessible name.
    window = CreateWindowExW(0, kClassName, L"Waveform", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0,
                             10, 10, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), this);
    return window != nullptr;
}

LRESULT CALLBACK CWaveformCtrl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<CWaveformCtrl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CWaveformCtrl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self != nullptr ? self->Handle(message, wParam, lParam)
                           : DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CWaveformCtrl::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_GETDLGCODE:
        // The arrows and typed keys are this control's; Tab, Enter and Escape stay the dialog's.
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SETFONT:
        font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(font);
    case WM_ERASEBKGND:
        return 1; // painted whole, off screen
    case WM_PAINT: {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(window, &paint);
        Paint(dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_SIZE:
        listener.ViewChanged(); // more columns: a finer picture
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        OnButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_LBUTTONUP:
        if (GetCapture() == window) {
            ReleaseCapture(); // ends the drag through WM_CAPTURECHANGED
        }
        return 0;
    case WM_CAPTURECHANGED:
        OnButtonUp();
        return 0;
    case WM_LBUTTONDBLCLK:
        if (!CutAtX(GET_X_LPARAM(lParam))) {
            Report(model.AddCut(FrameAtX(Scale(), Plot(), GET_X_LPARAM(lParam))));
        }
        return 0;
    case WM_MOUSELEAVE:
        pointerX.reset();
        listener.Hovered({});
        return 0;
    case WM_MOUSEWHEEL:
        OnWheel(GET_WHEEL_DELTA_WPARAM(wParam), (GET_KEYSTATE_WPARAM(wParam) & MK_CONTROL) != 0,
                GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && pointerX) {
            POINT at{};
            GetCursorPos(&at);
            ScreenToClient(window, &at);
            const bool onCut = CutAtX(at.x).has_value();
            const bool onThreshold =
                NearThresholdLine(Plot(), at.y, thresholdLevel, amplitude, Dpi());
            if (onCut || onThreshold) {
                SetCursor(LoadCursorW(nullptr, onCut ? IDC_SIZEWE : IDC_SIZENS));
                return TRUE;
            }
        }
        break;
    case WM_KEYDOWN:
        if (OnKey(wParam)) {
            return 0;
        }
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

int CWaveformCtrl::Dpi() const {
    return WindowDpi(window);
}

PixelRect CWaveformCtrl::Plot() const {
    RECT client{};
    GetClientRect(window, &client);
    return WaveformPlot(client.right, client.bottom, Dpi());
}

std::uint32_t CWaveformCtrl::Columns() const {
    return static_cast<std::uint32_t>(std::max(1, Plot().Width()));
}

FrameScale CWaveformCtrl::Scale() const {
    return viewport.Scale(Columns());
}

void CWaveformCtrl::SetOverview(std::shared_ptr<const WaveOverview> shown) {
    overview = std::move(shown);
    Redraw();
}

void CWaveformCtrl::SetAmplitudeView(AmplitudeView view) {
    amplitude = view;
    Redraw();
}

void CWaveformCtrl::SetThreshold(std::uint32_t level, bool means) {
    thresholdLevel = level;
    windowMeans = means;
    Redraw();
}

void CWaveformCtrl::SetAnalysing(bool on, const std::wstring& text) {
    analysing = on;
    analysingText = text;
    Redraw();
}

void CWaveformCtrl::SetPlayLine(std::optional<std::uint32_t> frame) {
    if (frame != playLine) {
        playLine = frame;
        Redraw();
    }
}

void CWaveformCtrl::Redraw() {
    if (window != nullptr) {
        InvalidateRect(window, nullptr, FALSE);
    }
}

// Everything into a bitmap first, then one copy to the screen: no flicker.
void CWaveformCtrl::Paint(HDC target) {
    RECT client{};
    GetClientRect(window, &client);
    const int width = std::max<int>(1, client.right);
    const int height = std::max<int>(1, client.bottom);
    const HDC dc = CreateCompatibleDC(target);
    const HBITMAP bitmap = CreateCompatibleBitmap(target, width, height);
    if (dc == nullptr || bitmap == nullptr) {
        DeleteDC(dc);
        DeleteObject(bitmap);
        return;
    }
    {
        const Selected keepBitmap(dc, bitmap, false);
        const Selected keepFont(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT),
                                false);
        Fill(dc, {0, 0, width, height}, GetSysColor(COLOR_BTNFACE));
        const PixelRect plot = Plot();
        const FrameScale scale = Scale();
        Fill(dc, plot, kPlotBackground);
        DrawBands(dc, plot, scale); // first: the waveform is drawn over them
        if (overview) {
            DrawWaveform(dc, plot, scale);
        }
        DrawLines(dc, plot, scale);
        if (playLine && *playLine >= viewport.FirstFrame() && *playLine <= viewport.EndFrame()) {
            const Selected pen(dc, CreatePen(PS_SOLID, ScaledForDpi(2, Dpi()), kPlayLine));
            const int x = XOfFrame(scale, plot, *playLine);
            Line(dc, x, plot.top, x, plot.bottom);
        }
        DrawTimeAxis(dc, plot, scale);
        SetBkMode(dc, TRANSPARENT);
        if (analysing) {
            SetTextColor(dc, RGB(90, 90, 90));
            RECT text{plot.left + 6, plot.top + 4, plot.right - 6, plot.bottom - 4};
            DrawTextW(dc, analysingText.c_str(), -1, &text, DT_RIGHT | DT_TOP | DT_SINGLELINE);
        }
        // The frame shows where the keyboard focus is.
        const bool focused = GetFocus() == window;
        const Selected pen(dc, CreatePen(PS_SOLID, focused ? 2 : 1,
                                         GetSysColor(focused ? COLOR_HIGHLIGHT : COLOR_BTNSHADOW)));
        const Selected brush(dc, GetStockObject(NULL_BRUSH), false);
        Rectangle(dc, plot.left, plot.top, plot.right, plot.bottom);
        BitBlt(target, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    }
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// The files in alternating shades (grey while a new plan is made), hatched
// where they replace a file, and the trimmed ends in grey. A plan without a
// cut writes nothing, so it has no band.
void CWaveformCtrl::DrawBands(HDC dc, const PixelRect& plot, const FrameScale& scale) const {
    const SplitPlan& plan = model.Plan();
    if (model.TrackCount() > 0) {
        const HBRUSH hatch = CreateHatchBrush(HS_BDIAGONAL, kReplacedHatch);
        SetBkMode(dc, TRANSPARENT);
        std::uint32_t number = 0;
        for (const SegmentSpan& span : model.Spans()) {
            ++number;
            const int left = XOfFrame(scale, plot, span.firstFrame);
            const int right = std::max(left + 1, XOfFrame(scale, plot, span.endFrame));
            const PixelRect area{left, plot.top, right, plot.bottom};
            Fill(dc, area, (analysing ? kGreyedShades : kBandShades)[(number - 1) % 2]);
            if (model.Replaces(number) && hatch != nullptr) {
                const RECT rect{area.left, area.top, area.right, area.bottom};
                FillRect(dc, &rect, hatch);
            }
        }
        DeleteObject(hatch);
    }
    if (plan.leadTrimFrame > viewport.FirstFrame()) {
        Fill(dc, {plot.left, plot.top, XOfFrame(scale, plot, plan.leadTrimFrame), plot.bottom},
             kTrimmed);
    }
    const std::uint32_t frameCount = model.Source().frameCount;
    if (plan.tailEndFrame != 0 && plan.tailEndFrame < std::min(frameCount, viewport.EndFrame())) {
        Fill(dc, {XOfFrame(scale, plot, plan.tailEndFrame), plot.top, plot.right, plot.bottom},
             kTrimmed);
    }
}

// Both channels over each other, each column from its lowest to its highest
// sample; in the dB view each side of the centre line on the level scale.
void CWaveformCtrl::DrawWaveform(HDC dc, const PixelRect& plot, const FrameScale& scale) const {
    const auto& columns = overview->columns;
    if (columns.empty()) {
        return;
    }
    const int centre = plot.top + plot.Height() / 2;
    const int half = plot.Height() / 2;
    const auto yOf = [&](std::int32_t sample) {
        const int offset =
            LevelOffsetPixels(static_cast<std::uint32_t>(std::abs(sample)), amplitude, half);
        return sample < 0 ? centre + offset : centre - offset;
    };
    const FrameScale source(overview->firstFrame, overview->endFrame,
                            static_cast<std::uint32_t>(columns.size()));
    const auto columnAt = [&](int x) -> const OverviewColumn* {
        const std::uint64_t frame = scale.ColumnStart(static_cast<std::uint32_t>(x));
        if (frame < overview->firstFrame || frame >= overview->endFrame) {
            return nullptr;
        }
        return &columns[std::min<std::size_t>(source.ColumnOf(frame), columns.size() - 1)];
    };
    const int channels = overview->stereo ? 2 : 1;
    {
        const Selected pen(dc, CreatePen(PS_SOLID, 1, analysing ? kGreyedWave : kWave));
        for (int x = 0; x < plot.Width(); ++x) {
            if (const OverviewColumn* c = columnAt(x)) {
                for (int channel = 0; channel < channels; ++channel) {
                    // One pixel more: LineTo leaves out its last point.
                    Line(dc, plot.left + x, yOf(c->high[channel]), plot.left + x,
                         yOf(c->low[channel]) + 1);
                }
            }
        }
    }
    if (!windowMeans) {
        return;
    }
    std::vector<POINT> upper;
    std::vector<POINT> lower;
    for (int x = 0; x < plot.Width(); ++x) {
        if (const OverviewColumn* c = columnAt(x)) {
            const int offset = LevelOffsetPixels(c->windowMean, amplitude, half);
            upper.push_back({plot.left + x, centre - offset});
            lower.push_back({plot.left + x, centre + offset});
        }
    }
    const Selected pen(dc, CreatePen(PS_SOLID, 1, kMeans));
    Polyline(dc, upper.data(), static_cast<int>(upper.size()));
    Polyline(dc, lower.data(), static_cast<int>(lower.size()));
}

// The threshold above and below the centre line, the cuts (the selected one
// red and wide), and the file numbers ("!" where a file is replaced).
void CWaveformCtrl::DrawLines(HDC dc, const PixelRect& plot, const FrameScale& scale) const {
    const int centre = plot.top + plot.Height() / 2;
    const int offset = LevelOffsetPixels(thresholdLevel, amplitude, plot.Height() / 2);
    SetBkMode(dc, TRANSPARENT);
    {
        const Selected pen(dc, CreatePen(PS_DASH, 1, kThreshold));
        Line(dc, plot.left, centre - offset, plot.right, centre - offset);
        Line(dc, plot.left, centre + offset, plot.right, centre + offset);
    }
    const std::vector<std::uint32_t> cuts = model.CutFrames();
    const int wide = ScaledForDpi(3, Dpi());
    for (std::size_t i = 0; i < cuts.size(); ++i) {
        if (cuts[i] < viewport.FirstFrame() || cuts[i] > viewport.EndFrame()) {
            continue;
        }
        const bool selected = model.SelectedCut() == i;
        const Selected pen(
            dc, CreatePen(PS_SOLID, selected ? wide : 1, selected ? kSelectedCut : kCut));
        const int x = XOfFrame(scale, plot, cuts[i]);
        Line(dc, x, plot.top, x, plot.bottom);
    }
    if (model.TrackCount() == 0) {
        return;
    }
    SetTextColor(dc, kCut);
    std::uint32_t number = 0;
    for (const SegmentSpan& span : model.Spans()) {
        ++number;
        const int left = std::max(plot.left, XOfFrame(scale, plot, span.firstFrame));
        const int right = std::min(plot.right, XOfFrame(scale, plot, span.endFrame));
        const std::wstring text = std::to_wstring(number) + (model.Replaces(number) ? L" !" : L"");
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        if (extent.cx < right - left) {
            RECT area{left, plot.top + 2, right, plot.top + 2 + extent.cy};
            DrawTextW(dc, text.c_str(), -1, &area, DT_CENTER | DT_TOP | DT_SINGLELINE);
        }
    }
}

// The time axis in minutes and seconds (tenths when zoomed in).
void CWaveformCtrl::DrawTimeAxis(HDC dc, const PixelRect& plot, const FrameScale& scale) const {
    const std::uint32_t rate = model.Source().sampleRate;
    if (rate == 0) {
        return;
    }
    RECT client{};
    GetClientRect(window, &client);
    const int dpi = Dpi();
    const double stepSeconds = AxisStepSeconds(scale.EndFrame() - scale.FirstFrame(), rate,
                                               plot.Width(), ScaledForDpi(100, dpi));
    const auto step = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(stepSeconds * rate));
    const bool tenths = stepSeconds < 1.0;
    const int labelWidth = ScaledForDpi(80, dpi);
    const Selected pen(dc, CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWTEXT)));
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkMode(dc, TRANSPARENT);
    for (std::uint64_t frame = (scale.FirstFrame() + step - 1) / step * step;
         frame < scale.EndFrame(); frame += step) {
        const int x = XOfFrame(scale, plot, frame);
        Line(dc, x, plot.bottom, x, plot.bottom + ScaledForDpi(3, dpi));
        // Labels at the ends stay inside the control.
        const int labelLeft =
            std::clamp(x - labelWidth / 2, 0, std::max<int>(0, client.right - labelWidth));
        const UINT align = labelLeft == x - labelWidth / 2 ? DT_CENTER
                           : labelLeft == 0                ? DT_LEFT
                                                           : DT_RIGHT;
        RECT area{labelLeft, plot.bottom + ScaledForDpi(3, dpi), labelLeft + labelWidth,
                  client.bottom};
        const std::wstring text = Utf16FromUtf8(FormatTime(frame, rate, tenths));
        DrawTextW(dc, text.c_str(), -1, &area, align | DT_TOP | DT_SINGLELINE);
    }
}

std::optional<std::size_t> CWaveformCtrl::CutAtX(int x) const {
    const FrameScale scale = Scale();
    const std::optional<std::size_t> cut =
        model.CutNear(FrameAtX(scale, Plot(), x), GrabToleranceFrames(scale, Dpi()));
    const std::vector<std::uint32_t> cuts = model.CutFrames();
    // Near in frames is not always near on screen where the view ends.
    if (cut && *cut < cuts.size() && NearLine(x, XOfFrame(scale, Plot(), cuts[*cut]), Dpi())) {
        return cut;
    }
    return std::nullopt;
}

std::uint32_t CWaveformCtrl::InsertFrame() const {
    const PixelRect plot = Plot();
    if (pointerX && *pointerX >= plot.left && *pointerX < plot.right) {
        return FrameAtX(Scale(), plot, *pointerX);
    }
    return static_cast<std::uint32_t>((std::uint64_t{viewport.FirstFrame()} + viewport.EndFrame()) /
                                      2);
}

// Zooming keeps the selected cut in place when it is in view.
std::uint32_t CWaveformCtrl::ZoomAnchor() const {
    if (const std::optional<std::size_t> cut = model.SelectedCut()) {
        const std::vector<std::uint32_t> cuts = model.CutFrames();
        if (*cut < cuts.size() && cuts[*cut] >= viewport.FirstFrame() &&
            cuts[*cut] <= viewport.EndFrame()) {
            return cuts[*cut];
        }
    }
    return InsertFrame();
}

void CWaveformCtrl::OnButtonDown(int x, int y) {
    SetFocus(window);
    if (const std::optional<std::size_t> cut = CutAtX(x)) {
        model.SelectCut(cut);
        model.BeginDrag();
        drag = Drag::Cut;
    } else if (NearThresholdLine(Plot(), y, thresholdLevel, amplitude, Dpi())) {
        drag = Drag::Threshold;
    } else {
        model.SelectCut(std::nullopt);
    }
    if (drag != Drag::None) {
        SetCapture(window);
    }
    listener.Edited(EditResult{true, {}}); // the selection is shown everywhere
    Redraw();
}

void CWaveformCtrl::OnMouseMove(int x, int y) {
    if (!pointerX) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window, 0};
        TrackMouseEvent(&track);
    }
    pointerX = x;
    const PixelRect plot = Plot();
    const FrameScale scale = Scale();
    if (drag == Drag::Cut) {
        Report(model.DragSelectedCut(FrameAtX(scale, plot, x)));
        return;
    }
    if (drag == Drag::Threshold) {
        listener.ThresholdDragged(
            ThresholdPositionForLevel(LevelAtY(plot, y, amplitude), model.Source().bitsPerSample));
        return;
    }
    const std::uint32_t frame = FrameAtX(scale, plot, x);
    std::string text = FormatTime(frame, model.Source().sampleRate, true);
    if (const std::optional<std::uint32_t> track = model.TrackAt(frame);
        track && model.TrackCount() > 0) {
        text += "  " + model.FileName(*track);
        if (model.Replaces(*track)) {
            text += std::string(" (") + messages::kReplacesExistingFile + ")";
        }
    } else {
        text += "  trimmed";
    }
    listener.Hovered(text);
}

void CWaveformCtrl::OnButtonUp() {
    const Drag ended = drag;
    drag = Drag::None;
    if (ended == Drag::Cut) {
        model.EndDrag();
        listener.Edited(EditResult{true, {}});
    }
}

void CWaveformCtrl::OnWheel(int delta, bool control, int screenX, int screenY) {
    wheelRest += delta;
    const int notches = wheelRest / WHEEL_DELTA;
    if (notches == 0) {
        return;
    }
    wheelRest -= notches * WHEEL_DELTA;
    POINT at{screenX, screenY};
    ScreenToClient(window, &at);
    if (control) {
        const std::uint32_t anchor = FrameAtX(Scale(), Plot(), at.x);
        for (int i = 0; i < std::abs(notches); ++i) {
            notches > 0 ? viewport.ZoomIn(anchor) : viewport.ZoomOut(anchor);
        }
    } else {
        viewport.Scroll(-notches * kStepScroll);
    }
    ViewMoved();
}

bool CWaveformCtrl::OnKey(WPARAM key) {
    using A = WaveformAction;
    const A action =
        WaveformKeyAction(static_cast<unsigned>(key), KeyDown(VK_CONTROL), KeyDown(VK_SHIFT));
    switch (action) {
    case A::None:
        return false;
    case A::SelectPreviousCut:
    case A::SelectNextCut:
        action == A::SelectNextCut ? model.SelectNextCut() : model.SelectPreviousCut();
        listener.Edited(EditResult{true, {}});
        ShowSelectedCut();
        break;
    case A::NudgeBack:
    case A::NudgeOn:
        Report(model.NudgeSelectedCut(action == A::NudgeOn ? 1 : -1));
        ShowSelectedCut();
        break;
    case A::AddCut:
        Report(model.AddCut(InsertFrame()));
        ShowSelectedCut();
        break;
    case A::DeleteCut:
        Report(model.DeleteSelectedCut());
        break;
    case A::Undo:
    case A::Redo:
        if (action == A::Redo ? model.Redo() : model.Undo()) {
            Report(EditResult{true, {}});
        }
        break;
    case A::ToggleAmplitude:
        listener.AmplitudeToggled();
        break;
    case A::PlayOrStop:
        listener.PlayToggled();
        break;
    case A::Play:
        if (const std::optional<ListenAction> play =
                WaveformPlayAction(static_cast<unsigned>(key))) {
            listener.PlayRequested(*play, InsertFrame());
        }
        break;
    default:
        Navigate(action);
        break;
    }
    Redraw();
    return true;
}

// Zoom around the selected cut (or the pointer, or the middle), fit, scroll.
void CWaveformCtrl::Navigate(WaveformAction action) {
    using A = WaveformAction;
    switch (action) {
    case A::ZoomIn:
        viewport.ZoomIn(ZoomAnchor());
        break;
    case A::ZoomOut:
        viewport.ZoomOut(ZoomAnchor());
        break;
    case A::Fit:
        viewport.Fit();
        break;
    case A::PageBack:
    case A::PageOn:
        viewport.Scroll(action == A::PageOn ? kPageScroll : -kPageScroll);
        break;
    case A::StepBack:
    case A::StepOn:
        viewport.Scroll(action == A::StepOn ? kStepScroll : -kStepScroll);
        break;
    case A::ToStart:
    case A::ToEnd:
        viewport.Scroll(action == A::ToEnd ? 1e9 : -1e9);
        break;
    default:
        return;
    }
    ViewMoved();
}

// Scrolls as little as needed for the selected cut to be seen.
void CWaveformCtrl::ShowSelectedCut() {
    const std::optional<std::size_t> cut = model.SelectedCut();
    const std::vector<std::uint32_t> cuts = model.CutFrames();
    if (!cut || *cut >= cuts.size()) {
        return;
    }
    if (cuts[*cut] < viewport.FirstFrame() || cuts[*cut] >= viewport.EndFrame()) {
        viewport.EnsureVisible(cuts[*cut]);
        ViewMoved();
    }
}

void CWaveformCtrl::ViewMoved() {
    Redraw();
    listener.ViewChanged();
}

void CWaveformCtrl::Report(const EditResult& result) {
    Redraw();
    listener.Edited(result);
}

} // namespace winui
