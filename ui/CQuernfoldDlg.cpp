#include "CQuernfoldDlg.h"

#include "CThresholdSlider.h"
#include "DialogTemplate.h"
#include "FieldControls.h"
#include "ProgramIcon.h"
#include "WindowHost.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QValidator>

#include <algorithm>
#include <iterator>

namespace qtui {

namespace {

using Field = MainWindowView::Field;

// Characters as the option rules count them: a pair of UTF-16 surrogates is one.
qsizetype CharacterCount(const QString& text) {
    return std::count_if(text.cbegin(), text.cend(), [](QChar c) { return !c.isLowSurrogate(); });
}

// Limits what can be typed into a text edit without limiting what the window
// puts there: a chosen path or a stored prefix longer than the limit is shown in
// full (and reported by the next commit), and it can still be shortened.
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit* edit, std::size_t limit)
        : QValidator(edit), maxChars(static_cast<qsizetype>(limit)), allowedLength(maxChars) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { Allow(CharacterCount(text)); });
    }

    // The window is about to put a text of this length into the edit.
    void Allow(qsizetype length) { allowedLength = std::max(maxChars, length); }

    State validate(QString& input, int& /*pos*/) const override {
        return CharacterCount(input) > allowedLength ? Invalid : Acceptable;
    }

private:
    qsizetype maxChars;
    qsizetype allowedLength;
};

// Sets the text of an edit, whatever its typing limit.
void SetEditText(QLineEdit* edit, const QString& text) {
    for (QValidator* validator : edit->findChildren<QValidator*>(Qt::FindDirectChildrenOnly)) {
        if (auto* limit = dynamic_cast<TypingLimit*>(validator)) {
            limit->Allow(CharacterCount(text));
        }
    }
    edit->setText(text);
}

} // namespace

CQuernfoldDlg::CQuernfoldDlg(FolderPicker pickFolder, AboutBoxRunner showAbout, QWidget* parent)
    : QDialog(parent), pickFolder(std::move(pickFolder)), showAbout(std::move(showAbout)),
      form(*this, settings, QDir::currentPath().toStdString()) {
    // A window of its own (with a task-bar entry), a fixed frame, no minimise or
    // maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());

    using namespace MainWindowId;
    controls = BuildDialog(*this, kMainWindowTemplate,
                           [](const DialogControl& control, QWidget* parent) -> QWidget* {
                               if (control.id == kThreshold) {
                                   return new CThresholdSlider(parent);
                               }
                               return nullptr;
                           });
    threshold = controls.Get<CThresholdSlider>(kThreshold);

    auto* prefixEdit = controls.Get<QLineEdit>(kFileNamePrefix);
    prefixEdit->setValidator(new TypingLimit(prefixEdit, kMaxPrefixCharacters));
    for (int path : {kInputPath, kOutputFolder}) {
        auto* edit = controls.Get<QLineEdit>(path);
        edit->setValidator(new TypingLimit(edit, kMaxPathCharacters));
        // A file dropped on the field goes to the window, not into the text as a URL.
        edit->setAcceptDrops(false);
    }
    setAcceptDrops(true);

    auto onClick = [this](int id, auto handler) {
        connect(controls.Get<QAbstractButton>(id), &QAbstractButton::clicked, this, handler);
    };
    onClick(kStart, [this] { accept(); });
    onClick(kClose, [this] { reject(); });
    onClick(kBrowseInput, [this] { form.BrowseInput(); });
    onClick(kBrowseOutput, [this] { form.BrowseOutput(); });
    onClick(kSuggestThreshold, [this] { form.SuggestThreshold(); });
    onClick(kAverageMethod, [this] { form.MethodClicked(Field::AverageMethod); });
    onClick(kMaximumMethod, [this] { form.MethodClicked(Field::MaximumMethod); });
    connect(threshold, &QSlider::valueChanged, this,
            [this](int position) { form.ThresholdMoved(position); });
    for (const FieldControlId& entry : FieldControls()) {
        if (MainWindowForm::CommitsOnLeave(entry.field)) {
            Control(entry.id)->installEventFilter(this);
        }
    }
}

CQuernfoldDlg::~CQuernfoldDlg() = default;

QWidget* CQuernfoldDlg::Control(int id) const {
    return controls.Find(id);
}

QWidget* CQuernfoldDlg::FieldControl(Field field) const {
    return Control(ControlIdOf(field));
}

SplitOptions CQuernfoldDlg::HeldOptions() const {
    return form.Held();
}

bool CQuernfoldDlg::UpdateData(bool saveAndValidate) {
    return form.Exchange(saveAndValidate);
}

void CQuernfoldDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!form.IsOpen()) {
        AddAboutItem();
        form.Open();
    }
}

