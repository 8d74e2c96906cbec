#include "BrowseForOutputFolder.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include <cstring>

namespace qtui {

int BrowseForOutputFolder(char* buffer, std::size_t bufferSize, QWidget* owner,
                          const QString& startFolder) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return -1;
    }

    QFileDialog picker(owner,
                       QStringLiteral("Select a directory in which to write split WAV files"),
                       startFolder.isEmpty() ? QDir::currentPath() : startFolder);
    picker.setFileMode(QFileDialog::Directory);
    picker.setOption(QFileDialog::ShowDirsOnly, true);
    picker.setAcceptMode(QFileDialog::AcceptOpen);
    if (picker.exec() != QDialog::Accepted) {
        return 0;
    }

    // Only a local folder has a file-system path; a native picker may offer more.
    const QStringList chosen = picker.selectedFiles();
    if (chosen.isEmpty()) {
        return 0;
    }
    const QFileInfo folder(chosen.first());
    if (!folder.isDir() || folder.absoluteFilePath().isEmpty()) {
        return 0;
    }

    const QByteArray path = QFile::encodeName(QDir::toNativeSeparators(folder.absoluteFilePath()));
    if (!buffer || static_cast<std::size_t>(path.size()) + 1 > bufferSize) {
        return 0; // a longer path would overflow the caller's buffer
    }
    std::memcpy(buffer, path.constData(), static_cast<std::size_t>(path.size()) + 1);
    return 1;
}

} // namespace qtui
