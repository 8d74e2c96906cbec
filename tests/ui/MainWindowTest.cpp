// The main window on the offscreen platform, with the settings store in a
// temporary folder: what it opens with, what a commit checks and keeps, what
// Close saves, and a whole Start on a small generated recording.
#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"
#include "CQuernfoldDlg.h"
#include "CThresholdSlider.h"
#include "DialogBuilder.h"
#include "Profile.h"
#include "SndfileOracle.h"
#include "TestFiles.h"
#include "ThresholdScale.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSettings>
#include <QtTest>

#include <clocale>
#include <filesystem>
#include <functional>
#include <memory>

using namespace qtui;

using namespace MainWindowId;

namespace {

// The section "Options" of the settings store, read or written directly.
std::unique_ptr<QSettings> Options() {
    auto settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                                QStringLiteral("Ferndusk Software"),
                                                QCoreApplication::applicationName());
    settings->beginGroup(QStringLiteral("Options"));
    return settings;
}

// Answers every message box that appears while it lives, with `answer`, and
// remembers what the last one said.
class MessageAnswerer {
public:
    explicit MessageAnswerer(QMessageBox::StandardButton answer = QMessageBox::Ok) {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this, answer] {
            QWidget* modal = QApplication::activeModalWidget();
            // The plan is confirmed in the review window, which answers alike.
            if (auto* review = qobject_cast<CPlanReviewWnd*>(modal);
                review != nullptr && review->isVisible() && review->OkButton()->isEnabled()) {
                title = review->windowTitle();
                text = review->ReportLabel()->text();
                ++count;
                answer == QMessageBox::Ok ? review->accept() : review->reject();
                return;
            }
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (box == nullptr || !box->isVisible()) {
                return;
            }
            title = box->windowTitle();
            text = box->text();
            ++count;
            box->button(answer)->click();
        });
        poll.start();
    }
    QString title;
    QString text;
    int count = 0;

private:
    QTimer poll;
};

// Answers every file dialog that is open while it lives, again on every tick
// until the dialog has gone: the dialog may still be getting ready at first.
class FileDialogAnswerer {
public:
    explicit FileDialogAnswerer(std::function<void(QFileDialog*)> answer) {
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [this, answer] {
            QWidget* modal = QApplication::activeModalWidget();
            // The dialog's own complaint (say, a file not found yet): dismiss and retry.
            if (auto* box = qobject_cast<QMessageBox*>(modal);
                box != nullptr && qobject_cast<QFileDialog*>(modal->parentWidget()) != nullptr) {
                complaint = box->text();
                box->close();
                return;
            }
            // Answered from the event loop, so this tick is over if the answer
            // opens a box of its own.
            QPointer<QFileDialog> dialog = qobject_cast<QFileDialog*>(modal);
            if (dialog != nullptr && dialog->isVisible()) {
                ++count;
                QTimer::singleShot(0, dialog, [dialog, answer] {
                    if (dialog != nullptr && dialog->isVisible()) {
                        answer(dialog);
                    }
                });
            }
        });
        poll.start();
    }
    int count = 0;
    QString complaint;

private:
    QTimer poll;
};

// Sound, silence, sound: one split point at 8000 frames a second.
void WriteTwoTracks(const std::string& path) {
    std::vector<std::int16_t> samples;
    auto tone = [&samples](int frames) {
        for (int i = 0; i < frames; ++i) {
            samples.push_back(static_cast<std::int16_t>(i % 40 < 20 ? 9000 : -9000));
        }
    };
    tone(3 * 8000);
    samples.insert(samples.end(), 2 * 8000, 0);
    tone(3 * 8000);
    testing_support::WriteWavWithSndfile(path, 8000, 1, 16, samples);
}

