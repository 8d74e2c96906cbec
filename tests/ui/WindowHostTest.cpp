// The desktop host: message box styles and results, and the progress window it
// makes for the engine.
#include "WindowHost.h"
#include "CJobProgressWnd.h"
#include "Profile.h"
#include "UiTestSupport.h"

#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace qtui;

class WindowHostTest : public QObject {
    Q_OBJECT
private slots:
    void messageStylesMapToButtonsAndIcon() {
        QWidget mainWindow;
        mainWindow.show();
        ProfileStore store;
        WindowHost host(&mainWindow, store);
        struct Case {
            MessageKind kind;
            QMessageBox::Icon icon;
            QMessageBox::StandardButtons buttons;
            QMessageBox::StandardButton answer;
            Answer result;
        };
        const Case cases[] = {
            {MessageKind::Notice, QMessageBox::NoIcon, QMessageBox::Ok, QMessageBox::Ok,
             Answer::Ok},
            {MessageKind::Question, QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Ok, Answer::Ok},
            {MessageKind::Question, QMessageBox::NoIcon, QMessageBox::Ok | QMessageBox::Cancel,
             QMessageBox::Cancel, Answer::Cancel},
            {MessageKind::Error, QMessageBox::Critical, QMessageBox::Ok, QMessageBox::Ok,
             Answer::Ok},
        };
        for (const Case& c : cases) {
            QString caption, text;
            QMessageBox::Icon icon = QMessageBox::Information;
            QMessageBox::StandardButtons buttons;
            QWidget* owner = nullptr;
            OnNextModal([&](QWidget* modal) {
                auto* box = qobject_cast<QMessageBox*>(modal);
                QVERIFY(box);
                caption = box->windowTitle();
                text = box->text();
                icon = box->icon();
                buttons = box->standardButtons();
                owner = box->parentWidget();
                box->button(c.answer)->click();
            });
            QCOMPARE(host.ShowMessage("Ready to split WAV file\n<3 segments>", "Error", c.kind),
                     c.result);
            QCOMPARE(caption, QString("Error"));
            QCOMPARE(text, QString("Ready to split WAV file\n<3 segments>"));
            QCOMPARE(icon, c.icon);
            QCOMPARE(buttons, c.buttons);
            QCOMPARE(owner, &mainWindow);
        }
    }

    void progressIsShownAndEndsTheModalState() {
        ScratchSettings settings;
        QWidget mainWindow;
        mainWindow.show();
        CJobProgressWnd::SetMainWindow(&mainWindow);
        ProfileStore store;
        WindowHost host(&mainWindow, store);
        {
            std::unique_ptr<ProgressDisplay> progress = host.CreateProgress("Progress", true);
            auto* window = dynamic_cast<CJobProgressWnd*>(progress.get());
            QVERIFY(window && window->Window()->isVisible());
            progress->BeginModal("Progress", false);
            progress->SetStatus("Analysing 5%");
            QCOMPARE(window->StatusText()->text(), QString("Analysing 5%"));
            QVERIFY(!mainWindow.isEnabled());
        }
        QVERIFY(mainWindow.isEnabled());
        CJobProgressWnd::SetMainWindow(nullptr);
    }
};

QTEST_MAIN(WindowHostTest)
#include "WindowHostTest.moc"
