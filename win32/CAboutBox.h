// The About box (template 100): the program icon, the version line and OK.
// OK, Escape and the close box end it.
#pragma once

#include "WinApi.h"

namespace winui {

class CAboutBox {
public:
    // Shows the box modally over `owner` and returns when it is closed.
    static void DoModal(HWND owner);

    // The box's frame, as the system names its styles.
    static const struct DialogFrame& Frame();
};

} // namespace winui
