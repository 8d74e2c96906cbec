// The application object: names the per-user settings store (the root and the
// executable's name), runs the main window modally, and the program ends when
// it closes. The command line is ignored.
#pragma once

namespace winui {

class CQuernfoldApp {
public:
    CQuernfoldApp();
    ~CQuernfoldApp();
    CQuernfoldApp(const CQuernfoldApp&) = delete;
    CQuernfoldApp& operator=(const CQuernfoldApp&) = delete;

    // Runs the program; its exit code.
    int Run();

private:
    bool comInitialized = false;
};

} // namespace winui
