// Helpers shared by the widget tests.
#pragma once

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPixmap>
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

// The window as a screenshot for the README: the offscreen platform draws no
// window frame, so a plain caption strip with the window's title is added.
inline QImage WithCaption(QWidget* window) {
    const QPixmap body = window->grab();
    const int captionHeight = window->fontMetrics().height() + 10;
    QImage framed(body.width() + 2, body.height() + captionHeight + 1, QImage::Format_RGB32);
    framed.fill(QColor(90, 90, 90));
    QPainter painter(&framed);
    painter.fillRect(1, 1, body.width(), captionHeight - 1, QColor(52, 78, 125));
    painter.setPen(Qt::white);
    QFont bold = window->font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.drawText(QRect(8, 1, body.width() - 8, captionHeight - 1), Qt::AlignVCenter,
                     window->windowTitle());
    painter.drawPixmap(1, captionHeight, body);
    return framed;
}
