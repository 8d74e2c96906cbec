// The Windows desktop program: one modal window, then the program ends.
#include "CQuernfoldApp.h"
#include "WinApi.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int /*show*/) {
    winui::CQuernfoldApp app;
    return app.Run();
}
