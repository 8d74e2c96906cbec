#include "CJobProgressWnd.h"

#include "Profile.h"
#include "ProgressRules.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

QPointer<QWidget>& MainWindowPointer() {
    static QPointer<QWidget> mainWindow;
    return mainWindow;
}

// The width of a standard 3-D edge; the button and bar sizes are built from it.
constexpr int kEdge = 2;

const QString kSettingsSection = QString::fromUtf8(kProgressSettingsSection);

} // namespace

void CJobProgressWnd::SetMainWindow(QWidget* mainWindow) {
    MainWindowPointer() = mainWindow;
}

QWidget* CJobProgressWnd::MainWindow() {
    return MainWindowPointer();
}

CJobProgressWnd::CJobProgressWnd(QWidget* parent, const char* newTitle, int smooth) {
    title = QString::fromUtf8(newTitle ? newTitle : "");
    Create(parent, newTitle, smooth);
}

CJobProgressWnd::~CJobProgressWnd() {
    if (pumping) {
        qApp->removeEventFilter(this);
    }
    DestroyWindow();
}

bool CJobProgressWnd::Create(QWidget* parent, const char* caption, int smooth) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return false; // no widget toolkit running: the engine goes on without a window
    }

    owner = parent ? parent : MainWindow();
    // A title bar without close, minimise or maximise buttons.
    window = new QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setWindowTitle(QString::fromUtf8(caption ? caption : ""));
    window->setCursor(Qt::BusyCursor);
    window->setFont(QApplication::font("QMessageBox"));
    window->resize(390, 130);
    window->installEventFilter(this); // the close box and Alt+F4 cancel

    statusText = new QLabel(window);
    statusText->setTextFormat(Qt::PlainText);
    statusText->setWordWrap(false);
    statusText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    progressBar = new QProgressBar(window);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setProperty("smooth", smooth != 0); // every Qt bar is smooth already
    cancelButton = new QPushButton(buttonCaption, window);
    connect(cancelButton, &QPushButton::clicked, this, &CJobProgressWnd::Cancel);

    Layout(textLines, 390);
    // Placed before the native window exists, so that the position is taken as
    // the frame's, which is what SavePosition stores.
    RestorePosition();
    // The owner keeps the popup above it; the popup is no child widget of it,
    // or disabling the owner would disable the popup too.
    if (owner) {
        window->winId();
        if (QWindow* ownerHandle = owner->window()->windowHandle()) {
            window->windowHandle()->setTransientParent(ownerHandle);
        }
    }
    Show();
    return true;
}

void CJobProgressWnd::Layout(int lines, int width) {
    const QFontMetrics metrics(window->font());
    QString sample = QStringLiteral("M");
    for (int i = 1; i < lines; ++i) {
        sample += QStringLiteral("\nM");
    }
    const int textHeight =
        metrics.boundingRect(QRect(0, 0, width, 10000), Qt::AlignLeft | Qt::TextDontClip, sample)
            .height();
    const QRect text(10, 10, width, textHeight);

    const int buttonWidth =
        metrics.horizontalAdvance(buttonCaption + QStringLiteral("  ")) + 4 * kEdge;
    const int buttonHeight = metrics.height() + 3 * kEdge;
    const QRect button(text.x() + width - buttonWidth, text.y() + textHeight + 10, buttonWidth,
                       buttonHeight);
    const QRect bar(text.x(), button.y() + kEdge, button.x() - 10 - text.x(),
                    buttonHeight - 2 * kEdge);

    window->setFixedSize(width + 20, textHeight + buttonHeight + 30);
    progressBar->setGeometry(bar);
    cancelButton->setGeometry(button);
    statusText->setGeometry(text);
}

bool CJobProgressWnd::BeginModal(const std::string& caption, bool smooth) {
    QWidget* mainWindow = MainWindow();
    if (!window && !Create(mainWindow, caption.c_str(), smooth ? 1 : 0)) {
        return false;
    }
    if (mainWindow) {
        mainWindow->setEnabled(false);
    }
    window->setEnabled(true);
    modal = true;
    focusWanted = true;
    return true;
}

std::int64_t CJobProgressWnd::SetRange(std::int64_t newLower, std::int64_t newUpper,
                                       std::int64_t newStep) {
    if (!window) {
        return 0;
    }
    const std::int64_t previousStep = step;
    lower = newLower;
    upper = newUpper;
    step = newStep;
    UpdateBar();
    return previousStep;
}

std::int64_t CJobProgressWnd::SetPos(std::int64_t pos) {
    if (!window) {
        return position;
    }
    Show();
    const std::int64_t previous = position;
    position = pos;

    const int percentage = ProgressPercentage(lower, upper, pos);
    if (percentage != shownPercentage) {
        shownPercentage = percentage;
        window->setWindowTitle(
            QString::asprintf("%s [%d%%]", title.toUtf8().constData(), percentage));
    }
    UpdateBar();
    return previous;
}

