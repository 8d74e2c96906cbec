// The desktop program: one modal window, then the program ends.
#include "CQuernfoldApp.h"

int main(int argc, char** argv) {
    qtui::CQuernfoldApp app(argc, argv);
    return app.Run();
}
