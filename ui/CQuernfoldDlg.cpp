#include "CQuernfoldDlg.h"

#include "CThresholdSlider.h"
#include "OptionRules.h"
#include "Profile.h"
#include "ProgramIcon.h"
#include "SplitJob.h"
#include "ThresholdSuggestion.h"
#include "WindowHost.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QSignalBlocker>
#include <QValidator>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>

namespace {

const QString kOptions = QStringLiteral("Options");

constexpr int kMaxPrefixChars = static_cast<int>(SplitOptions::kMaxPrefixChars);
constexpr int kMaxPathChars = static_cast<int>(SplitOptions::kMaxPathChars);

// Limits what can be typed into a text edit without limiting what the window
// puts there: a chosen path or a stored prefix longer than the limit is shown in
// full (and reported by the next commit), and it can still be shortened.
class TypingLimit : public QValidator {
public:
    TypingLimit(QLineEdit* edit, int limit)
        : QValidator(edit), maxChars(limit), allowedLength(limit) {
        connect(edit, &QLineEdit::textChanged, this,
                [this](const QString& text) { Allow(text.size()); });
    }

    // The window is about to put a text of this length into the edit.
    void Allow(qsizetype length) { allowedLength = std::max<qsizetype>(maxChars, length); }

    State validate(QString& input, int& /*pos*/) const override {
        return input.size() > allowedLength ? Invalid : Acceptable;
    }

private:
    int maxChars;
    qsizetype allowedLength;
};

// Sets the text of an edit, whatever its typing limit.
void SetEditText(QLineEdit* edit, const QString& text) {
    for (QValidator* validator : edit->findChildren<QValidator*>(Qt::FindDirectChildrenOnly)) {
        if (auto* limit = dynamic_cast<TypingLimit*>(validator)) {
            limit->Allow(text.size());
        }
    }
    edit->setText(text);
}

} // namespace

// One pass of the data exchange. Show writes held values into controls; commit
// reads each control into its held value and checks it at once. The first
// failure is reported, puts the focus back into its field and ends the pass.
class CQuernfoldDlg::DataExchange {
public:
    DataExchange(CQuernfoldDlg& window, bool saveAndValidate)
        : window(window), save(saveAndValidate) {}

    bool Failed() const { return failed; }

    void Text(QLabel* label, QString& value) {
        if (failed || label == nullptr) {
            return;
        }
        if (save) {
            value = label->text();
        } else {
            label->setText(value);
        }
    }

    void Text(QLineEdit* edit, QString& value, int maxChars) {
        if (failed || edit == nullptr) {
            return;
        }
        if (!save) {
            SetEditText(edit, value);
            return;
        }
        value = edit->text();
        if (value.size() > maxChars) {
            Fail(edit, QStringLiteral("Please enter no more than %1 characters.").arg(maxChars));
        }
    }

    // A committed text the engine's rule refuses; the rule's sentence is the message.
    void Refuse(QLineEdit* edit, const std::optional<std::string>& problem) {
        if (failed || edit == nullptr || !save || !problem) {
            return;
        }
        Fail(edit, QString::fromStdString(*problem));
    }

    // An unsigned decimal number; one outside the range is stored before it is
    // reported, one that is no number (or beyond 32 bits) leaves the value alone.
    void Number(QLineEdit* edit, std::uint32_t& value, std::uint32_t minimum,
                std::uint32_t maximum) {
        if (failed || edit == nullptr) {
            return;
        }
        if (!save) {
            edit->setText(QString::number(value));
            return;
        }
        const QString text = edit->text().trimmed();
        bool digitsOnly = !text.isEmpty();
        for (QChar c : text) {
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        }
        if (!digitsOnly) {
            Fail(edit, QStringLiteral("Please enter an unsigned whole number between %1 and %2.")
                           .arg(minimum)
                           .arg(maximum));
            return;
        }
        bool fits = false;
        const qulonglong number = text.toULongLong(&fits);
        const bool inRange = fits && number >= minimum && number <= maximum;
        if (fits && number <= std::numeric_limits<std::uint32_t>::max()) {
            value = static_cast<std::uint32_t>(number);
        }
        if (!inRange) {
            Fail(edit, QStringLiteral("Please enter a number between %1 and %2.")
                           .arg(minimum)
                           .arg(maximum));
        }
    }

    void Check(QCheckBox* box, int& value) {
        if (failed || box == nullptr) {
            return;
        }
        if (save) {
            value = box->isChecked() ? 1 : 0;
        } else {
            box->setChecked(value != 0);
        }
    }

private:
    void Fail(QLineEdit* edit, const QString& message) {
        failed = true;
        QMessageBox box(QMessageBox::Warning, window.windowTitle(), message, QMessageBox::Ok,
                        &window);
        box.setTextFormat(Qt::PlainText);
        box.exec();
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
    }

