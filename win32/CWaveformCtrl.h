// The review window's waveform control: the frames in view with the planned
// files as numbered bands, the cuts, the trimmed ends and the threshold line,
// drawn with GDI through an off-screen bitmap. The user selects, drags, adds and
// deletes cuts, drags the threshold line, zooms and scrolls here; the review
// model decides every edit and the viewport what is in view, so this control
// only draws and turns mouse and keys into their calls.
#pragma once

#include "PlanReview.h"
#include "ReviewGeometry.h"
#include "ReviewKeys.h"
#include "ReviewModel.h"
#include "ReviewViewport.h"
#include "WinApi.h"

#include <memory>
#include <optional>
#include <string>

namespace winui {

// What the control tells the window around it, on the window's thread.
class WaveformListener {
public:
    virtual ~WaveformListener() = default;
    // The frames in view changed: a new picture is needed.
    virtual void ViewChanged() = 0;
    // An edit, undo or redo was tried (done, or refused with the model's sentence).
    virtual void Edited(const EditResult& result) = 0;
    // The threshold line was dragged to the trackbar position it now stands for.
    virtual void ThresholdDragged(int position) = 0;
    // What the pointer is over (empty when it left).
    virtual void Hovered(const std::string& text) = 0;
    // The L key: the other amplitude view.
    virtual void AmplitudeToggled() = 0;
    // Space: play or stop.
    virtual void PlayToggled() = 0;
    // A play key: around the selected cut, or (Band) the band at `frame`, the
    // pointer's frame or the view's middle.
    virtual void PlayRequested(ListenAction action, std::uint32_t frame) = 0;
};

class CWaveformCtrl {
public:
    static constexpr const wchar_t* kClassName = L"QuernfoldWaveform";

    CWaveformCtrl(ReviewModel& model, ReviewViewport& viewport, WaveformListener& listener);
    ~CWaveformCtrl();
    CWaveformCtrl(const CWaveformCtrl&) = delete;
    CWaveformCtrl& operator=(const CWaveformCtrl&) = delete;

    // A focusable child of `parent` with `id`; false when it could not be made.
    bool Create(HWND parent, int id);
    HWND Handle() const { return window; }

    // The picture of the frames in view (any column count; drawn stretched).
    void SetOverview(std::shared_ptr<const WaveOverview> overview);
    void SetAmplitudeView(AmplitudeView view);
    AmplitudeView Amplitude() const { return amplitude; }
    void SetThreshold(std::uint32_t level, bool windowMeans);
    // A new plan is being made (or the levels measured): the bands are greyed.
    void SetAnalysing(bool analysing, const std::wstring& text);
    // Where the clip that plays stands now; none: no line.
    void SetPlayLine(std::optional<std::uint32_t> frame);
    void Redraw();

    // The plot's width: one overview column per pixel.
    std::uint32_t Columns() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint(HDC target);
    void DrawBands(HDC dc, const PixelRect& plot, const FrameScale& scale) const;
    void DrawWaveform(HDC dc, const PixelRect& plot, const FrameScale& scale) const;
    void DrawLines(HDC dc, const PixelRect& plot, const FrameScale& scale) const;
    void DrawTimeAxis(HDC dc, const PixelRect& plot, const FrameScale& scale) const;
    void OnButtonDown(int x, int y);
    void OnMouseMove(int x, int y);
    void OnButtonUp();
    void OnWheel(int delta, bool control, int screenX, int screenY);
    bool OnKey(WPARAM key);
    void Navigate(WaveformAction action);
    void ShowSelectedCut();
    void Report(const EditResult& result);
    void ViewMoved();

    PixelRect Plot() const;
    FrameScale Scale() const;
    int Dpi() const;
    std::optional<std::size_t> CutAtX(int x) const;
    // Where Insert adds a cut: the pointer's frame, or the middle of the view.
    std::uint32_t InsertFrame() const;
    std::uint32_t ZoomAnchor() const;

    ReviewModel& model;
    ReviewViewport& viewport;
    WaveformListener& listener;
    HWND window = nullptr;
    std::shared_ptr<const WaveOverview> overview;
    AmplitudeView amplitude = AmplitudeView::Decibels;
    std::uint32_t thresholdLevel = 0;
    bool windowMeans = false;
    bool analysing = false;
    std::wstring analysingText;
    enum class Drag { None, Cut, Threshold } drag = Drag::None;
    std::optional<int> pointerX;
    std::optional<std::uint32_t> playLine;
    int wheelRest = 0; // wheel movement short of a notch
    HFONT font = nullptr;
};

} // namespace winui
