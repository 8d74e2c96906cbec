// The review window that confirms the plan: its bands are the planned files, its
// threshold line sits at the analysis's level, a moved threshold gives the plan of
// a fresh analysis, OK writes what the command line writes and hands the options
// to the main window, and Escape and the close box write nothing. Also renders
// the window for the README.
#include "CJobProgressWnd.h"
#include "CPlanReviewWnd.h"
#include "CQuernfoldDlg.h"
#include "CThresholdSlider.h"
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

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
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

std::vector<std::uint8_t> Bytes(const std::filesystem::path& file) {
    return testing_support::ReadFileBytes(file.string());
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

    // Presses Start and runs `review` on the review window once it is open.
    void StartAndReview(std::function<void(CPlanReviewWnd*)> review) {
        bool reviewed = false;
        OnNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<CPlanReviewWnd*>(modal);
            QVERIFY(dialog != nullptr);
            reviewed = true;
            review(dialog);
            if (dialog->isVisible()) {
                dialog->reject(); // a check failed: do not leave the window open
            }
        });
        qobject_cast<QPushButton*>(window->Control(MainWindowId::kStart))->click();
        QVERIFY(reviewed);
    }

    int WavCount() const {
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(output)) {
            count += entry.path().extension() == ".wav" ? 1 : 0;
        }
        return count;
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
        const std::uint32_t frameCount = 15 * kRate;

        StartAndReview([&](CPlanReviewWnd* review) {
            QCOMPARE(review->windowTitle(), QStringLiteral("Ready to split WAV file"));
            // The default finds nothing: the sentence stands in for the report.
            QCOMPARE(review->ReportLabel()->text(), QString::fromUtf8(messages::kNoSplitPoints));
            QVERIFY(!review->OkButton()->isEnabled());
            QCOMPARE(review->Overview()->Picture().bands.size(), std::size_t{1});

            review->Slider()->setValue(60);
            review->AverageButton()->click();
            QTRY_VERIFY(!review->Analysing());
            QTRY_VERIFY(review->OverviewReady());
            QCOMPARE(
                review->ReportLabel()->text(),
                QString::fromStdString(SplitAnalyzer::FormatReport(*fresh, frameCount, kRate)));
            QCOMPARE(review->ShownPlan().splitPoints, fresh->splitPoints);
            QVERIFY(review->OkButton()->isEnabled());

            // The bands are the files the writer cuts, on the plot's pixels.
            const CWaveformView* view = review->Overview();
            const std::vector<SegmentSpan> spans = LayOutSegments(*fresh, frameCount);
            const PlanPicture& picture = view->Picture();
            QCOMPARE(picture.bands.size(), spans.size());
            for (std::size_t i = 0; i < spans.size(); ++i) {
                QCOMPARE(picture.bands[i].number, static_cast<std::uint32_t>(i + 1));
                QCOMPARE(view->XOfColumn(picture.bands[i].left),
                         view->PlotRect().left() +
                             static_cast<int>(spans[i].firstFrame *
                                              std::uint64_t{CPlanReviewWnd::kOverviewColumns} /
                                              frameCount));
                QCOMPARE(
                    view->FrameAtX(view->XOfColumn(picture.bands[i].left)),
                    static_cast<std::uint32_t>(view->Scale().ColumnStart(picture.bands[i].left)));
            }
            // The threshold line: T = 1310 of 32768 above the centre line.
            const QRect plot = view->PlotRect();
            QCOMPARE(view->ThresholdLineY(),
                     plot.center().y() - (1310 * (plot.height() / 2) + 16384) / 32768);

            QVERIFY(WithCaption(review).save(
                QDir(ScreenshotFolder()).filePath("review-window-moved.png")));
            QTest::keyClick(review, Qt::Key_Return);
        });
        QCOMPARE(WavCount(), 3);
        QCOMPARE(ShownThreshold(), QStringLiteral("1.00 %"));
        QVERIFY(qobject_cast<QRadioButton*>(window->Control(MainWindowId::kAverageMethod))
                    ->isChecked());

        // The command line's files with the same options are the same bytes.
        const std::filesystem::path cliOutput = folder->path() / "cli";
        std::filesystem::create_directory(cliOutput);
        SplitOptions cli = chosen;
        cli.inputPath = input;
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

    void escapeAndTheCloseBoxWriteNothingAndKeepTheOptions_data() {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("Escape") << false;
        QTest::newRow("close box") << true;
    }
    void escapeAndTheCloseBoxWriteNothingAndKeepTheOptions() {
        QFETCH(bool, closeBox);
        Open();
        StartAndReview([&](CPlanReviewWnd* review) {
            review->Slider()->setValue(60);
            QTRY_VERIFY(!review->Analysing());
            QVERIFY(review->OkButton()->isEnabled());
            if (closeBox) {
                review->close();
            } else {
                QTest::keyClick(review, Qt::Key_Escape);
            }
        });
        QCOMPARE(WavCount(), 0);
        QCOMPARE(ShownThreshold(), QStringLiteral("0.20 %"));
        QVERIFY(qobject_cast<QRadioButton*>(window->Control(MainWindowId::kMaximumMethod))
                    ->isChecked());
        QCOMPARE(window->HeldOptions().thresholdText, std::string("0.20 %"));
        QVERIFY(window->isEnabled());
    }

    // The README's pictures: the demo recording as the default options split it,
    // and one with tape hiss above the default threshold, before and after the
    // threshold is moved above the hiss.
    void rendersTheReadmePictures() {
        const QDir shots(ScreenshotFolder());
        RecordingSettings demo; // what make-recording writes by default
        input = folder->file("demo.wav");
        WriteGenerated(demo, input);
        Open();
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kMinTrackLength))
            ->setText(QStringLiteral("30"));
        StartAndReview([&](CPlanReviewWnd* review) {
            QTRY_VERIFY(review->OverviewReady());
            QVERIFY(review->OkButton()->isEnabled());
            QVERIFY(WithCaption(review).save(shots.filePath("review-window.png")));
            review->reject();
        });

        RecordingSettings hissy;
        hissy.hissLevel = 0.02;
        input = folder->file("hiss.wav");
        WriteGenerated(hissy, input);
        Open();
        qobject_cast<QLineEdit*>(window->Control(MainWindowId::kMinTrackLength))
            ->setText(QStringLiteral("30"));
        StartAndReview([&](CPlanReviewWnd* review) {
            QTRY_VERIFY(review->OverviewReady());
            QVERIFY(!review->OkButton()->isEnabled());
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-nothing-found.png")));
            review->Slider()->setValue(60);
            QTRY_VERIFY(!review->Analysing());
            QVERIFY(review->OkButton()->isEnabled());
            QCOMPARE(review->ShownPlan().segmentCount, hissy.trackCount);
            QVERIFY(WithCaption(review).save(shots.filePath("review-window-moved.png")));
            review->reject();
        });
        QCOMPARE(WavCount(), 0);
    }
};

QTEST_MAIN(ReviewWindowTest)
#include "ReviewWindowTest.moc"