    CQuernfoldDlg& window;
    bool save;
    bool failed = false;
};

CQuernfoldDlg::CQuernfoldDlg(FolderPicker pickFolder, AboutBoxRunner showAbout, QWidget* parent)
    : QDialog(parent), pickFolder(std::move(pickFolder)), showAbout(std::move(showAbout)) {
    // A window of its own (with a task-bar entry), a fixed frame, no minimise or
    // maximise box.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setWindowIcon(ProgramIcon());

    controls = BuildDialog(*this, kMainWindowTemplate,
                           [](const DialogControl& control, QWidget* parent) -> QWidget* {
                               if (control.id == MainWindowId::kThreshold) {
                                   return new CThresholdSlider(parent);
                               }
                               return nullptr;
                           });
    using namespace MainWindowId;
    inputEdit = controls.Get<QLineEdit>(kInputPath);
    outputEdit = controls.Get<QLineEdit>(kOutputFolder);
    prefixEdit = controls.Get<QLineEdit>(kFileNamePrefix);
    minTrackEdit = controls.Get<QLineEdit>(kMinTrackLength);
    silenceEdit = controls.Get<QLineEdit>(kSilenceLength);
    appendEdit = controls.Get<QLineEdit>(kAppendSilence);
    thresholdLabel = controls.Get<QLabel>(kThresholdLabel);
    maximumLabel = controls.Get<QLabel>(kMaximumLabel);
    threshold = controls.Get<CThresholdSlider>(kThreshold);
    silenceArrows = controls.Get<UpDownArrows>(kSilenceLengthArrows);
    minTrackArrows = controls.Get<UpDownArrows>(kMinTrackLengthArrows);
    appendArrows = controls.Get<UpDownArrows>(kAppendSilenceArrows);
    averageMethod = controls.Get<QRadioButton>(kAverageMethod);
    maximumMethod = controls.Get<QRadioButton>(kMaximumMethod);
    trimBox = controls.Get<QCheckBox>(kTrimSilence);
    startButton = controls.Get<QPushButton>(kStart);

    prefixEdit->setValidator(new TypingLimit(prefixEdit, kMaxPrefixChars));
    inputEdit->setValidator(new TypingLimit(inputEdit, kMaxPathChars));
    outputEdit->setValidator(new TypingLimit(outputEdit, kMaxPathChars));

    connect(startButton, &QAbstractButton::clicked, this, [this] { OnOK(); });
    connect(controls.Get<QPushButton>(kClose), &QAbstractButton::clicked, this,
            [this] { reject(); });
    connect(controls.Get<QPushButton>(kBrowseInput), &QAbstractButton::clicked, this,
            [this] { OnBrowseInput(); });
    connect(controls.Get<QPushButton>(kBrowseOutput), &QAbstractButton::clicked, this,
            [this] { OnBrowseOutput(); });
    connect(averageMethod, &QAbstractButton::clicked, this, [this] { OnAverageMethodClicked(); });
    connect(maximumMethod, &QAbstractButton::clicked, this, [this] { OnMaximumMethodClicked(); });
    connect(threshold, &QSlider::valueChanged, this, [this] { OnThresholdMoved(); });
    connect(controls.Get<QPushButton>(kSuggestThreshold), &QAbstractButton::clicked, this,
            [this] { OnSuggestThreshold(); });
    for (QLineEdit* edit : {prefixEdit, minTrackEdit, silenceEdit}) {
        edit->installEventFilter(this);
    }
}

CQuernfoldDlg::~CQuernfoldDlg() = default;

QWidget* CQuernfoldDlg::Control(int id) const {
    return controls.Find(id);
}

SplitOptions CQuernfoldDlg::HeldOptions() const {
    SplitOptions options;
    options.inputPath = inputPath.toStdString();
    options.outputFolder = outputFolder.toStdString();
    options.fileNamePrefix = fileNamePrefix.toStdString();
    options.thresholdText = thresholdText.toStdString();
    options.silenceLengthMs = silenceLengthMs;
    options.minTrackLengthSec = minTrackLengthSec;
    options.appendSilenceMs = appendSilenceMs;
    options.trimSilence = trimSilence != 0;
    options.useAverageMethod = useAverageMethod != 0;
    return options;
}