int WavCount(const std::filesystem::path& folder) {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        count += entry.path().extension() == ".wav" ? 1 : 0;
    }
    return count;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScratchSettings> scratch;
    std::unique_ptr<CQuernfoldDlg> window;
    // The fake folder picker's answer and what it hands back.
    FolderChoice pickerResult = FolderChoice::Cancelled;
    int pickerCalls = 0;
    QString pickerFolder;
    QWidget* aboutOwner = nullptr;

    CQuernfoldDlg* Open() {
        window = std::make_unique<CQuernfoldDlg>(
            [this](QWidget*, QString& folder) {
                ++pickerCalls;
                if (pickerResult == FolderChoice::Chosen) {
                    folder = pickerFolder;
                }
                return pickerResult;
            },
            [this](QWidget* owner) { aboutOwner = owner; });
        CJobProgressWnd::SetMainWindow(window.get());
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get())) {
            qWarning("the main window did not become active");
        }
        return window.get();
    }

    QLineEdit* Edit(int id) const { return qobject_cast<QLineEdit*>(window->Control(id)); }
    QLabel* Label(int id) const { return qobject_cast<QLabel*>(window->Control(id)); }
    CThresholdSlider* Slider() const {
        return qobject_cast<CThresholdSlider*>(window->Control(kThreshold));
    }
    QAbstractButton* Button(int id) const {
        return qobject_cast<QAbstractButton*>(window->Control(id));
    }

