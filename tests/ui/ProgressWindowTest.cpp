// The progress window as the engine drives it: caption percentages, visibility,
// cancelling, the modal state, the remembered position and the quit request.
#include "CJobProgressWnd.h"
#include "Profile.h"
#include "UiTestSupport.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest>

#include <memory>
#include <string>

using namespace qtui;

namespace {

void PostKey(QWidget* to, int key) {
    QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
}

void PostButtonUp(QWidget* to, QPoint global) {
    const QPointF local = to->mapFromGlobal(global);
    QCoreApplication::postEvent(to, new QMouseEvent(QEvent::MouseButtonRelease, local, global,
                                                    Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

QPoint CenterOf(QWidget* widget) {
    return widget->mapToGlobal(widget->rect().center());
}

// Counts quit requests that reach the application.
class QuitCounter : public QObject {
public:
    int count = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::Quit) {
            ++count;
        }
        return false;
    }
};

} // namespace

class ProgressWindowTest : public QObject {
    Q_OBJECT
private:
    std::unique_ptr<ScratchSettings> settings;
    ProfileStore store;
    std::unique_ptr<QWidget> mainWindow;

private slots:
    void init() {
        settings = std::make_unique<ScratchSettings>();
        mainWindow = std::make_unique<QWidget>();
        mainWindow->setGeometry(200, 150, 400, 300);
        mainWindow->show();
        CJobProgressWnd::SetMainWindow(mainWindow.get());
    }
    void cleanup() {
        CJobProgressWnd::SetMainWindow(nullptr);
        mainWindow.reset();
        settings.reset();
    }

    void captionShowsTruncatedPercentageOnlyOnceItMoves() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        QVERIFY(progress.Window()->isVisible());
        QCOMPARE(progress.Window()->windowTitle(), QString("Progress"));
        progress.SetRange(0, 3, 1);
        progress.SetPos(0);
        QCOMPARE(progress.Window()->windowTitle(), QString("Progress"));
        const char* expected[] = {"Progress [33%]", "Progress [66%]", "Progress [100%]"};
        for (int pos = 1; pos <= 3; ++pos) {
            progress.SetPos(pos);
            QCOMPARE(progress.Window()->windowTitle(), QString(expected[pos - 1]));
        }
        progress.SetPos(6); // beyond the upper bound
        QCOMPARE(progress.Window()->windowTitle(), QString("Progress [200%]"));
        QCOMPARE(progress.ProgressBar()->value(), progress.ProgressBar()->maximum());

        progress.SetRange(5, 5, 1); // upper <= lower: 0 %
        progress.SetPos(7);
        QCOMPARE(progress.Window()->windowTitle(), QString("Progress [0%]"));
        progress.SetRange(9, 2, 1);
        progress.SetPos(3);
        QCOMPARE(progress.Window()->windowTitle(), QString("Progress [0%]"));
    }

    void rangesBeyondIntAreScaledOntoTheBar() {
        CJobProgressWnd progress(nullptr, "Writing", true, store);
        const std::int64_t upper = 6'000'000'000;
        QCOMPARE(progress.SetRange(0, upper, 1), std::int64_t{1});
        QCOMPARE(progress.SetPos(upper / 2), std::int64_t{0});
        QCOMPARE(progress.Window()->windowTitle(), QString("Writing [50%]"));
        const QProgressBar* bar = progress.ProgressBar();
        QVERIFY(bar->maximum() > 0);
        QVERIFY(qAbs(bar->value() * 2 - bar->maximum()) <= 2);
        QCOMPARE(progress.SetPos(upper), upper / 2); // the previous position
    }