bool CQuernfoldDlg::UpdateData(bool saveAndValidate) {
    // Focus changes and message boxes of this pass must not start another one.
    QScopedValueRollback<bool> guard(exchanging, true);
    DataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

void CQuernfoldDlg::DoDataExchange(DataExchange& exchange) {
    exchange.Text(thresholdLabel, thresholdText);
    exchange.Text(maximumLabel, maximumLabelText);
    exchange.Text(prefixEdit, fileNamePrefix, kMaxPrefixChars);
    exchange.Refuse(prefixEdit, PrefixProblem(fileNamePrefix.toStdString()));
    exchange.Text(inputEdit, inputPath, kMaxPathChars);
    exchange.Text(outputEdit, outputFolder, kMaxPathChars);
    exchange.Number(minTrackEdit, minTrackLengthSec, SplitOptions::kMinTrackLengthSec,
                    SplitOptions::kMaxTrackLengthSec);
    exchange.Number(silenceEdit, silenceLengthMs, SplitOptions::kMinSilenceLengthMs,
                    SplitOptions::kMaxSilenceLengthMs);
    exchange.Number(appendEdit, appendSilenceMs, 0, SplitOptions::kMaxAppendSilenceMs);
    exchange.Check(trimBox, trimSilence);
}

void CQuernfoldDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!initialised) {
        OnInitDialog();
    }
}

bool CQuernfoldDlg::OnInitDialog() {
    UpdateData(false);
    AddAboutItem();
    LoadOptions();
    maximumLabelText = QString::fromStdString(CThresholdSlider::MaximumLabelText());
    thresholdText =
        GetProfileString(kOptions, QStringLiteral("Threshold"), QStringLiteral("0.20 %"));

    {
        // Placing the trackbar is not a move: the label keeps the stored text.
        const QSignalBlocker quiet(threshold);
        threshold->setRange(0, CThresholdSlider::kSteps);
        threshold->setTickInterval(CThresholdSlider::kTickInterval);
        threshold->setValue(CThresholdSlider::TextToPosition(thresholdText.toStdString()));
    }

    appendArrows->SetRange(0, static_cast<int>(SplitOptions::kMaxAppendSilenceMs));
    appendArrows->SetPos(static_cast<int>(appendSilenceMs & 0xFFFF));
    silenceArrows->SetRange(static_cast<int>(SplitOptions::kMinSilenceLengthMs),
                            static_cast<int>(SplitOptions::kMaxSilenceLengthMs));
    silenceArrows->SetPos(static_cast<int>(silenceLengthMs & 0xFFFF));
    minTrackArrows->SetRange(static_cast<int>(SplitOptions::kMinTrackLengthSec),
                             static_cast<int>(SplitOptions::kMaxTrackLengthSec));
    minTrackArrows->SetPos(static_cast<int>(minTrackLengthSec & 0xFFFF));

    (useAverageMethod != 0 ? averageMethod : maximumMethod)->setChecked(true);
    if (trimSilence != 0) {
        trimBox->setChecked(true);
    }

    UpdateData(false);
    inputEdit->setFocus(Qt::OtherFocusReason);
    initialised = true;
    return true;
}

void CQuernfoldDlg::LoadOptions() {
    trimSilence = GetProfileInt(kOptions, QStringLiteral("TrimSilence"), 0);
    useAverageMethod = GetProfileInt(kOptions, QStringLiteral("UseAverageMethod"), 0);
    // Stored as 32-bit numbers; a value outside its range is shown as stored and
    // reported by the next commit.
    appendSilenceMs =
        static_cast<std::uint32_t>(GetProfileInt(kOptions, QStringLiteral("AppendSilence"), 0));
    minTrackLengthSec =
        static_cast<std::uint32_t>(GetProfileInt(kOptions, QStringLiteral("MinTrackLength"), 30));
    silenceLengthMs =
        static_cast<std::uint32_t>(GetProfileInt(kOptions, QStringLiteral("SilenceLength"), 500));
    fileNamePrefix =
        GetProfileString(kOptions, QStringLiteral("BeginWith"), QStringLiteral("Track"));
}

void CQuernfoldDlg::SaveOptions() {
    WriteProfileInt(kOptions, QStringLiteral("TrimSilence"), trimSilence != 0 ? 1 : 0);
    WriteProfileInt(kOptions, QStringLiteral("UseAverageMethod"), useAverageMethod);
    WriteProfileInt(kOptions, QStringLiteral("AppendSilence"), static_cast<int>(appendSilenceMs));
    WriteProfileInt(kOptions, QStringLiteral("MinTrackLength"),
                    static_cast<int>(minTrackLengthSec));
    WriteProfileInt(kOptions, QStringLiteral("SilenceLength"), static_cast<int>(silenceLengthMs));
    WriteProfileString(kOptions, QStringLiteral("BeginWith"), fileNamePrefix);
    WriteProfileString(kOptions, QStringLiteral("Threshold"), thresholdText);
}

void CQuernfoldDlg::OnThresholdMoved() {
    if (IgnoringNotifications()) {
        return;
    }
    thresholdText = QString::fromStdString(CThresholdSlider::PositionToText(threshold->value()));
    thresholdLabel->setText(thresholdText);
}