private slots:
    void init() {
        scratch = std::make_unique<ScratchSettings>();
        pickerResult = FolderChoice::Cancelled;
        pickerCalls = 0;
        aboutOwner = nullptr;
    }

    void cleanup() {
        CJobProgressWnd::SetMainWindow(nullptr);
        window.reset();
        scratch.reset();
    }

    void opensWithTheDefaultsOnFirstStart() {
        Open();
        QCOMPARE(window->windowTitle(), QStringLiteral("Quernfold"));
        QVERIFY(!(window->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(Edit(kFileNamePrefix)->text(), QStringLiteral("Track"));
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0.20 %"));
        QCOMPARE(Slider()->value(), 12);
        QCOMPARE(Slider()->maximum(), 300);
        QCOMPARE(Slider()->tickInterval(), 60);
        QCOMPARE(Label(kMaximumLabel)->text(), QStringLiteral("5 %"));
        QCOMPARE(Edit(kSilenceLength)->text(), QStringLiteral("500"));
        QCOMPARE(Edit(kMinTrackLength)->text(), QStringLiteral("30"));
        QCOMPARE(Edit(kAppendSilence)->text(), QStringLiteral("0"));
        QVERIFY(Button(kMaximumMethod)->isChecked());
        QVERIFY(!Button(kAverageMethod)->isChecked());
        QVERIFY(!Button(kTrimSilence)->isChecked());
        QCOMPARE(window->focusWidget(), Edit(kInputPath));

        // The arrows step within each field's range.
        auto* arrows = qobject_cast<UpDownArrows*>(window->Control(kSilenceLengthArrows));
        QCOMPARE(arrows->Buddy(), Edit(kSilenceLength));
        QCOMPARE(arrows->Minimum(), 1);
        QCOMPARE(arrows->Maximum(), 5000);
        arrows = qobject_cast<UpDownArrows*>(window->Control(kMinTrackLengthArrows));
        QCOMPARE(arrows->Minimum(), 1);
        QCOMPARE(arrows->Maximum(), 3600);
        arrows = qobject_cast<UpDownArrows*>(window->Control(kAppendSilenceArrows));
        QCOMPARE(arrows->Minimum(), 0);
        QCOMPARE(arrows->Maximum(), 5000);
    }

    void trackbarPositionsGiveTheirText_data() {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "0.00 %";
        QTest::newRow("1") << 1 << "0.02 %";
        QTest::newRow("12") << 12 << "0.20 %";
        QTest::newRow("21") << 21 << "0.35 %";
        QTest::newRow("299") << 299 << "4.98 %";
        QTest::newRow("300") << 300 << "5.00 %";
    }

    void trackbarPositionsGiveTheirText() {
        QFETCH(int, position);
        QFETCH(QString, text);
        Open();
        Slider()->setValue(position == 0 ? 1 : 0); // so that every row is a move
        Slider()->setValue(position);
        QCOMPARE(Label(kThresholdLabel)->text(), text);
        QCOMPARE(QString::fromStdString(window->HeldOptions().thresholdText), text);
    }

    // Where stored texts open the trackbar, and that the label keeps the text.
    void storedThresholdTextsOpenTheTrackbar_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("position");
        QTest::newRow("0.35 % opens one step lower") << "0.35 %" << 20;
        QTest::newRow("0.03 % opens one step lower") << "0.03 %" << 1;
        QTest::newRow("beyond the scale") << "10 %" << 300;
        QTest::newRow("no number") << "quiet %" << 0;
        QTest::newRow("too short to hold a number") << "9" << 0;
        QTest::newRow("negative") << "-3.00 %" << 0;
        QTest::newRow("overflowing") << "1e999 %" << 300;
        QTest::newRow("not a number") << "nan %" << 0;
    }

    void storedThresholdTextsOpenTheTrackbar() {
        QFETCH(QString, stored);
        QFETCH(int, position);
        Options()->setValue(QStringLiteral("Threshold"), stored);
        Open();
        QCOMPARE(Slider()->value(), position);
        QCOMPARE(Label(kThresholdLabel)->text(), stored);
    }

    void closeSavesAndReopeningRestores() {
        Open();
        Edit(kInputPath)->setText(QStringLiteral("/somewhere/side-a.wav"));
        Edit(kFileNamePrefix)->setText(QStringLiteral("Side A "));
        Edit(kSilenceLength)->setText(QStringLiteral("750"));
        Edit(kMinTrackLength)->setText(QStringLiteral("45"));
        Edit(kAppendSilence)->setText(QStringLiteral("2000"));
        Slider()->setValue(21);
        Button(kAverageMethod)->click();
        Button(kTrimSilence)->click();
        Button(kWriteCueSheet)->click();
        QTest::keyClick(Edit(kInputPath), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->result(), int(QDialog::Rejected));

        {
            const auto stored = Options();
            QCOMPARE(stored->value("TrimSilence").toInt(), 1);
            QCOMPARE(stored->value("UseAverageMethod").toInt(), 1);
            QCOMPARE(stored->value("AppendSilence").toInt(), 2000);
            QCOMPARE(stored->value("MinTrackLength").toInt(), 45);
            QCOMPARE(stored->value("SilenceLength").toInt(), 750);
            QCOMPARE(stored->value("BeginWith").toString(), QStringLiteral("Side A "));
            QCOMPARE(stored->value("Threshold").toString(), QStringLiteral("0.35 %"));
            QCOMPARE(stored->value("WriteCueSheet").toInt(), 1);
            QVERIFY(!stored->contains("inputPath") && stored->childKeys().size() == 14);
        }

        Open();
        QCOMPARE(Edit(kInputPath)->text(), QString()); // paths are never stored
        QCOMPARE(Edit(kFileNamePrefix)->text(), QStringLiteral("Side A "));
        QCOMPARE(Edit(kSilenceLength)->text(), QStringLiteral("750"));
        QCOMPARE(Edit(kMinTrackLength)->text(), QStringLiteral("45"));
        QCOMPARE(Edit(kAppendSilence)->text(), QStringLiteral("2000"));
        QVERIFY(Button(kAverageMethod)->isChecked());
        QVERIFY(Button(kTrimSilence)->isChecked());
        QVERIFY(Button(kWriteCueSheet)->isChecked());
        QCOMPARE(Slider()->value(), 20);                                    // one step lower ...
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0.35 %")); // ... same text
        window->close();                                                    // the close box
        QVERIFY(!window->isVisible());
        QCOMPARE(Options()->value("Threshold").toString(), QStringLiteral("0.35 %"));
    }

    // A failing check stops the commit at its field through the widgets: the
    // message box, the focus and selection, and the values held afterwards.
    // (Which check fails where is the form's table.)
    void commitStopsAtTheFirstFieldThatFails() {
        Open();
        const SplitOptions before = window->HeldOptions();
        // A field read before every other, one read after every numeric field,
        // and the failing one.
        Label(kThresholdLabel)->setText(QStringLiteral("1.00 %"));
        Button(kTrimSilence)->click();
        Edit(kMinTrackLength)->setText(QStringLiteral("0"));

        MessageAnswerer seen;
        QVERIFY(!window->UpdateData(true));
        QCOMPARE(seen.count, 1);
        QVERIFY2(seen.text.contains(QStringLiteral("between 1 and 3600")), qPrintable(seen.text));
        QCOMPARE(window->focusWidget(), Edit(kMinTrackLength));
        QCOMPARE(Edit(kMinTrackLength)->selectedText(), QStringLiteral("0"));

        const SplitOptions held = window->HeldOptions();
        QCOMPARE(held.thresholdText, std::string("1.00 %")); // read before: kept
        QCOMPARE(held.trimSilence, false);                   // read after: not read
        QCOMPARE(held.minTrackLengthSec, 0u);                // out of range: held as typed
        QCOMPARE(held.appendSilenceMs, before.appendSilenceMs);
    }

    // Leaving the minimum-track-length edit commits; leaving the append edit does not.
    void leavingSomeEditsCommits() {
        Open();
        Edit(kAppendSilence)->setFocus(Qt::TabFocusReason);
        Edit(kAppendSilence)->setText(QStringLiteral("9999"));
        MessageAnswerer seen;
        Edit(kMinTrackLength)->setFocus(Qt::TabFocusReason);
        QTest::qWait(100);
        QCOMPARE(seen.count, 0);

        Edit(kMinTrackLength)->setText(QStringLiteral("0"));
        Edit(kFileNamePrefix)->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(seen.count, 1);
        QVERIFY(seen.text.contains(QStringLiteral("between 1 and 3600")));
        QTRY_COMPARE(window->focusWidget(), Edit(kMinTrackLength));
        QCOMPARE(Edit(kMinTrackLength)->selectedText(), QStringLiteral("0"));
        QCOMPARE(window->HeldOptions().minTrackLengthSec, 0u);
        // Putting the focus back is part of the failed commit: it starts no other.
        QTest::qWait(200);
        QCOMPARE(seen.count, 1);
    }

    void storedValuesOutsideTheirRangesOpenAsDefaults() {
        Options()->setValue(QStringLiteral("MinTrackLength"), 70000);
        Options()->setValue(QStringLiteral("SilenceLength"), -1);
        Open();
        QCOMPARE(Edit(kMinTrackLength)->text(), QStringLiteral("30"));
        QCOMPARE(Edit(kSilenceLength)->text(), QStringLiteral("500"));
        QVERIFY(window->UpdateData(true));
    }

    // Typed text, the trim box and the method survive trackbar moves and the two
    // browse buttons when their dialogs are cancelled.
    void typedValuesSurviveTrackbarAndCancelledBrowsing() {
        Open();
        Edit(kInputPath)->setText(QStringLiteral("typed.wav"));
        Edit(kOutputFolder)->setText(QStringLiteral("typed folder"));
        Edit(kAppendSilence)->setText(QStringLiteral("9999"));
        Button(kTrimSilence)->click();
        Slider()->setValue(200);

        QStringList filters;
        {
            FileDialogAnswerer cancel([&filters](QFileDialog* dialog) {
                filters = dialog->nameFilters();
                dialog->reject();
            });
            Button(kBrowseInput)->click();
        }
        QCOMPARE(filters, (QStringList{QStringLiteral("WAV Files (*.wav)"),
                                       QStringLiteral("All files (*)")}));
        pickerResult = FolderChoice::Cancelled;
        Button(kBrowseOutput)->click();
        pickerResult = FolderChoice::Unavailable;
        Button(kBrowseOutput)->click();

        QCOMPARE(Edit(kInputPath)->text(), QStringLiteral("typed.wav"));
        QCOMPARE(Edit(kOutputFolder)->text(), QStringLiteral("typed folder"));
        QCOMPARE(Edit(kAppendSilence)->text(), QStringLiteral("9999"));
        QVERIFY(Button(kTrimSilence)->isChecked());
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("3.33 %"));
    }

    // A chosen path is shown in full even beyond the typing limit; the next
    // commit reports it.
    void chosenPathsAreShownInFull() {
        testing_support::TempDir folder;
        const QString file = QString::fromStdString(folder.file("chosen.wav"));
        testing_support::WriteFileBytes(file.toStdString(), {0});
        Open();
        {
            FileDialogAnswerer choose([file](QFileDialog* dialog) {
                // As typed: selectFile leaves the name alone while the box has the focus.
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
                static_cast<QDialog*>(dialog)->accept();
            });
            Button(kBrowseInput)->click();
            QCOMPARE(choose.complaint, QString());
        }
        QCOMPARE(Edit(kInputPath)->text(), file);
        QCOMPARE(QString::fromStdString(window->HeldOptions().inputPath), file);

        pickerResult = FolderChoice::Chosen;
        pickerFolder = QStringLiteral("/") + QString(300, u'f');
        Button(kBrowseOutput)->click();
        QCOMPARE(Edit(kOutputFolder)->text(), pickerFolder);
        MessageAnswerer seen;
        QVERIFY(!window->UpdateData(true));
        QVERIFY(seen.text.contains(QStringLiteral("250")));
        QCOMPARE(window->focusWidget(), Edit(kOutputFolder));

        // Typing cannot lengthen it, but it can be shortened.
        QTest::keyClick(Edit(kOutputFolder), Qt::Key_End);
        QTest::keyClick(Edit(kOutputFolder), Qt::Key_X);
        QCOMPARE(Edit(kOutputFolder)->text(), pickerFolder);
        QTest::keyClick(Edit(kOutputFolder), Qt::Key_Backspace);
        QCOMPARE(Edit(kOutputFolder)->text().size(), pickerFolder.size() - 1);
    }

    void enterRunsStartAndEscapeCloses() {
        Open();
        // Start with no input file: the engine says so, and the window stays.
        MessageAnswerer seen;
        QTest::keyClick(Edit(kAppendSilence), Qt::Key_Return);
        QCOMPARE(seen.count, 1);
        QCOMPARE(seen.title, QStringLiteral("Error"));
        QVERIFY(window->isVisible());
        QVERIFY(window->isEnabled());

        Edit(kFileNamePrefix)->setText(QStringLiteral("Escaped"));
        QTest::keyClick(Edit(kFileNamePrefix), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(Options()->value("BeginWith").toString(), QStringLiteral("Escaped"));
    }

    void escapeWithAFailingFieldStillSavesWhatIsHeld() {
        Open();
        Edit(kMinTrackLength)->setText(QStringLiteral("0"));
        Edit(kAppendSilence)->setText(QStringLiteral("100"));
        MessageAnswerer seen;
        QTest::keyClick(Edit(kInputPath), Qt::Key_Escape);
        QCOMPARE(seen.count, 1);
        QVERIFY(!window->isVisible());
        QCOMPARE(Options()->value("MinTrackLength").toInt(), 0);
        QCOMPARE(Options()->value("AppendSilence").toInt(), 0); // after the failure: not read
    }

    void startSplitsTheRecordingOnlyWhenConfirmed() {
        testing_support::TempDir folder;
        const std::string input = folder.file("two tracks.wav");
        WriteTwoTracks(input);
        const std::filesystem::path output = folder.path() / "out";
        std::filesystem::create_directory(output);
        const QString startDirectory = QDir::currentPath();

        Open();
        Edit(kInputPath)->setText(QString::fromStdString(input));
        Edit(kOutputFolder)->setText(QString::fromStdString(output.string()));
        Edit(kMinTrackLength)->setText(QStringLiteral("1"));

        {
            MessageAnswerer declined(QMessageBox::Cancel);
            Button(kStart)->click();
            QCOMPARE(declined.count, 1);
            QCOMPARE(declined.title, QStringLiteral("Ready to split WAV file"));
        }
        QCOMPARE(WavCount(output), 0);
        QVERIFY(window->isEnabled());

        MessageAnswerer confirmed(QMessageBox::Ok);
        QTest::keyClick(Edit(kInputPath), Qt::Key_Return);
        QCOMPARE(confirmed.count, 1);
        QCOMPARE(WavCount(output), 2);
        std::int64_t frames = 0;
        for (const char* name : {"Track1.wav", "Track2.wav"}) {
            const auto view = testing_support::ReadWithSndfile((output / name).string());
            QVERIFY2(view.opened, name);
            QCOMPARE(view.sampleRate, 8000);
            frames += view.frames;
        }
        QCOMPARE(frames, std::int64_t{8 * 8000});
        QVERIFY(window->isEnabled());
        QVERIFY(window->isVisible());
        QCOMPARE(Edit(kInputPath)->text(), QString::fromStdString(input));
        QDir::setCurrent(startDirectory);
    }

    // The numbering and tag fields reach the files: names continue from the
    // first number (padded to the largest), and every file carries the tags.
    void numberAndTagFieldsNameAndTagTheFiles() {
        testing_support::TempDir folder;
        const std::string input = folder.file("side b.wav");
        WriteTwoTracks(input);
        const std::filesystem::path output = folder.path() / "out";
        std::filesystem::create_directory(output);
        const QString startDirectory = QDir::currentPath();
        const auto restore = qScopeGuard([&startDirectory] { QDir::setCurrent(startDirectory); });

        Open();
        QCOMPARE(Edit(kFirstNumber)->text(), QStringLiteral("1"));
        Edit(kInputPath)->setText(QString::fromStdString(input));
        Edit(kOutputFolder)->setText(QString::fromStdString(output.string()));
        Edit(kMinTrackLength)->setText(QStringLiteral("1"));
        QTest::keyClicks(Edit(kFirstNumber), QStringLiteral("x0")); // digits only: "10"
        const std::pair<int, QString> tags[] = {{kArtist, QStringLiteral("Ana Mar\u00eda")},
                                                {kAlbum, QStringLiteral("Live, side B")},
                                                {kDate, QStringLiteral("1979-06-02")},
                                                {kGenre, QStringLiteral("Folk")},
                                                {kComment, QStringLiteral("From tape")}};
        for (const auto& [id, text] : tags) {
            Edit(id)->setText(text);
        }
        MessageAnswerer confirmed(QMessageBox::Ok);
        Button(kStart)->click();
        QCOMPARE(confirmed.count, 1);
        for (const auto& [name, number] : {std::pair{"Track10.wav", "10"}, {"Track11.wav", "11"}}) {
            const auto read = testing_support::ReadTagsWithSndfile((output / name).string());
            QVERIFY2(read.opened, name);
            QCOMPARE(read.trackNumber, std::string(number));
            const std::string expected[] = {"Ana Mar\xC3\xAD"
                                            "a",
                                            "Live, side B", "1979-06-02", "Folk", "From tape"};
            const std::string found[] = {read.artist, read.album, read.date, read.genre,
                                         read.comment};
            for (std::size_t i = 0; i < std::size(expected); ++i) {
                QCOMPARE(found[i], expected[i]);
            }
        }
        QCOMPARE(window->HeldOptions().naming.firstNumber, 10u);
    }

    // Written by hand or by another tool: a comma makes no list, and Close
    // leaves what the user did not change exactly as it was written.
    void storedValuesAreReadAsWrittenAndKeptUnlessChanged() {
        const QString file = Options()->fileName();
        QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        const QStringList written = {QStringLiteral("BeginWith=Side A, B"),
                                     QStringLiteral("Threshold=0,35 %"),
                                     QStringLiteral("MinTrackLength=soon")};
        {
            QFile settings(file);
            QVERIFY(settings.open(QIODevice::WriteOnly | QIODevice::Text));
            settings.write(("[Options]\n" + written.join(u'\n') + "\n").toUtf8());
        }
        Open();
        QCOMPARE(Edit(kFileNamePrefix)->text(), QStringLiteral("Side A, B"));
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0,35 %"));
        QCOMPARE(Edit(kMinTrackLength)->text(), QStringLiteral("30")); // no number: the default
        QTest::keyClick(Edit(kInputPath), Qt::Key_Escape);

        for (const QString& line : written) {
            const QString entry = line.section(u'=', 0, 0);
            QCOMPARE(GetProfileString(QStringLiteral("Options"), entry), line.section(u'=', 1));
        }
        QCOMPARE(Options()->value("SilenceLength").toInt(), 500); // missing: written

        Open();
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0,35 %"));
        Edit(kFileNamePrefix)->setText(QStringLiteral("Side C"));
        Edit(kMinTrackLength)->setText(QStringLiteral("40"));
        window->close();
        QCOMPARE(Options()->value("BeginWith").toString(), QStringLiteral("Side C"));
        QCOMPARE(Options()->value("MinTrackLength").toInt(), 40);
        QCOMPARE(Options()->value("Threshold").toString(), QStringLiteral("0,35 %"));
    }

    // Relative entries are taken from the folder the program started in, on every
    // run, although a run makes the output folder the working directory.
    void relativePathsNameTheSameFilesOnEveryRun() {
        testing_support::TempDir folder;
        std::filesystem::create_directory(folder.path() / "rec");
        std::filesystem::create_directory(folder.path() / "out");
        WriteTwoTracks((folder.path() / "rec" / "two tracks.wav").string());
        const QString startDirectory = QDir::currentPath();
        const auto restore = qScopeGuard([&startDirectory] { QDir::setCurrent(startDirectory); });
        QVERIFY(QDir::setCurrent(QString::fromStdString(folder.path().string())));
        const QDir started(QDir::currentPath());

        Open();
        Edit(kInputPath)->setText(QStringLiteral("rec/two tracks.wav"));
        Edit(kOutputFolder)->setText(QStringLiteral("out"));
        Edit(kMinTrackLength)->setText(QStringLiteral("1"));
        for (const QString& prefix : {QStringLiteral("First"), QStringLiteral("Second")}) {
            Edit(kFileNamePrefix)->setText(prefix);
            MessageAnswerer confirmed(QMessageBox::Ok);
            Button(kStart)->click();
            QCOMPARE(confirmed.title, QStringLiteral("Ready to split WAV file"));
        }
        QCOMPARE(WavCount(folder.path() / "out"), 4);
        QCOMPARE(Edit(kInputPath)->text(),
                 QDir::toNativeSeparators(started.filePath(QStringLiteral("rec/two tracks.wav"))));
        QCOMPARE(Edit(kOutputFolder)->text(),
                 QDir::toNativeSeparators(started.filePath(QStringLiteral("out"))));

        // A file that is not there is reported as missing, not as unreadable.
        Edit(kInputPath)->setText(QStringLiteral("rec/gone.wav"));
        MessageAnswerer seen;
        Button(kStart)->click();
        QCOMPARE(seen.text,
                 QStringLiteral("Failed to open ") +
                     QDir::toNativeSeparators(started.filePath(QStringLiteral("rec/gone.wav"))) +
                     QStringLiteral(" for reading,\nthe file does not exist."));
    }

    // A browse button clicked right after leaving a field with a wrong entry: the
    // field's commit comes first, and when it fails no picker opens.
    void browsingAfterLeavingAWrongFieldCommitsFirst() {
        Open();
        pickerResult = FolderChoice::Chosen;
        pickerFolder = QStringLiteral("/chosen");
        Edit(kMinTrackLength)->setFocus(Qt::TabFocusReason);
        Edit(kMinTrackLength)->setText(QStringLiteral("0"));
        MessageAnswerer seen;
        QTest::mouseClick(Button(kBrowseOutput), Qt::LeftButton);
        QCOMPARE(seen.count, 1);
        QVERIFY(seen.text.contains(QStringLiteral("between 1 and 3600")));
        QCOMPARE(pickerCalls, 0);
        QCOMPARE(Edit(kOutputFolder)->text(), QString());
        QTRY_COMPARE(window->focusWidget(), Edit(kMinTrackLength));

        Edit(kMinTrackLength)->setText(QStringLiteral("5"));
        window->activateWindow(); // the message box has gone; the user is back
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseClick(Button(kBrowseOutput), Qt::LeftButton);
        QCOMPARE(pickerCalls, 1);
        QCOMPARE(Edit(kOutputFolder)->text(), QStringLiteral("/chosen"));
        QCOMPARE(window->HeldOptions().minTrackLengthSec, 5u);
        QTest::qWait(100); // the queued commit of the second leave finds nothing left to do
        QCOMPARE(seen.count, 1);
    }

    // Tab enters the method group at the checked button.
    void tabReachesTheCheckedMethod() {
        Open();
        for (int checked : {kMaximumMethod, kAverageMethod}) {
            Button(checked)->click();
            Edit(kSilenceLength)->setFocus(Qt::TabFocusReason);
            QTest::keyClick(Edit(kSilenceLength), Qt::Key_Tab);
            QCOMPARE(window->focusWidget(), window->Control(checked));
            QTest::keyClick(window->Control(checked), Qt::Key_Tab);
            QCOMPARE(window->focusWidget(), Edit(kMinTrackLength));
        }
    }

    // The About item in the window's context menu opens the About box over it.
    void aboutItemShowsTheAboutBox() {
        Open();
        QAction* about = nullptr;
        for (QAction* action : window->actions()) {
            if (action->text() == QStringLiteral("&About Quernfold...")) {
                about = action;
            }
        }
        QVERIFY(about != nullptr);
        QCOMPARE(window->contextMenuPolicy(), Qt::ActionsContextMenu);
        about->trigger();
        QCOMPARE(aboutOwner, window.get());
    }

    // A decimal-comma locale changes nothing: the window shows, stores and hands
    // on texts with '.'.
    void decimalCommaLocaleKeepsThePoint() {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        const std::string restore = previous != nullptr ? previous : "C";
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
            QSKIP("the de_DE.UTF-8 locale is not installed");
        }
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Open();
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0.20 %"));
        QCOMPARE(Slider()->value(), 12);
        Slider()->setValue(21);
        QCOMPARE(Label(kThresholdLabel)->text(), QStringLiteral("0.35 %"));
        Edit(kSilenceLength)->setText(QStringLiteral("1500"));
        MessageAnswerer none;
        QVERIFY(window->UpdateData(true));
        QCOMPARE(none.count, 0);
        QCOMPARE(window->HeldOptions().silenceLengthMs, 1500u);
        QCOMPARE(ThresholdPositionForText("0.35 %"), 20);
        window->close();
        QCOMPARE(Options()->value("Threshold").toString(), QStringLiteral("0.35 %"));
        QLocale::setDefault(QLocale::c());
        std::setlocale(LC_ALL, restore.c_str());
    }
};

QTEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
