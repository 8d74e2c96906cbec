// Renders the progress window and the About box to PNG files (for the README)
// in the folder named by QUERNFOLD_SCREENSHOT_DIR. The offscreen platform draws
// no window frame, so a plain caption strip with the window's title is added.
#include "CAboutBox.h"
#include "CJobProgressWnd.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QPainter>
#include <QtTest>

namespace {

QImage WithCaption(QWidget* window) {
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

} // namespace

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void renderWindows() {
        ScratchSettings settings;
        const QString folder = qEnvironmentVariable("QUERNFOLD_SCREENSHOT_DIR",
                                                    QDir::current().filePath("screenshots"));
        QVERIFY(QDir().mkpath(folder));

        CJobProgressWnd progress(nullptr, "Progress", 1);
        progress.SetRange(0, 1000, 1);
        // The writer's own status text, as a real run shows it.
        progress.SetText("Creating WAV files...  Estimated time remaining: %d:%02d", 1, 24);
        progress.SetPos(583);
        const QImage progressImage = WithCaption(progress.Window());
        QVERIFY(progressImage.save(QDir(folder).filePath("progress-window.png")));

        CAboutBox about;
        about.show();
        const QImage aboutImage = WithCaption(&about);
        QVERIFY(aboutImage.save(QDir(folder).filePath("about-box.png")));
    }
};

QTEST_MAIN(ScreenshotTest)
#include "ScreenshotTest.moc"
