// The About box from its template, and the folder picker's start folder and
// results, with the caller's buffer never overrun.
#include "BrowseForOutputFolder.h"
#include "CAboutBox.h"
#include "ProgramIcon.h"
#include "UiTestSupport.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace qtui;

namespace {

// Makes the given folder current for one test and puts the old one back.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : previous(QDir::currentPath()) {
        QDir::setCurrent(folder);
    }
    ~CurrentFolder() { QDir::setCurrent(previous); }

private:
    QString previous;
};

QString CanonicalPath(const QString& path) {
    return QFileInfo(path).canonicalFilePath();
}

} // namespace

class AboutAndFolderTest : public QObject {
    Q_OBJECT
private slots:
    void aboutBoxShowsIconVersionAndOkThatClosesIt() {
        CAboutBox about;
        QCOMPARE(about.windowTitle(), QString("About Quernfold"));
        QStringList texts;
        bool hasIcon = false;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                hasIcon = true;
                QCOMPARE(label->pixmap().size(), QSize(32, 32));
            } else {
                texts << label->text();
            }
        }
        QVERIFY(hasIcon);
        QCOMPARE(texts, QStringList{"Quernfold Version 1.01"});
        const QList<QPushButton*> buttons = about.findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 1);
        QCOMPARE(buttons.first()->text(), QString("OK"));
        QVERIFY(buttons.first()->isDefault());

        OnNextModal([](QWidget* box) {
            QTest::mouseClick(box->findChild<QPushButton*>(), Qt::LeftButton);
        });
        QCOMPARE(about.exec(), int(QDialog::Accepted));

        CAboutBox escaped;
        OnNextModal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
        QCOMPARE(escaped.exec(), int(QDialog::Rejected));
    }

    void programIconHasBothImagesOpaque() {
        for (int edge : {32, 16}) {
            const QImage image = ProgramIconImage(edge).toImage();
            QCOMPARE(image.size(), QSize(edge, edge));
            QVERIFY(!image.hasAlphaChannel() ||
                    image.convertToFormat(QImage::Format_ARGB32).pixelColor(0, 0).alpha() == 255);
            QCOMPARE(image.pixelColor(0, 0), QColor(Qt::white));
            QCOMPARE(image.pixelColor(edge / 2, edge / 2),
                     QColor(Qt::black)); // the waveform's middle

            // Legible at either size: separate strokes (one column wide, white
            // between them), tallest in the middle third, shorter towards the edges.
            std::vector<int> strokes; // height of each stroke, left to right
            int previousHeight = 0;
            for (int x = 0; x < edge; ++x) {
                int height = 0;
                for (int y = 0; y < edge; ++y) {
                    height += image.pixelColor(x, y) == QColor(Qt::black) ? 1 : 0;
                }
                const bool stroke = height > 1; // more than the centre line
                QVERIFY2(!(stroke && previousHeight > 1), "strokes run together");
                if (stroke) {
                    strokes.push_back(height);
                }
                previousHeight = height;
            }
            QVERIFY2(strokes.size() >= 5, qPrintable(QString::number(strokes.size())));
            const auto tallest = std::max_element(strokes.begin(), strokes.end());
            const auto third = static_cast<std::ptrdiff_t>(strokes.size() / 3);
            QVERIFY(tallest - strokes.begin() >= third && strokes.end() - tallest > third);
            QVERIFY(strokes.front() < *tallest && strokes.back() < *tallest);
        }
    }

    void pickerOpensAtTheCurrentFolderAndCancelLeavesTheBufferAlone() {
        QTemporaryDir folder;
        CurrentFolder current(folder.path());
        char buffer[kFolderPathBufferSize];
        std::memset(buffer, 'x', sizeof buffer);
        QString openedAt, title;
        bool directoriesOnly = false;
        OnNextModal([&](QWidget* modal) {
            auto* picker = qobject_cast<QFileDialog*>(modal);
            QVERIFY(picker);
            openedAt = picker->directory().absolutePath();
            title = picker->windowTitle();
            directoriesOnly = picker->fileMode() == QFileDialog::Directory &&
                              picker->testOption(QFileDialog::ShowDirsOnly);
            picker->reject();
        });
        QCOMPARE(BrowseForOutputFolder(buffer, nullptr), 0);
        QCOMPARE(CanonicalPath(openedAt), CanonicalPath(folder.path()));
        QCOMPARE(title, QString("Select a directory in which to write split WAV files"));
        QVERIFY(directoriesOnly);
        QCOMPARE(buffer[0], 'x');
        QCOMPARE(buffer[kFolderPathBufferSize - 1], 'x');
    }

    void chosenFolderIsCopiedOnlyWhenItFits() {
        QTemporaryDir folder;
        const QString chosen = folder.filePath("tracks");
        QVERIFY(QDir().mkpath(chosen));
        auto choose = [&chosen] {
            OnNextModal([chosen](QWidget* modal) {
                auto* picker = qobject_cast<QFileDialog*>(modal);
                picker->setDirectory(chosen); // with nothing typed, the folder shown is the choice
                static_cast<QDialog*>(picker)->accept(); // as the Choose button does
            });
        };

        char buffer[kFolderPathBufferSize];
        choose();
        QCOMPARE(BrowseForOutputFolder(buffer, nullptr), 1);
        QCOMPARE(CanonicalPath(QFile::decodeName(buffer)), CanonicalPath(chosen));

        // One byte too few for the path and its terminating zero: refused, untouched.
        const std::size_t needed = std::strlen(buffer) + 1;
        char small[kFolderPathBufferSize + 1];
        std::memset(small, 'x', sizeof small);
        choose();
        QCOMPARE(BrowseForOutputFolder(small, needed - 1, nullptr), 0);
        QCOMPARE(small[0], 'x');
        QCOMPARE(small[needed - 1], 'x');
        choose();
        QCOMPARE(BrowseForOutputFolder(small, needed, nullptr), 1);
        QCOMPARE(small[needed - 1], '\0');
        QCOMPARE(small[needed], 'x');
    }
};

QTEST_MAIN(AboutAndFolderTest)
#include "AboutAndFolderTest.moc"
