// The main window's Suggest button on the offscreen platform: it moves the
// trackbar to the suggestion, explains a refusal, and leaves everything as it
// was when the reading is cancelled.
#include "CJobProgressWnd.h"
#include "CQuernfoldDlg.h"
#include "CThresholdSlider.h"
#include "DialogTemplate.h"
#include "Messages.h"
#include "SndfileOracle.h"
#include "TestFiles.h"
#include "ThresholdScale.h"
#include "UiTestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <cctype>
#include <set>

using namespace qtui;

using namespace MainWindowId;

namespace {

// Tone, digital silence, tone, at 8000 frames a second: `seconds` in all.
std::string WriteRecording(const testing_support::TempDir& folder, int seconds) {
    std::vector<std::int16_t> samples;
    const int third = seconds * 8000 / 3;
    for (int i = 0; i < 3 * third; ++i) {
        const bool pause = i >= third && i < 2 * third;
        samples.push_back(pause ? 0 : static_cast<std::int16_t>(i % 40 < 20 ? 9000 : -9000));
    }
    const std::string path = folder.file("in.wav");
    testing_support::WriteWavWithSndfile(path, 8000, 1, 16, samples);
    return path;
}

// Closes every message box that appears while it lives, remembering their texts.
class MessageCloser {
public:
    MessageCloser() {
        poll.setInterval(10);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                texts.push_back(box->text());
                box->close();
            }
        });
        poll.start();
    }
    QStringList texts;

private:
    QTimer poll;
};

} // namespace

class SuggestButtonTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<ScratchSettings> scratch;
    std::unique_ptr<CQuernfoldDlg> window;
    testing_support::TempDir folder;

    void Open(const std::string& input) {
        window = std::make_unique<CQuernfoldDlg>(
            [](QWidget*, QString&) { return FolderChoice::Cancelled; }, [](QWidget*) {});
        CJobProgressWnd::SetMainWindow(window.get());
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        qobject_cast<QLineEdit*>(window->Control(kInputPath))
            ->setText(QString::fromStdString(input));
    }
    CThresholdSlider* Slider() const {
        return qobject_cast<CThresholdSlider*>(window->Control(kThreshold));
    }
    QString LabelText() const {
        return qobject_cast<QLabel*>(window->Control(kThresholdLabel))->text();
    }

private slots:
    void init() { scratch = std::make_unique<ScratchSettings>(); }

    void cleanup() {
        CJobProgressWnd::SetMainWindow(nullptr);
        window.reset();
        scratch.reset();
    }

    void accessKeysStayUnique() {
        std::set<char> keys;
        for (std::size_t i = 0; i < kMainWindowTemplate.controlCount; ++i) {
            const std::string text = kMainWindowTemplate.controls[i].text;
            const std::size_t at = text.find('&');
            if (at != std::string::npos && at + 1 < text.size()) {
                const char key = static_cast<char>(std::tolower(text[at + 1]));
                QVERIFY2(keys.insert(key).second, text.c_str());
            }
        }
    }

    void movesTheTrackbarToTheSuggestion() {
        Open(WriteRecording(folder, 12));
        QCOMPARE(Slider()->value(), 12);
        MessageCloser messages;
        auto* suggest = qobject_cast<QPushButton*>(window->Control(kSuggestThreshold));
        QCOMPARE(suggest->shortcut(), QKeySequence(Qt::ALT | Qt::Key_U));
        suggest->click();
        QCOMPARE(messages.texts, QStringList()); // no advice for this recording
        QVERIFY(Slider()->value() != 12);
        QCOMPARE(LabelText(), QString::fromStdString(ThresholdTextForPosition(Slider()->value())));
        QVERIFY(window->isEnabled());
        QCOMPARE(window->HeldOptions().thresholdText, LabelText().toStdString());
        auto* line = qobject_cast<QLabel*>(window->Control(kSuggestionLine));
        QCOMPARE(line->text(), QStringLiteral("Suggested: ") + LabelText());
        // The longest line, a suggestion that switched the method, fits the window.
        const QString longest = QString::fromStdString(FormatText(
            messages::kSuggestedWithMethod, "4.98 %", "average", messages::kReasonClicks));
        QVERIFY2(line->fontMetrics().horizontalAdvance(longest) <= line->contentsRect().width(),
                 qPrintable(longest));
        Slider()->setValue(Slider()->value() + 1);
        QCOMPARE(line->text(), QString());
    }

    void explainsARecordingTooShortAndKeepsTheThreshold() {
        Open(WriteRecording(folder, 6));
        MessageCloser messages;
        qobject_cast<QPushButton*>(window->Control(kSuggestThreshold))->click();
        QCOMPARE(messages.texts.size(), 1);
        QVERIFY2(messages.texts[0].contains(QStringLiteral("too short")),
                 qPrintable(messages.texts[0]));
        QCOMPARE(Slider()->value(), 12);
        QCOMPARE(LabelText(), QStringLiteral("0.20 %"));
    }

    void cancelLeavesTheThresholdAlone() {
        Open(WriteRecording(folder, 12));
        // Runs at the reading's first pump of messages.
        QTimer::singleShot(0, [] {
            for (QWidget* widget : QApplication::allWidgets()) {
                auto* button = qobject_cast<QPushButton*>(widget);
                if (button != nullptr && button->isVisible() &&
                    button->text() == QStringLiteral(" Cancel ")) {
                    button->click();
                }
            }
        });
        MessageCloser messages;
        qobject_cast<QPushButton*>(window->Control(kSuggestThreshold))->click();
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(Slider()->value(), 12);
        QCOMPARE(LabelText(), QStringLiteral("0.20 %"));
        QVERIFY(window->isEnabled());
    }
};

QTEST_MAIN(SuggestButtonTest)
#include "SuggestButtonTest.moc"
