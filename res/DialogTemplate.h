// Dialog templates as data: every control's id, kind, text, position and size in
// dialog units, and style, in tab order. ui/DialogBuilder lays them out with the
// dialog font's metrics, so a window keeps its proportions with any font.
#pragma once

#include <cstddef>

enum class ControlKind {
    Static,     // text label
    StaticIcon, // the program icon
    GroupBox,
    Edit,
    PushButton,
    DefPushButton, // the default button: Enter presses it
    RadioButton,   // automatic radio button
    CheckBox,      // automatic check box
    Trackbar,
    UpDown, // up-down arrows attached to the edit just before it
};

// Style bits; only those the program's templates use.
enum ControlStyle : unsigned {
    StyleNone = 0,
    StyleTabStop = 1u << 0,
    StyleGroup = 1u << 1,       // starts a new group (radio buttons, tab order)
    StyleAlignRight = 1u << 2,  // right-aligned static text
    StyleNoPrefix = 1u << 3,    // '&' is shown, not a mnemonic
    StyleAutoHScroll = 1u << 4, // the edit scrolls horizontally
    StyleNumber = 1u << 5,      // the edit takes digits only
    StyleBorder = 1u << 6,
    StyleTicksBelow = 1u << 7, // trackbar: automatic tick marks below the channel
};

inline constexpr int kNoControlId = -1;

struct DialogControl {
    int id; // kNoControlId for controls nothing refers to
    ControlKind kind;
    const char* text; // with '&' marking the mnemonic, as shown to the user
    int x, y, w, h;   // dialog units
    unsigned style;   // ControlStyle bits
};

// Laid out with the dialog's own font, whatever font the native template names.
struct DialogTemplate {
    const char* caption;
    int width, height; // dialog units
    const DialogControl* controls;
    std::size_t controlCount;
};

// The About box (100) and the main window (102).
extern const DialogTemplate kAboutBoxTemplate;
extern const DialogTemplate kMainWindowTemplate;

// The string table.
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr const char* kAboutMenuText = "&About Quernfold...";
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDR_MAINFRAME = 128; // the icon
