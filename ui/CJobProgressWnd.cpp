#include "CJobProgressWnd.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QWindow>

namespace qtui {

namespace {

QPointer<QWidget>& MainWindowPointer() {
    static QPointer<QWidget> mainWindow;
    return mainWindow;
}

// The width of a standard 3-D edge; the button and bar sizes are built from it.
constexpr int kEdge = 2;
constexpr int kWidth = 390;
constexpr int kTextLines = 4;
const QString kButtonCaption = QStringLiteral(" Cancel ");

} // namespace

void CJobProgressWnd::SetMainWindow(QWidget* mainWindow) {
    MainWindowPointer() = mainWindow;
}

QWidget* CJobProgressWnd::MainWindow() {
    return MainWindowPointer();
}

CJobProgressWnd::CJobProgressWnd(QWidget* parent, const std::string& title, bool smooth,
                                 SettingsStore& settings)
    : ProgressPresenter(*this, settings, title), owner(parent ? parent : MainWindow()) {
    Create(title, smooth);
}

CJobProgressWnd::~CJobProgressWnd() {
    if (pumping) {
        qApp->removeEventFilter(this);
    }
    DestroyWindow();
}

bool CJobProgressWnd::CreatePopup(const std::string& caption, bool smooth) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return false; // no widget toolkit running: the engine goes on without a window
    }
    if (!owner) {
        owner = MainWindow();
    }
    // A title bar without close, minimise or maximise buttons.
    window = new QWidget(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setAttribute(Qt::WA_ShowWithoutActivating);
    window->setWindowTitle(QString::fromStdString(caption));
    window->setCursor(Qt::BusyCursor);
    window->setFont(QApplication::font("QMessageBox"));
    window->resize(kWidth, 130);
    window->installEventFilter(this); // the close box and Alt+F4 cancel

    statusText = new QLabel(window);
    statusText->setTextFormat(Qt::PlainText);
    statusText->setWordWrap(false);
    statusText->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    progressBar = new QProgressBar(window);
    progressBar->setTextVisible(false);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setProperty("smooth", smooth); // every Qt bar is smooth already
    cancelButton = new QPushButton(kButtonCaption, window);
    connect(cancelButton, &QPushButton::clicked, this, [this] { Cancel(); });

    Layout(kTextLines, kWidth);
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
        metrics.horizontalAdvance(kButtonCaption + QStringLiteral("  ")) + 4 * kEdge;
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

bool CJobProgressWnd::IsVisible() const {
    return window->isVisible();
}

void CJobProgressWnd::ShowPopup() {
    // The owner keeps the popup above it; the popup is no child widget of it,
    // or disabling the owner would disable the popup too. The native window is
    // made only now, after the popup was placed, so that the stored position is
    // taken as the frame's, which is what TopLeft reports.
    if (owner && !window->windowHandle()) {
        window->winId();
        if (QWindow* ownerHandle = owner->window()->windowHandle()) {
            window->windowHandle()->setTransientParent(ownerHandle);
        }
    }
    window->show();
    window->update();
}

void CJobProgressWnd::HidePopup() {
    window->hide();
}

void CJobProgressWnd::DestroyPopup() {
    delete window.data();
}

void CJobProgressWnd::CloseLater() {
    QMetaObject::invokeMethod(
        this, [this] { delete window.data(); }, Qt::QueuedConnection);
}

void CJobProgressWnd::SetCaption(const std::string& caption) {
    window->setWindowTitle(QString::fromStdString(caption));
}

void CJobProgressWnd::SetStatusText(const std::string& text) {
    statusText->setText(QString::fromStdString(text));
}

void CJobProgressWnd::SetBar(int range, int value) {
    progressBar->setRange(0, range);
    progressBar->setValue(value);
}

void CJobProgressWnd::EnableMainWindow(bool enabled) {
    if (QWidget* mainWindow = MainWindow()) {
        mainWindow->setEnabled(enabled);
    }
}

void CJobProgressWnd::ActivateMainWindow() {
    if (QWidget* mainWindow = MainWindow()) {
        mainWindow->activateWindow();
    }
}

void CJobProgressWnd::EnablePopup() {
    window->setEnabled(true);
}

bool CJobProgressWnd::ProgramIsActive() const {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void CJobProgressWnd::TakeFocus() {
    if (!window->isActiveWindow()) {
        window->activateWindow();
        window->setFocus();
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
        if (cancelButton && cancelButton->isVisible()) {
            const QPoint point = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
            const QRect buttonRect(cancelButton->mapToGlobal(QPoint(0, 0)), cancelButton->size());
            if (buttonRect.contains(point)) {
                ButtonUpOverCancel();
            }
        }
        break;
    case QEvent::WindowActivate:
        if (watched != window && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow()) {
            UserReturned();
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

ProgressView::Point CJobProgressWnd::TopLeft() const {
    return {window->pos().x(), window->pos().y()};
}

void CJobProgressWnd::MoveTo(Point topLeft) {
    window->move(topLeft.x, topLeft.y);
}

// Over the owner when there is one on screen, else over the screen.
void CJobProgressWnd::Centre() {
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

std::vector<ProgressView::Area> CJobProgressWnd::Screens() const {
    std::vector<Area> areas;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect geometry = screen->geometry();
        areas.push_back({geometry.x(), geometry.y(), geometry.width(), geometry.height()});
    }
    return areas;
}

} // namespace qtui