// Reads the recording for the threshold that separates its pauses from its
// sound, for the silence length and method the window shows, and moves the
// trackbar there. Cancel in the progress window leaves everything as it was.
void CQuernfoldDlg::OnSuggestThreshold() {
    if (running || !initialised || !UpdateData(true)) {
        return;
    }
    SplitOptions options = HeldOptions();
    options.useAverageMethod = averageMethod->isChecked();
    WindowHost host(this);
    ThresholdSuggestion suggestion;
    {
        QScopedValueRollback<bool> busy(running, true);
        suggestion = RunThresholdSuggestion(options, host);
    }
    std::string message = SuggestionProblemText(suggestion.outcome);
    if (suggestion.outcome == ThresholdSuggestion::Outcome::Suggested) {
        threshold->setValue(suggestion.position);
        thresholdText = QString::fromStdString(suggestion.thresholdText);
        thresholdLabel->setText(thresholdText);
    }
    if (!suggestion.advice.empty()) {
        message += message.empty() ? "" : "\n\n";
        message += suggestion.advice;
    }
    if (!message.empty()) {
        host.ShowMessage(message, "Suggested threshold", MB_OK);
    }
}

void CQuernfoldDlg::OnAverageMethodClicked() {
    if (!IgnoringNotifications()) {
        useAverageMethod = averageMethod->isChecked() ? 1 : 0;
    }
}

void CQuernfoldDlg::OnMaximumMethodClicked() {
    if (!IgnoringNotifications()) {
        useAverageMethod = maximumMethod->isChecked() ? 0 : 1;
    }
}

void CQuernfoldDlg::OnBrowseInput() {
    QFileDialog dialog(this, QStringLiteral("Open"), QString(),
                       QStringLiteral("WAV Files (*.wav)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    inputPath = QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
    SetEditText(inputEdit, inputPath);
}

void CQuernfoldDlg::OnBrowseOutput() {
    QString folder;
    if (pickFolder && pickFolder(this, folder) == 1) {
        outputFolder = folder;
        SetEditText(outputEdit, outputFolder);
    }
}

void CQuernfoldDlg::OnAbout() {
    if (showAbout) {
        showAbout(this);
    }
}

bool CQuernfoldDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !IgnoringNotifications() && !running) {
        // Leaving the field commits. Switching to another window or opening a
        // menu does not leave it: the focus comes back to the same field.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            // After the focus change has finished, so a failing commit can put the
            // focus back.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (isVisible() && !running && !IgnoringNotifications()) {
                        UpdateData(true);
                    }
                },
                Qt::QueuedConnection);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CQuernfoldDlg::OnOK() {
    if (running || !initialised) {
        return;
    }
    if (!UpdateData(true)) {
        return;
    }
    SplitOptions options = HeldOptions();
    // The engine takes the two flags straight from the controls.
    options.trimSilence = trimBox->isChecked();
    options.useAverageMethod = averageMethod->isChecked();

    QScopedValueRollback<bool> busy(running, true);
    WindowHost host(this);
    if (ReviewWindowWanted()) {
        host.ReviewPlans([this](const std::string& text, bool average) {
            ApplyReviewedOptions(QString::fromStdString(text), average);
        });
    }
    RunSplitJob(options, host);
}

// The threshold and method the user settled on in the review window become the
// window's own, as if set here; Close saves them as usual.
void CQuernfoldDlg::ApplyReviewedOptions(const QString& text, bool average) {
    QScopedValueRollback<bool> quiet(exchanging, true);
    thresholdText = text;
    thresholdLabel->setText(thresholdText);
    threshold->setValue(CThresholdSlider::TextToPosition(text.toStdString()));
    useAverageMethod = average ? 1 : 0;
    (average ? averageMethod : maximumMethod)->setChecked(true);
}

void CQuernfoldDlg::OnCancel() {
    if (running) {
        return; // the window is disabled while the engine works
    }
    if (initialised) {
        UpdateData(true); // whatever the outcome, what is held is saved
        SaveOptions();
    }
    QDialog::reject();
}

void CQuernfoldDlg::accept() {
    OnOK();
}

void CQuernfoldDlg::reject() {
    OnCancel();
}

// Windows: the About item goes on the window's own system menu. Elsewhere the
// window manager owns that menu, so the item is offered in the window's context
// menu instead.
#ifdef Q_OS_WIN
// Included last: its macros would rename the engine's message-box constants.
#include <windows.h>

void CQuernfoldDlg::AddAboutItem() {
    const QString text = QString::fromUtf8(kAboutMenuText);
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr && !text.isEmpty()) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
}

bool CQuernfoldDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const auto* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == IDM_ABOUTBOX) {
        OnAbout();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#else
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
#endif
