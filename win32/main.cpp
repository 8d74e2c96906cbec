// The Windows desktop program: one modal window, then the program ends.
#include "CQuernfoldApp.h"
#include "Messages.h"
#include "WinApi.h"

#include <new>

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    // A run that meets it says so in a message box (see the window's Start); this
    // is the last resort for anything else, so the program never ends without a word.
    try {
        winui::CQuernfoldApp app;
        return app.Run();
    } catch (const std::bad_alloc&) {
        MessageBoxA(nullptr, messages::kNotEnoughMemory, messages::kErrorCaption,
                    MB_ICONERROR | MB_OK);
        return 1;
    }
}
