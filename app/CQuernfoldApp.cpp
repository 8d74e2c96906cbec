#include "CQuernfoldApp.h"

#include "BrowseForOutputFolder.h"
#include "CAboutBox.h"
#include "CJobProgressWnd.h"
#include "CQuernfoldDlg.h"
#include "Profile.h"
#include "SettingsStore.h"

#include <QFile>
#include <QFileInfo>
#include <QKeySequence>
#include <QShortcut>

namespace {

int PickOutputFolder(QWidget* owner, QString& folder) {
    char buffer[kFolderPathBufferSize] = {};
    const int result = BrowseForOutputFolder(buffer, owner, folder);
    if (result == 1) {
        folder = QFile::decodeName(buffer);
    }
    return result;
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
    SetRegistryKey(QString::fromUtf8(kSettingsRoot));

    CQuernfoldDlg dialog(PickOutputFolder, ShowAboutBox, nullptr);
    // A file named on the command line (what the desktop entry passes) opens in
    // the window; Qt has taken its own options out of the arguments by now.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        dialog.StartWithFile(arguments.at(1).toStdString());
    }
    CJobProgressWnd::SetMainWindow(&dialog);
    auto* help = new QShortcut(QKeySequence::HelpContents, &dialog);
    QObject::connect(help, &QShortcut::activated, &dialog, [this] { OnHelp(); });

    dialog.exec();

    CJobProgressWnd::SetMainWindow(nullptr);
    return false;
}

void CQuernfoldApp::OnHelp() {}
