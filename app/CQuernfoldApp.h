// The application object: names the program (and so its settings file under the
// settings root), runs the main window as a modal dialog and ends the program
// when it closes. The command line is ignored
// (the toolkit's own options aside).
#pragma once

#include <QApplication>

namespace qtui {

class CQuernfoldApp {
public:
    CQuernfoldApp(int& argc, char** argv);
    CQuernfoldApp(const CQuernfoldApp&) = delete;
    CQuernfoldApp& operator=(const CQuernfoldApp&) = delete;

    // Runs the program; the result is the process's exit status.
    int Run();

private:
    // False: there is no loop after the main window's own.
    bool InitInstance();

    QApplication application;
};

} // namespace qtui
