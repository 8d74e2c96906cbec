#include "CQuernfoldApp.h"

#include "BrowseForOutputFolder.h"
#include "CAboutBox.h"
#include "CJobProgressWnd.h"
#include "CQuernfoldDlg.h"

#include <QFile>
#include <QFileInfo>

namespace qtui {

namespace {

FolderChoice PickOutputFolder(QWidget* owner, QString& folder) {
    char buffer[kFolderPathBufferSize] = {};
    const FolderChoice choice = FolderChoiceOfPicker(BrowseForOutputFolder(buffer, owner, folder));
    if (choice == FolderChoice::Chosen) {
        folder = QFile::decodeName(buffer);
    }
    return choice;
}

void ShowAboutBox(QWidget* owner) {
    CAboutBox about(owner);
    about.exec();
}

// The executable's file name without its extension, so a copy under another
// name keeps settings of its own.
QString NameFromExecutable(const QString& invokedAs) {
    const QString name = QFileInfo(invokedAs).completeBaseName();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

} // namespace

CQuernfoldApp::CQuernfoldApp(int& argc, char** argv) : application(argc, argv) {
    if (argc > 0 && argv[0] != nullptr) {
        QCoreApplication::setApplicationName(NameFromExecutable(QString::fromLocal8Bit(argv[0])));
    }
}

int CQuernfoldApp::Run() {
    InitInstance();
    return 0;
}

bool CQuernfoldApp::InitInstance() {

    CQuernfoldDlg dialog(PickOutputFolder, ShowAboutBox, nullptr);
    // A file named on the command line (what the desktop entry passes) opens in
    // the window; Qt has taken its own options out of the arguments by now.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        dialog.StartWithFile(arguments.at(1).toStdString());
    }
    CJobProgressWnd::SetMainWindow(&dialog);

    dialog.exec();

    CJobProgressWnd::SetMainWindow(nullptr);
    return false;
}

} // namespace qtui
