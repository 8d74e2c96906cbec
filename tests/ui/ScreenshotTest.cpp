// Renders the progress window and the About box to PNG files (for the README)
// in the folder named by QUERNFOLD_SCREENSHOT_DIR, each with a caption strip.
#include "CAboutBox.h"
#include "CJobProgressWnd.h"
#include "Profile.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QtTest>

using namespace qtui;

class ScreenshotTest : public QObject {
    Q_OBJECT
private slots:
    void renderWindows() {
        ScratchSettings settings;
        const QString folder = qEnvironmentVariable("QUERNFOLD_SCREENSHOT_DIR",
                                                    QDir::current().filePath("screenshots"));
        QVERIFY(QDir().mkpath(folder));

        ProfileStore store;
        CJobProgressWnd progress(nullptr, "Progress", true, store);
        progress.SetRange(0, 1000, 1);
        // The writer's own status text, as a real run shows it.
        progress.SetStatus("Creating WAV files...  Estimated time remaining: 1:24");
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