    void setPosShowsAHiddenWindowButTextAndRangeDoNot() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        progress.Hide();
        QVERIFY(!progress.Window()->isVisible());
        progress.SetStatus("Analysing side A");
        progress.SetRange(0, 10, 1);
        QVERIFY(!progress.Window()->isVisible());
        QCOMPARE(progress.StatusText()->text(), QString("Analysing side A"));
        progress.SetPos(4);
        QVERIFY(progress.Window()->isVisible());
    }

    void longStatusTextIsCutNotWrappedAndTheWindowKeepsItsSize() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        const QSize windowSize = progress.Window()->size();
        const QRect textArea = progress.StatusText()->geometry();
        QCOMPARE(textArea.width(), 390);
        QCOMPARE(windowSize.width(), 410);

        const std::string huge(4000, 'W'); // far beyond the 512-byte buffer
        progress.SetStatus(huge + "|" + huge);
        QCOMPARE(progress.StatusText()->text().size(), 511);
        QVERIFY(!progress.StatusText()->wordWrap());
        QCOMPARE(progress.StatusText()->geometry(), textArea);
        QCOMPARE(progress.Window()->size(), windowSize);
    }

    void escapeCancelsOnlyWhilePumpingWithTheFlag() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        progress.BeginModal("Progress", false);
        PostKey(progress.Window(), Qt::Key_Escape);
        progress.PumpMessages(false);
        QVERIFY(!progress.IsCancelled());

        // Not pumping: Escape reaches the window like any key and changes nothing.
        QTest::keyClick(progress.Window(), Qt::Key_Escape);
        QVERIFY(!progress.IsCancelled());

        PostKey(progress.Window(), Qt::Key_Escape);
        progress.PumpMessages(true);
        QVERIFY(progress.IsCancelled());
        QVERIFY(progress.Window() == nullptr || !progress.Window()->isVisible());
    }

    void buttonUpOverCancelCancelsOnlyInTheModalState() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        const QPoint overButton = CenterOf(progress.CancelButton());
        // Addressed to another window, and not modal yet: no cancel.
        PostButtonUp(mainWindow.get(), overButton);
        progress.PumpMessages(true);
        QVERIFY(!progress.IsCancelled());

        progress.BeginModal("Progress", false);
        PostButtonUp(mainWindow.get(), CenterOf(progress.ProgressBar())); // beside the button
        progress.PumpMessages(true);
        QVERIFY(!progress.IsCancelled());
        PostButtonUp(mainWindow.get(), overButton);
        progress.PumpMessages(true);
        QVERIFY(progress.IsCancelled());
    }

    void cancelIsStickyAndThePumpThenReturnsAtOnce() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        progress.BeginModal("Progress", false);
        QVERIFY(!mainWindow->isEnabled());
        QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
        QVERIFY(progress.IsCancelled());
        QVERIFY(!progress.Window()->isVisible());

        // The queued close destroys the popup; the object stays modal.
        bool delivered = false;
        QMetaObject::invokeMethod(
            qApp, [&delivered] { delivered = true; }, Qt::QueuedConnection);
        progress.PumpMessages(true);
        QVERIFY(!delivered); // the pump dispatched nothing
        QVERIFY(progress.IsCancelled());
        QCoreApplication::processEvents();
        QVERIFY(delivered);
        QVERIFY(progress.Window() == nullptr);
        QVERIFY(progress.IsModal());
        QVERIFY(!mainWindow->isEnabled());

        // Later calls find no window and do nothing.
        progress.SetStatus("ignored");
        QCOMPARE(progress.SetRange(0, 10, 1), std::int64_t{0});
        QCOMPARE(progress.SetPos(5), std::int64_t{0});
        progress.Hide();
    }

    void destructionEnablesTheMainWindowEvenAfterTheWindowClosed() {
        {
            CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
            progress.BeginModal("Progress", false);
            progress.Hide(); // hidden, still modal
            QVERIFY(!mainWindow->isEnabled());
            QTest::mouseClick(progress.CancelButton(), Qt::LeftButton);
            QCoreApplication::processEvents();
            QVERIFY(progress.Window() == nullptr);
        }
        QVERIFY(mainWindow->isEnabled());
        // A popup closed by the cancel saves no position.
        QCOMPARE(GetProfileInt("Settings", "X", -1), -1);
    }

    void beginModalRecreatesAClosedWindow() {
        CJobProgressWnd progress(nullptr, "Progress", true, store);
        QVERIFY(progress.DestroyWindow());
        QVERIFY(progress.Window() == nullptr);
        QVERIFY(progress.BeginModal("Writing", false));
        QVERIFY(progress.Window() != nullptr);
        QVERIFY(!mainWindow->isEnabled());
        QVERIFY(progress.Window()->isEnabled());
        QVERIFY(progress.DestroyWindow());
        QVERIFY(mainWindow->isEnabled());
    }

    void positionIsSavedAndRestoredOrCentredWhenMissingOrOffScreen() {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QPoint centred;
        {
            CJobProgressWnd progress(nullptr, "Progress", true, store); // nothing stored yet
            centred = progress.Window()->pos();
            QVERIFY(centred.x() > 0 && centred.y() > 0);
            progress.Window()->move(37, 41);
        }
        QCOMPARE(GetProfileInt("Settings", "X", -1), 37);
        QCOMPARE(GetProfileInt("Settings", "Y", -1), 41);
        {
            CJobProgressWnd progress(nullptr, "Progress", true, store);
            QCOMPARE(progress.Window()->pos(), QPoint(37, 41));
            QCOMPARE(progress.Window()->size(), QSize(410, progress.Window()->height()));
        }
        const QPoint offScreen[] = {
            {screen.width(), 10}, {10, screen.height()}, {-1, -1}, {-5, 10}};
        for (const QPoint stored : offScreen) {
            WriteProfileInt("Settings", "X", stored.x());
            WriteProfileInt("Settings", "Y", stored.y());
            CJobProgressWnd progress(nullptr, "Progress", true, store);
            QCOMPARE(progress.Window()->pos(), centred);
        }
    }

    // Owned or not, the popup reopens exactly where it was left, run after run.
    void positionLeftAloneStaysPut() {
        for (QWidget* owner : {static_cast<QWidget*>(nullptr), mainWindow.get()}) {
            WriteProfileInt("Settings", "X", 37);
            WriteProfileInt("Settings", "Y", 241);
            for (int run = 0; run < 3; ++run) {
                CJobProgressWnd progress(owner, "Progress", true, store);
                QVERIFY(QTest::qWaitForWindowExposed(progress.Window()));
                QCOMPARE(progress.Window()->pos(), QPoint(37, 241));
            }
            QCOMPARE(GetProfileInt("Settings", "Y", -1), 241);
        }
    }

    // The close box and Alt+F4 ask the window manager to close the popup: that
    // is a Cancel, and the popup does not come back at the next block.
    void closeRequestCancels() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        progress.BeginModal("Progress", false);
        progress.SetRange(0, 10, 1);
        QVERIFY(!progress.Window()->close());
        QVERIFY(progress.IsCancelled());
        QCoreApplication::processEvents();
        QVERIFY(progress.Window() == nullptr);
        progress.SetPos(5);
        QVERIFY(!mainWindow->isEnabled()); // until the engine ends the run
    }

    void profileValuesLiveUnderTheRootAndApplicationName() {
        QCOMPARE(GetProfileInt("Options", "MinTrackLength", 30), 30); // missing: the default
        QCOMPARE(GetProfileString("Options", "BeginWith", "Track"), QString("Track"));
        QVERIFY(WriteProfileInt("Options", "MinTrackLength", 70000));
        QVERIFY(WriteProfileString("Options", "BeginWith", "Side A "));
        QCOMPARE(GetProfileInt("Options", "MinTrackLength", 30), 70000);
        QCOMPARE(GetProfileString("Options", "BeginWith", "Track"), QString("Side A "));
        QVERIFY(WriteProfileString("Options", "Threshold", "0.20 %"));
        QCOMPARE(GetProfileInt("Options", "Threshold", 7), 7); // not a number: the default
        QVERIFY(HasProfileValue("Options", "Threshold"));
        QVERIFY(!HasProfileValue("Options", "Missing"));
        // Written to the store as text, a comma stays a comma.
        QVERIFY(WriteProfileString("Options", "BeginWith", "Side A, B"));
        QCOMPARE(GetProfileString("Options", "BeginWith"), QString("Side A, B"));

        const QString file = settings->Path() + "/Ferndusk Software/" +
                             QCoreApplication::applicationName() + ".conf";
        QVERIFY2(QFile::exists(file), qPrintable(file));

        // Another root is another store.
        QVERIFY(!ProfileStore("Another Company").ReadInt("Options", "MinTrackLength"));
        QCOMPARE(GetProfileInt("Options", "MinTrackLength", 30), 70000);
    }

    void quitRequestSeenWhilePumpingIsPostedAgain() {
        CJobProgressWnd progress(mainWindow.get(), "Progress", true, store);
        progress.BeginModal("Progress", false);
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
        QuitCounter counter;
        qApp->installEventFilter(&counter);
        progress.PumpMessages(true);
        QVERIFY(!progress.IsCancelled());
        QCoreApplication::processEvents();
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.count, 1); // held back during the pump, then delivered once
    }
};

QTEST_MAIN(ProgressWindowTest)
#include "ProgressWindowTest.moc"