std::string CQuernfoldDlg::Text(Field field) const {
    QWidget* control = FieldControl(field);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text().toStdString();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text().toStdString();
    }
    return {};
}

void CQuernfoldDlg::SetText(Field field, const std::string& text) {
    QWidget* control = FieldControl(field);
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        SetEditText(edit, QString::fromStdString(text));
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(QString::fromStdString(text));
    }
}

bool CQuernfoldDlg::IsChecked(Field field) const {
    auto* button = qobject_cast<QAbstractButton*>(FieldControl(field));
    return button != nullptr && button->isChecked();
}

void CQuernfoldDlg::SetChecked(Field field, bool checked) {
    if (auto* button = qobject_cast<QAbstractButton*>(FieldControl(field))) {
        button->setChecked(checked);
    }
}

void CQuernfoldDlg::SetThresholdPosition(int position) {
    const QSignalBlocker quiet(threshold);
    threshold->setValue(position);
}

void CQuernfoldDlg::SetArrows(Field field, int minimum, int maximum, int position) {
    const std::optional<int> arrowsId = ArrowsIdOf(field);
    if (auto* arrows = arrowsId ? controls.Get<UpDownArrows>(*arrowsId) : nullptr) {
        arrows->SetRange(minimum, maximum);
        arrows->SetPos(position);
    }
}

void CQuernfoldDlg::Focus(Field field) {
    if (QWidget* control = FieldControl(field)) {
        control->setFocus(Qt::OtherFocusReason);
    }
}

void CQuernfoldDlg::ReportProblem(Field field, const std::string& message) {
    QMessageBox box(QMessageBox::Warning, windowTitle(), QString::fromStdString(message),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
    Focus(field);
    if (auto* edit = qobject_cast<QLineEdit*>(FieldControl(field))) {
        edit->selectAll();
    }
}

namespace {

// The first local file or folder a drag carries; empty when there is none.
QString DroppedPath(const QMimeData* data) {
    if (data == nullptr) {
        return {};
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return QDir::toNativeSeparators(url.toLocalFile());
        }
    }
    return {};
}

} // namespace

void CQuernfoldDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedPath(event->mimeData()).isEmpty()) {
        event->acceptProposedAction();
    }
}

void CQuernfoldDlg::dropEvent(QDropEvent* event) {
    const QString path = DroppedPath(event->mimeData());
    if (path.isEmpty()) {
        return;
    }
    event->acceptProposedAction();
    form.ItemDropped(path.toStdString(), QFileInfo(path).isDir());
}

std::optional<std::string> CQuernfoldDlg::ChooseInputFile(const std::string& startFolder) {
    QFileDialog dialog(this, QStringLiteral("Open"), QString::fromStdString(startFolder),
                       QStringLiteral("WAV Files (*.wav);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

FolderChoice CQuernfoldDlg::PickOutputFolder(std::string& folder, const std::string& startFolder) {
    QString chosen = QString::fromStdString(startFolder); // where the picker opens
    const FolderChoice result = pickFolder ? pickFolder(this, chosen) : FolderChoice::Unavailable;
    if (result == FolderChoice::Chosen) {
        folder = chosen.toStdString();
    }
    return result;
}

std::unique_ptr<SplitHost> CQuernfoldDlg::CreateHost() {
    auto host = std::make_unique<WindowHost>(this, settings);
    host->ReviewPlans(
        [this](const std::string& text, bool average) { form.ApplyChosenOptions(text, average); });
    return host;
}

// The window manager owns the window's system menu here, so the About item is
// offered in the window's context menu instead.
void CQuernfoldDlg::AddAboutItem() {
    const QString text = QString::fromUtf8(kAboutMenuText);
    if (text.isEmpty()) {
        return;
    }
    auto* about = new QAction(text, this);
    about->setObjectName(QStringLiteral("aboutAction"));
    connect(about, &QAction::triggered, this, [this] { OnAbout(); });
    addAction(about);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void CQuernfoldDlg::OnAbout() {
    if (showAbout) {
        showAbout(this);
    }
}

bool CQuernfoldDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !form.IgnoringNotifications() && !form.Running()) {
        // Leaving the field commits. Switching to another window or opening a
        // menu does not leave it: the focus comes back to the same field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // After the focus change has finished, so a failing commit can put the
            // focus back; a button that was clicked meanwhile runs it first.
            form.FieldLeft();
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (isVisible()) {
                        form.CommitLeftField();
                    }
                },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CQuernfoldDlg::accept() {
    form.Start();
}

void CQuernfoldDlg::reject() {
    if (form.Close()) {
        QDialog::reject();
    }
}

} // namespace qtui