void CJobProgressWnd::UpdateBar() {
    if (!progressBar) {
        return;
    }
    const BarPosition bar = ProgressBarPosition(lower, upper, position);
    progressBar->setRange(0, bar.range);
    progressBar->setValue(bar.value);
}

void CJobProgressWnd::ShowStatus(const std::string& text) {
    if (window && statusText) {
        statusText->setText(QString::fromStdString(text));
    }
}

void CJobProgressWnd::PumpMessages(bool escapeCancels) {
    if (!cancelled) {
        DispatchPending(escapeCancels);
    }

    // The focus comes to the popup when a run begins or shows it again, and when
    // the user comes back to one of this program's windows; never while another
    // program is active, so that the keys typed there stay there. (Asking on
    // every pump would pull the focus back in the moment the toolkit takes to
    // notice that the user has switched away.)
    if (focusWanted && modal && window && window->isVisible()) {
        focusWanted = false;
        if (!window->isActiveWindow() &&
            QGuiApplication::applicationState() == Qt::ApplicationActive) {
            window->activateWindow();
            window->setFocus();
        }
    }
}

void CJobProgressWnd::DispatchPending(bool escapeCancels) {
    // Escape, a button-up over Cancel and a quit request are looked at on their
    // way to their receivers; everything queued is dispatched, and the call
    // returns without waiting for more.
    pumping = true;
    escapeCancelsWhilePumping = escapeCancels;
    quitSeen = false;
    qApp->installEventFilter(this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qApp->removeEventFilter(this);
    pumping = false;

    // The quit request was held back so the engine can return; post it again so
    // the application's own loop still ends.
    if (quitSeen) {
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::Quit));
    }
}

bool CJobProgressWnd::eventFilter(QObject* watched, QEvent* event) {
    // A close request from the window manager (close box, Alt+F4) is a Cancel;
    // the popup itself never asks to be closed.
    if (watched == window && event->type() == QEvent::Close) {
        event->ignore();
        Cancel();
        return true;
    }
    if (!pumping) {
        return false;
    }
    switch (event->type()) {
    case QEvent::KeyPress:
        if (escapeCancelsWhilePumping && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            Cancel();
        }
        break;
    case QEvent::MouseButtonRelease:
        // Whichever widget the release goes to, as long as it is over the button.
        if (modal && cancelButton && cancelButton->isVisible()) {
            const QPoint point = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const QRect buttonRect(cancelButton->mapToGlobal(QPoint(0, 0)), cancelButton->size());
            if (buttonRect.contains(point)) {
                Cancel();
            }
        }
        break;
    case QEvent::WindowActivate:
        if (watched != window && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            focusWanted = true; // the user is back in this program
        }
        break;
    case QEvent::Quit:
        if (watched == qApp) {
            quitSeen = true;
            return true;
        }
        break;
    default:
        break;
    }
    return false;
}

void CJobProgressWnd::Cancel() {
    const bool wasCancelled = cancelled;
    cancelled = true;
    Hide();
    if (modal && window && !wasCancelled && !closePosted) {
        // The popup closes when the queued request is processed; this skips
        // DestroyWindow, so the position is not saved and the object stays modal.
        closePosted = true;
        QMetaObject::invokeMethod(
            this, [this] { delete window.data(); }, Qt::QueuedConnection);
    }
    if (QWidget* mainWindow = MainWindow()) {
        mainWindow->activateWindow();
    }
}

void CJobProgressWnd::Hide() {
    if (window && window->isVisible()) {
        window->hide();
    }
}

void CJobProgressWnd::Show() {
    if (window && !window->isVisible()) {
        focusWanted = true;
        window->show();
        window->update();
    }
}

bool CJobProgressWnd::DestroyWindow() {
    if (window) {
        SavePosition();
    }
    if (modal) {
        modal = false;
        if (QWidget* mainWindow = MainWindow()) {
            mainWindow->setEnabled(true);
        }
    }
    if (!window) {
        return false;
    }
    delete window.data();
    return true;
}

void CJobProgressWnd::RestorePosition() {
    const int x = GetProfileInt(kSettingsSection, QString::fromUtf8(kProgressSettingsX), -1);
    const int y = GetProfileInt(kSettingsSection, QString::fromUtf8(kProgressSettingsY), -1);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(0, 0);
    if (x < 0 || x >= screenSize.width() || y < 0 || y >= screenSize.height()) {
        CenterWindow();
    } else {
        window->move(x, y);
    }
}

void CJobProgressWnd::SavePosition() {
    if (!window) {
        return;
    }
    // Both in one go, so the stored position is never half old, half new.
    const QPoint topLeft = window->pos();
    ProfileStore().WriteSection(
        kSettingsSection.toStdString(),
        {{kProgressSettingsX, topLeft.x()}, {kProgressSettingsY, topLeft.y()}});
}

// Over the owner when there is one on screen, else over the screen.
void CJobProgressWnd::CenterWindow() {
    QRect area;
    if (owner && owner->isVisible()) {
        area = owner->window()->frameGeometry();
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    } else {
        return;
    }
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}
