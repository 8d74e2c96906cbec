// What a key pressed in the review window's waveform stands for, decided apart
// from the control so that the keyboard map is tested without a screen.
#pragma once

#include "Listening.h"

#include <optional>

namespace winui {

enum class WaveformAction {
    None, // not the waveform's: the dialog or the system handles it
    SelectPreviousCut,
    SelectNextCut,
    NudgeBack, // the selected cut one analysis window earlier
    NudgeOn,
    AddCut,
    DeleteCut,
    Undo,
    Redo,
    ZoomIn,
    ZoomOut,
    Fit,
    PageBack,
    PageOn,
    StepBack, // a tenth of the view
    StepOn,
    ToStart,
    ToEnd,
    ToggleAmplitude, // dB or linear
    PlayOrStop,      // Space
    Play,            // a play key: WaveformPlayAction says which
};

// `key` is the virtual-key code of a WM_KEYDOWN.
WaveformAction WaveformKeyAction(unsigned key, bool control, bool shift);
// The play action of a key that WaveformKeyAction maps to Play.
std::optional<ListenAction> WaveformPlayAction(unsigned key);

} // namespace winui
