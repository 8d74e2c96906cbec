// The review window where the tracks are decided: a moved threshold gives the
// plan of a fresh analysis, cuts are edited from the keyboard and the mouse and
// undone, the threshold line is dragged, the view zooms, the size is kept, the
// files that would be replaced are marked, typed titles name the files, OK
// writes what the command line writes and hands the options to the main window,
// and Escape and the close box write nothing; the play controls play around the
// selected cut, or say why they cannot. Also renders the window for the README.
#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"
#include "CQuernfoldDlg.h"
#include "CThresholdSlider.h"
#include "CTrackList.h"
#include "CWaveformView.h"
#include "LabelFile.h"
#include "Messages.h"
#include "PlanReview.h"
#include "Profile.h"
#include "RecordingGenerator.h"
#include "SegmentWriter.h"
#include "SndfileOracle.h"
#include "SplitAnalyzer.h"
#include "SplitJob.h"
#include "SplitQuantities.h"
#include "TestFiles.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QtTest>

#include <filesystem>
#include <memory>

using namespace qtui;

namespace {

constexpr int kRate = 8000;

// Three tracks of a loud tone between pauses of quiet noise (peaks near 600, above
// the default threshold's 262): the default finds no split until the threshold
// is moved above the noise.
void WriteNoisyPauses(const std::string& path) {
    std::vector<std::int16_t> samples;
    std::uint32_t seed = 7;
    auto tone = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            samples.push_back(static_cast<std::int16_t>(i % 40 < 20 ? 9000 : -9000));
        }
    };
    auto noise = [&](int frames) {
        for (int i = 0; i < frames; ++i) {
            seed = seed * 1103515245u + 12345u;
            samples.push_back(static_cast<std::int16_t>(static_cast<int>(seed >> 16) % 1200 - 600));
        }
    };
    noise(kRate / 2);
    tone(3 * kRate);
    noise(2 * kRate);
    tone(4 * kRate);
    noise(2 * kRate);
    tone(3 * kRate);
    noise(kRate / 2);
    testing_support::WriteWavWithSndfile(path, kRate, 1, 16, samples);
}

// Confirms with OK, as the command line's --yes does.
class AgreeingHost : public SplitHost {
public:
    std::unique_ptr<ProgressDisplay> CreateProgress(const std::string&, bool) override {
        return std::make_unique<CJobProgressWnd>(nullptr, "Progress", true, store);
    }
    Answer ShowMessage(const std::string&, const std::string&, MessageKind) override {
        return Answer::Ok;
    }

private:
    ProfileStore store;
};

void WriteGenerated(const RecordingSettings& settings, const std::string& path) {
    std::string error;
    RecordingGenerator generator(settings, LayOutRecording(settings, error));
    WaveStream output;
    QCOMPARE(output.OpenForWrite(path.c_str(), settings.sampleRate, settings.bitsPerSample,
                                 settings.channels),
             WAVE_OK);
    std::vector<FrameSlot> frames(1 << 16);
    std::vector<std::uint8_t> scratch(frames.size() * 4);
    while (const std::uint32_t rendered = generator.Render(frames.data(), 1 << 16)) {
        QCOMPARE(output.WriteFrames(frames.data(), rendered, scratch.data()), WAVE_OK);
    }
    QCOMPARE(output.Close(), WAVE_OK);
}

// The generated recording stored as 24-bit samples (each 16-bit value scaled up).
void WriteGenerated24(const RecordingSettings& settings, const std::string& path) {
    std::string error;
    RecordingGenerator generator(settings, LayOutRecording(settings, error));
    std::vector<std::uint8_t> stored;
    std::vector<FrameSlot> frames(1 << 16);
    while (const std::uint32_t rendered = generator.Render(frames.data(), 1 << 16)) {
        for (std::uint32_t i = 0; i < rendered; ++i) {
            for (int channel = 0; channel < settings.channels; ++channel) {
                const std::int32_t value =
                    std::int32_t{channel == 0 ? frames[i].channel1 : frames[i].channel2} * 256;
                for (int byte = 0; byte < 3; ++byte) {
                    stored.push_back(static_cast<std::uint8_t>(value >> (8 * byte)));
                }
            }
        }
    }
    testing_support::WriteStoredWithSndfile(path, static_cast<int>(settings.sampleRate),
                                            settings.channels, testing_support::WideType::Pcm24,
                                            testing_support::WideContainer::Plain, stored);
}

