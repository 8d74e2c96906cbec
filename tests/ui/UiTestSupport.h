// Helpers shared by the widget tests.
#pragma once

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <functional>

// Points the settings store at a fresh temporary folder for one test run.
class ScratchSettings {
public:
    ScratchSettings() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    }
    QString Path() const { return folder.path(); }

private:
    QTemporaryDir folder;
};

// Runs action on the next modal widget to appear (a message box, a file
// dialog), from inside its own event loop.
inline void OnNextModal(std::function<void(QWidget*)> action) {
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            action(modal);
        }
    });
    poll->start();
}
