// The desktop program: one modal window, then the program ends.
#include "CQuernfoldApp.h"
#include "Messages.h"

#include <cstdio>
#include <new>

int main(int argc, char** argv) {
    // A run that meets it says so in a message box (see the window's Start); this
    // is the last resort for anything else, so the program never ends without a word.
    try {
        qtui::CQuernfoldApp app(argc, argv);
        return app.Run();
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "quernfold: %s\n", messages::kNotEnoughMemory);
        return 1;
    }
}