std::vector<std::uint8_t> Bytes(const std::filesystem::path& file) {
    return testing_support::ReadFileBytes(file.string());
}

// The summary as shown: "label value" per row.
QStringList SummaryTexts(CPlanReviewWnd* review) {
    QStringList rows;
    QGridLayout* grid = review->SummaryGrid();
    for (int row = 0; row < grid->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < 2; ++column) {
            if (QLayoutItem* item = grid->itemAtPosition(row, column)) {
                if (column == 0 || item != grid->itemAtPosition(row, 0)) { // a spanning row
                    cells << qobject_cast<QLabel*>(item->widget())->text();
                }
            }
        }
        if (!cells.isEmpty()) { // a grid keeps the rows it once had
            rows << cells.join(QLatin1Char(' '));
        }
    }
    return rows;
}

// Runs action on the next message box over `owner`, from inside the box's own
// event loop (the review window is modal already); gone with the owner.
void OnNextMessageBox(QWidget* owner, std::function<void(QMessageBox*)> action) {
    auto* poll = new QTimer(owner);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            poll->stop();
            poll->deleteLater();
            action(box);
        }
    });
    poll->start();
}

// Types into whatever has the focus, as the keyboard does.
void Type(const QString& text) {
    for (const QChar c : text) {
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
    }
}

} // namespace

class ReviewWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScratchSettings> scratch;
    std::unique_ptr<testing_support::TempDir> folder;
    std::unique_ptr<CQuernfoldDlg> window;
    std::string input;
    std::filesystem::path output;
    QString startDirectory;

    void Open() {
        window = std::make_unique<CQuernfoldDlg>(
            [](QWidget*, QString&) { return FolderChoice::Cancelled; }, [](QWidget*) {});
        CJobProgressWnd::SetMainWindow(window.get());
        window->show();
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kInputPath))
            ->setText(QString::fromStdString(input));
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kOutputFolder))
            ->setText(QString::fromStdString(output.string()));
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kMinTrackLength))
            ->setText(QStringLiteral("1"));
    }

    // Presses Start and runs `review` on the review window once it is open and
    // its levels are measured.
    void StartAndReview(std::function<void(CPlanReviewWnd*)> review) {
        bool reviewed = false;
        OnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CPlanReviewWnd*>(modal);
            QVERIFY(dialog != nullptr);
            // Whichever way the checks end, the window does not stay open.
            const std::unique_ptr<QDialog, void (*)(QDialog*)> closer(dialog, [](QDialog* open) {
                if (open->isVisible()) {
                    open->reject();
                }
            });
            reviewed = true;
            dialog->activateWindow();
            QTRY_VERIFY(dialog->LevelsReady());
            review(dialog);
        });
        qobject_cast<QPushButton*>(window->Control(MainWindowId::kStart))->click();
        QVERIFY(reviewed);
    }

    // The threshold that separates the noisy pauses: three tracks.
    static void ThreeTracks(CPlanReviewWnd* review) {
        review->Slider()->setValue(60);
        // Until the plan arrives the old bands are greyed and the caption says so.
        QVERIFY(review->Analysing());
        QCOMPARE(review->windowTitle(), QStringLiteral("Ready to split WAV file (analysing...)"));
        QVERIFY(!review->OkButton()->isEnabled());
        QTRY_VERIFY(!review->Analysing());
        QCOMPARE(review->windowTitle(), QStringLiteral("Ready to split WAV file"));
        QCOMPARE(review->Model().TrackCount(), 3u);
    }

    std::vector<std::filesystem::path> WavFiles() const {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(output)) {
            if (entry.path().extension() == ".wav") {
                files.push_back(entry.path());
            }
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    QString ShownThreshold() const {
        return qobject_cast<QLabel*>(window->Control(MainWindowId::kThresholdLabel))->text();
    }

    static QString ScreenshotFolder() {
        const QString shots = qEnvironmentVariable("QUERNFOLD_SCREENSHOT_DIR",
                                                   QDir::current().filePath("screenshots"));
        QDir().mkpath(shots);
        return shots;
    }

private slots:
    void init() {
        scratch = std::make_unique<ScratchSettings>();
        folder = std::make_unique<testing_support::TempDir>();
        input = folder->file("noisy pauses.wav");
        WriteNoisyPauses(input);
        output = folder->path() / "out";
        std::filesystem::create_directory(output);
        startDirectory = QDir::currentPath();
    }
    void cleanup() {
        window.reset();
        CJobProgressWnd::SetMainWindow(nullptr);
        QDir::setCurrent(startDirectory);
    }

    void movedThresholdGivesAFreshPlanAndOkWritesItAndKeepsTheOptions() {
        Open();
        SplitOptions chosen = window->HeldOptions();
        chosen.inputPath = input;
        chosen.minTrackLengthSec = 1;
        chosen.thresholdText = ThresholdTextForPosition(60); // "1.00 %"
        chosen.useAverageMethod = true;
        const std::optional<SplitPlan> fresh = AnalyzeRecording(chosen, input, {});
        QVERIFY(fresh && fresh->splitPoints.size() == 2);

        StartAndReview([&](CPlanReviewWnd* review) {
            QCOMPARE(review->windowTitle(), QStringLiteral("Ready to split WAV file"));
            // The default finds nothing: no band, no track, and OK waits.
            QVERIFY(!review->OkButton()->isEnabled());
            QCOMPARE(review->Model().TrackCount(), 0u);
            QCOMPARE(review->Tracks()->rowCount(), 0);

            review->AverageButton()->click();
            ThreeTracks(review);
            QCOMPARE(review->Model().Plan().splitPoints, fresh->splitPoints);
            QVERIFY(review->OkButton()->isEnabled());
            QCOMPARE(review->Tracks()->rowCount(), 3);
            // The summary's rows are the model's, label and value in columns.
            QStringList expected;
            for (const SummaryRow& row : review->Model().Summary()) {
                if (row.label.empty()) {
                    continue;
                }
                expected << QString::fromStdString(row.value.empty() ? row.label
                                                                     : row.label + " " + row.value);
            }
            QCOMPARE(SummaryTexts(review), expected);
            QTest::keyClick(review, Qt::Key_Return);
        });
        QCOMPARE(WavFiles().size(), std::size_t{3});
        QCOMPARE(ShownThreshold(), QStringLiteral("1.00 %"));
        QVERIFY(qobject_cast<QRadioButton*>(window->Control(MainWindowId::kAverageMethod))
                    ->isChecked());

        // The command line's files with the same options are the same bytes.
        const std::filesystem::path cliOutput = folder->path() / "cli";
        std::filesystem::create_directory(cliOutput);
        SplitOptions cli = chosen;
        cli.outputFolder = cliOutput.string();
        AgreeingHost host;
        QCOMPARE(static_cast<int>(RunSplitJob(cli, host)), static_cast<int>(SplitOutcome::Written));
        for (const char* name : {"Track1.wav", "Track2.wav", "Track3.wav"}) {
            QVERIFY2(Bytes(output / name) == Bytes(cliOutput / name), name);
        }

        // Close saves what the review chose.
        QDir::setCurrent(startDirectory);
        qobject_cast<QPushButton*>(window->Control(MainWindowId::kClose))->click();
        QCOMPARE(GetProfileString(QStringLiteral("Options"), QStringLiteral("Threshold")),
                 QStringLiteral("1.00 %"));
        QCOMPARE(GetProfileInt(QStringLiteral("Options"), QStringLiteral("UseAverageMethod"), 0),
                 1);
    }

    // Every edit from the keyboard, undone and redone, and OK writes the files
    // the edited plan lays out.
    void keyEditsAreUndoneAndOkWritesTheEditedPlan() {
        Open();
        std::vector<SegmentSpan> spans;
        StartAndReview([&](CPlanReviewWnd* review) {
            ThreeTracks(review);
            review->SnapBox()->click(); // exact positions: no snapping
            QVERIFY(!review->Model().Snapping());
            QWidget* wave = review->Waveform();
            QVERIFY(wave->hasFocus());
            const std::vector<std::uint32_t> cuts = review->Model().CutFrames();

            QTest::keyClick(wave, Qt::Key_Right);
            QCOMPARE(review->Model().SelectedCut(), std::optional<std::size_t>(0));
            QCOMPARE(review->Tracks()->currentRow(), 1); // the track the cut starts
            QTest::keyClick(wave, Qt::Key_Right, Qt::ShiftModifier);
            QCOMPARE(review->Model().CutFrames()[0], cuts[0] + review->Model().Plan().windowFrames);
            QTest::keyClick(wave, Qt::Key_Delete);
            QCOMPARE(review->Model().TrackCount(), 2u);
            QTest::keyClick(wave, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(review->Model().TrackCount(), 3u);
            QTest::keyClick(wave, Qt::Key_Y, Qt::ControlModifier);
            QCOMPARE(review->Model().TrackCount(), 2u);
            QTest::keyClick(wave, Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(wave, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(review->Model().TrackCount(), 2u);
            // Insert adds at the view's middle (the pointer is elsewhere): in the
            // middle track, far from both cuts.
            QTest::keyClick(wave, Qt::Key_Insert);
            QCOMPARE(review->Model().TrackCount(), 3u);
            QVERIFY(review->StatusLine()->text().isEmpty());
            // Nudged on until the track after it would be too short: refused,
            // with the model's sentence in the status line.
            for (int i = 0; i < 200 && review->StatusLine()->text().isEmpty(); ++i) {
                QTest::keyClick(wave, Qt::Key_Right, Qt::ShiftModifier);
            }
            QVERIFY(!review->StatusLine()->text().isEmpty());
            QVERIFY(review->OkButton()->isEnabled());
            spans = review->Model().Spans();
            review->OkButton()->click();
        });
        // Mono 16-bit: each file holds its span's frames, two bytes each.
        const std::vector<std::filesystem::path> files = WavFiles();
        QCOMPARE(files.size(), spans.size());
        for (std::size_t i = 0; i < files.size(); ++i) {
            WaveStream written;
            QCOMPARE(written.OpenForRead(files[i].string().c_str()), WAVE_OK);
            QCOMPARE(written.FrameCount(), spans[i].endFrame - spans[i].firstFrame);
        }
    }

    // Without a sound device the play controls are disabled and say why, and the
    // play keys change nothing; with one (a null sink) Play across plays the
    // seconds around the selected cut, the play line running through them, and
    // Space plays the same again and stops it.
    void listeningAroundTheSelectedCut() {
        Open();
        StartAndReview([&](CPlanReviewWnd* review) {
            ThreeTracks(review);
            CWaveformView* wave = review->Waveform();
            QTest::keyClick(wave, Qt::Key_Right);
            const std::uint32_t cut = review->Model().CutFrames()[0];
            QPushButton* across = review->PlayButton(ListenAction::AcrossCut);
            QVERIFY(across && review->PlayButton(ListenAction::BeforeCut) &&
                    review->PlayButton(ListenAction::AfterCut));
            if (!review->Listen().CanPlay()) {
                QVERIFY(!qEnvironmentVariableIsSet("QUERNFOLD_EXPECT_SOUND_DEVICE"));
                QVERIFY(!across->isEnabled());
                QCOMPARE(across->toolTip(), QString::fromUtf8(kNoSoundDeviceText));
                for (const Qt::Key key : {Qt::Key_Space, Qt::Key_C, Qt::Key_P}) {
                    QTest::keyClick(wave, key);
                    QVERIFY(!review->Listen().Busy());
                }
                QCOMPARE(review->Model().TrackCount(), 3u);
                QVERIFY(review->isVisible());
                return;
            }
            QVERIFY(across->isEnabled());
            QVERIFY(across->toolTip().isEmpty());
            across->click();
            QTRY_VERIFY(wave->PlayLine().has_value());
            QVERIFY(*wave->PlayLine() + 2 * kRate >= cut && *wave->PlayLine() <= cut + 2 * kRate);
            QTRY_VERIFY_WITH_TIMEOUT(!review->Listen().Busy(), 10000);
            QVERIFY(!wave->PlayLine());
            QTest::keyClick(wave, Qt::Key_Space);
            QVERIFY(review->Listen().Busy());
            QTest::keyClick(wave, Qt::Key_Space);
            QVERIFY(!review->Listen().Busy());
            QVERIFY(!wave->PlayLine());
        });
    }

    // A cut dragged with the mouse, the threshold line dragged in both views,
    // and zoom and scroll from the keys, the wheel and the scroll bar.
    void mouseDragsAndZoom() {
        Open();
        StartAndReview([&](CPlanReviewWnd* review) {
            ThreeTracks(review);
            review->SnapBox()->click();
            CWaveformView* wave = review->Waveform();
            const int y = wave->PlotRect().top() + 20;
            const std::uint32_t cut = review->Model().CutFrames()[1];
            const int x = wave->XOfFrame(cut);
            QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(x, y));
            QTest::mouseMove(wave, QPoint(x + 5, y));
            QTest::mouseMove(wave, QPoint(x + 10, y));
            QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(x + 10, y));
            const std::uint32_t moved = review->Model().CutFrames()[1];
            QVERIFY(moved > cut);
            QVERIFY(moved >= wave->FrameAtX(x + 10) - review->Model().Plan().windowFrames);
            // The whole drag is one step.
            QTest::keyClick(wave, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(review->Model().CutFrames()[1], cut);

            // The threshold line, dB view: dragged higher, the slider follows.
            QVERIFY(!review->LinearButton()->isChecked());
            const int lineX = wave->PlotRect().left() + 3;
            const int before = wave->ThresholdLineY();
            QTest::mousePress(wave, Qt::LeftButton, {}, QPoint(lineX, before));
            QTest::mouseMove(wave, QPoint(lineX, before - 20));
            QTest::mouseRelease(wave, Qt::LeftButton, {}, QPoint(lineX, before - 20));
            const int position = review->Slider()->value();
            QVERIFY(position > 60);
            const QRect plot = wave->PlotRect();
            const double fraction = (plot.center().y() - (before - 20)) / (plot.height() / 2.0);
            QCOMPARE(position, ThresholdPositionForLevel(
                                   LevelAtFraction(fraction, AmplitudeView::Decibels), 16));
            QTRY_VERIFY(!review->Analysing());
            // The linear view puts the line where the level is on that scale.
            QTest::keyClick(wave, Qt::Key_L);
            QVERIFY(review->LinearButton()->isChecked());
            const std::uint32_t level = wave->ThresholdLevelShown();
            const QRect now = wave->PlotRect(); // the summary's rows may have moved it
            QCOMPARE(
                wave->ThresholdLineY(),
                now.center().y() -
                    static_cast<int>(
                        LevelFraction(level, AmplitudeView::Linear) * (now.height() / 2) + 0.5));

            // Zoom: + halves the span around the selected cut, 0 fits.
            const ReviewViewport& view = review->Viewport();
            QTest::keyClick(wave, Qt::Key_Right);
            QTest::keyClick(wave, Qt::Key_Plus);
            QCOMPARE(view.EndFrame() - view.FirstFrame(), 15u * kRate / 2);
            // Ctrl+wheel zooms in around the pointer; the wheel alone and the
            // scroll bar scroll.
            const QPoint at(wave->XOfFrame(view.FirstFrame() + kRate), y);
            QWheelEvent zoom(at, wave->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                             Qt::ControlModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(wave, &zoom);
            QCOMPARE(view.EndFrame() - view.FirstFrame(), 15u * kRate / 4);
            const std::uint32_t first = view.FirstFrame();
            QWheelEvent down(at, wave->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                             Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(wave, &down);
            QVERIFY(view.FirstFrame() > first);
            QTest::keyClick(wave, Qt::Key_Home);
            QCOMPARE(view.FirstFrame(), 0u);
            QCOMPARE(review->ScrollBar()->value(), 0);
            QTest::keyClick(wave, Qt::Key_PageDown);
            QVERIFY(review->ScrollBar()->value() > 0);
            review->ScrollBar()->setValue(0);
            QCOMPARE(view.FirstFrame(), 0u);
            QTest::keyClick(wave, Qt::Key_0);
            QVERIFY(view.Fitted());
        });
    }

    // The window grows with the user's size and reopens at it; the waveform
    // takes the room.
    void theSizeIsKept() {
        Open();
        int waveWidth = 0;
        StartAndReview([&](CPlanReviewWnd* review) {
            QCOMPARE(review->size(),
                     QSize(CPlanReviewWnd::kDefaultWidth, CPlanReviewWnd::kDefaultHeight));
            waveWidth = review->Waveform()->width();
            review->resize(1200, 800);
            QTRY_VERIFY(review->Waveform()->width() > waveWidth + 200);
            QTest::keyClick(review, Qt::Key_Escape);
        });
        StartAndReview([&](CPlanReviewWnd* review) {
            QCOMPARE(review->size(), QSize(1200, 800));
            review->close();
        });
        QVERIFY(WavFiles().empty());
    }

    void escapeAndTheCloseBoxWriteNothingAndKeepTheOptions_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Escape") << false;
        QTest::newRow("close box") << true;
    }
    void escapeAndTheCloseBoxWriteNothingAndKeepTheOptions() {
        QFETCH(bool, closeBox);
        Open();
        StartAndReview([&](CPlanReviewWnd* review) {
            ThreeTracks(review);
            QVERIFY(review->OkButton()->isEnabled());
            if (closeBox) {
                review->close();
            } else {
                QTest::keyClick(review, Qt::Key_Escape);
            }
        });
        QVERIFY(WavFiles().empty());
        QCOMPARE(ShownThreshold(), QStringLiteral("0.20 %"));
        QVERIFY(qobject_cast<QRadioButton*>(window->Control(MainWindowId::kMaximumMethod))
                    ->isChecked());
        QCOMPARE(window->HeldOptions().thresholdText, std::string("0.20 %"));
        QVERIFY(window->isEnabled());
    }

    // A file already in the folder marks its band and row and is counted in the
    // summary; titles typed with Tab between them name the files and reach the
    // engine; "This side has N tracks" splits at the best pauses.
    void replacedFilesTitlesAndTracksByCount() {
        std::filesystem::copy_file(input, output / "Track2.wav");
        Open();
        SplitHost::ChosenPlan chosen;
        StartAndReview([&](CPlanReviewWnd* review) {
            review->TrackCountBox()->setValue(3);
            review->SplitButton()->click();
            QCOMPARE(review->Model().TrackCount(), 3u);
            QVERIFY(review->Model().Replaces(2));
            QVERIFY(!review->Model().Replaces(1));
            CTrackList* tracks = review->Tracks();
            QVERIFY(tracks->item(1, CTrackList::kFileName)->text().contains("replaces"));
            QVERIFY(!tracks->item(0, CTrackList::kFileName)->text().contains("replaces"));
            QCOMPARE(review->Model().ReplacedCount(), 1u);

            tracks->setFocus();
            QTRY_VERIFY(tracks->hasFocus());
            QCOMPARE(tracks->currentColumn(), int{CTrackList::kTitle}); // the keys name at once
            Type(QStringLiteral("First"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            Type(QStringLiteral("Second take")); // the play keys and Space are the waveform's alone
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            // Return ends the typing; it does not press OK on the way.
            QVERIFY(review->isVisible());
            QCOMPARE(review->Model().Title(1), std::string("First"));
            QTRY_COMPARE(review->Model().Title(2), std::string("Second take"));
            // The file names follow the titles.
            QCOMPARE(tracks->item(0, CTrackList::kFileName)->text(),
                     QString::fromStdString(review->Model().FileName(1)));
            QVERIFY(tracks->item(0, CTrackList::kFileName)->text().contains("First"));
            chosen = review->Chosen();
            review->OkButton()->click();
        });
        QCOMPARE(chosen.titles.size(), std::size_t{3});
        QCOMPARE(chosen.titles[0], std::string("First"));
        bool named = false;
        for (const std::filesystem::path& file : WavFiles()) {
            named = named || file.filename().string().find("Second") != std::string::npos;
        }
        QVERIFY(named);
    }

    // Save labels... (Alt+V) offers the output folder and saves the shown cuts
    // where the user chose; the recording's name and a planned track's are
    // refused with the reason in a warning box, and nothing is written there.
    void savesTheLabelsWhereChosenAndNeverOverTheRecordingOrATrack() {
        Open();
        const std::vector<std::uint8_t> recording = Bytes(input);
        const std::filesystem::path labels = folder->path() / "side a.txt";
        StartAndReview([&](CPlanReviewWnd* review) {
            QVERIFY(!review->SaveLabelsButton()->isEnabled()); // nothing found: no cut
            ThreeTracks(review);
            QVERIFY(review->SaveLabelsButton()->isEnabled());
            QString offered;
            QString answer = QString::fromStdString(labels.string());
            review->SetLabelFileChooser([&](QWidget*, const QString& suggested) {
                offered = suggested;
                return answer;
            });
            QTest::keyClick(review, Qt::Key_V, Qt::AltModifier);
            QTRY_VERIFY(!offered.isEmpty()); // a mnemonic clicks the button a moment later
            const std::filesystem::path suggested(offered.toStdString());
            QCOMPARE(suggested.filename().string(), std::string("Tracklabels.txt"));
            QVERIFY(std::filesystem::equivalent(suggested.parent_path(), output));
            const std::string text = review->Model().LabelText();
            QCOMPARE(Bytes(labels), std::vector<std::uint8_t>(text.begin(), text.end()));
            QCOMPARE(review->StatusLine()->text(),
                     QString::fromStdString(
                         FormatText(messages::kLabelsSaved, labels.string().c_str())));

            const std::pair<std::string, LabelFileResult> refusals[] = {
                {input, LabelFileResult::IsRecording},
                {(output / "Track2.wav").string(), LabelFileResult::IsTrack}};
            for (const auto& [path, why] : refusals) {
                answer = QString::fromStdString(path);
                QString shown;
                OnNextMessageBox(review, [&](QMessageBox* box) {
                    shown = box->icon() == QMessageBox::Warning ? box->text() : QString();
                    box->accept();
                });
                review->SaveLabelsButton()->click();
                QCOMPARE(shown,
                         QString::fromStdString(SideFileFailureText("label file", path, why, "")));
            }
            review->reject();
        });
        QCOMPARE(Bytes(input), recording);
        QVERIFY(WavFiles().empty());
    }

    // The README's pictures: a 24-bit recording in the dB view, the plan after
    // edits, and a cut zoomed in on.
    void rendersTheReadmePictures() {
        const QDir shots(ScreenshotFolder());
        RecordingSettings demo; // what make-recording writes by default
        input = folder->file("hires.wav");
        WriteGenerated24(demo, input);
        Open();
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kMinTrackLength))
            ->setText(QStringLiteral("30"));
        StartAndReview([&](CPlanReviewWnd* review) {
            QTRY_VERIFY(!review->Analysing());
            QCOMPARE(review->Model().TrackCount(), demo.trackCount);
            QVERIFY(WithCaption(review).save(shots.filePath("review-window.png")));

            // One cut deleted, another moved: the edited plan, with titles.
            QWidget* wave = review->Waveform();
            QTest::keyClick(wave, Qt::Key_Right);
            QTest::keyClick(wave, Qt::Key_Delete);
            QTest::keyClick(wave, Qt::Key_Right);
            for (int i = 0; i < 6; ++i) {
                QTest::keyClick(wave, Qt::Key_Right, Qt::ShiftModifier);
            }
            review->Tracks()->setFocus();
            QTRY_VERIFY(review->Tracks()->hasFocus());
            review->Tracks()->setCurrentCell(0, CTrackList::kTitle);
            Type(QStringLiteral("Overture"));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QTRY_COMPARE(review->Model().Title(1), std::string("Overture"));
            // The third track's row selects the cut it starts at.
            review->Tracks()->setCurrentCell(2, CTrackList::kTitle);
            QCOMPARE(review->Model().SelectedCut(), std::optional<std::size_t>(1));
            wave->setFocus();
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-edited.png")));

            // Zoomed in on the selected cut until the view is a few seconds wide.
            while (review->Viewport().EndFrame() - review->Viewport().FirstFrame() >
                   4 * demo.sampleRate) {
                QTest::keyClick(wave, Qt::Key_Plus);
            }
            // Closer than the level table's blocks: the frames in view are read.
            QTRY_VERIFY(review->ShowsStrip());
            const std::uint32_t cut = review->Model().CutFrames()[1];
            QVERIFY(review->Viewport().FirstFrame() < cut && cut < review->Viewport().EndFrame());
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-zoomed.png")));
            review->reject();
        });

        // Tape hiss above the default threshold: nothing found until the
        // threshold is moved above the hiss.
        RecordingSettings hissy;
        hissy.hissLevel = 0.02;
        input = folder->file("hiss.wav");
        WriteGenerated(hissy, input);
        Open();
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kMinTrackLength))
            ->setText(QStringLiteral("30"));
        StartAndReview([&](CPlanReviewWnd* review) {
            QVERIFY(!review->OkButton()->isEnabled());
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-nothing-found.png")));
            review->Slider()->setValue(60);
            QTRY_VERIFY(!review->Analysing());
            QVERIFY(review->OkButton()->isEnabled());
            QCOMPARE(review->Model().TrackCount(), hissy.trackCount);
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-moved.png")));
            review->reject();
        });
        QVERIFY(WavFiles().empty());
    }
};

QTEST_MAIN(ReviewWindowTest)
#include "ReviewWindowTest.moc"
