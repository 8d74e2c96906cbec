#include "ReviewKeys.h"

#include "WinApi.h"

namespace winui {

namespace {

// Keys that mean the same with or without Shift and Ctrl.
WaveformAction PlainKeyAction(unsigned key) {
    switch (key) {
    case VK_INSERT:
        return WaveformAction::AddCut;
    case VK_DELETE:
        return WaveformAction::DeleteCut;
    case VK_ADD:
    case VK_OEM_PLUS: // "=" and, with Shift, "+"
        return WaveformAction::ZoomIn;
    case VK_SUBTRACT:
    case VK_OEM_MINUS:
        return WaveformAction::ZoomOut;
    case '0':
    case VK_NUMPAD0:
    case 'F':
        return WaveformAction::Fit;
    case VK_PRIOR:
        return WaveformAction::PageBack;
    case VK_NEXT:
        return WaveformAction::PageOn;
    case VK_HOME:
        return WaveformAction::ToStart;
    case VK_END:
        return WaveformAction::ToEnd;
    case 'L':
        return WaveformAction::ToggleAmplitude;
    default:
        return WaveformPlayAction(key) ? WaveformAction::Play : WaveformAction::None;
    }
}

} // namespace

WaveformAction WaveformKeyAction(unsigned key, bool control, bool shift) {
    switch (key) {
    case VK_LEFT:
    case VK_RIGHT: {
        const bool right = key == VK_RIGHT;
        if (control) { // Ctrl scrolls; Ctrl+Shift is not taken
            return shift ? WaveformAction::None
                         : (right ? WaveformAction::StepOn : WaveformAction::StepBack);
        }
        if (shift) {
            return right ? WaveformAction::NudgeOn : WaveformAction::NudgeBack;
        }
        return right ? WaveformAction::SelectNextCut : WaveformAction::SelectPreviousCut;
    }
    case 'Z':
        return !control ? WaveformAction::None
                        : (shift ? WaveformAction::Redo : WaveformAction::Undo);
    case 'Y':
        return control && !shift ? WaveformAction::Redo : WaveformAction::None;
    case VK_SPACE:
        return control ? WaveformAction::None : WaveformAction::PlayOrStop;
    default:
        // Ctrl with a letter is a command of its own (Ctrl+F is not "fit").
        if (control && key >= 'A' && key <= 'Z') {
            return WaveformAction::None;
        }
        return PlainKeyAction(key);
    }
}

std::optional<ListenAction> WaveformPlayAction(unsigned key) {
    // Letters' virtual-key codes are their upper-case characters.
    return key >= 'A' && key <= 'Z' ? ListenActionForKey(static_cast<char>(key)) : std::nullopt;
}

} // namespace winui
