#include "CPlanReviewWnd.h"

#include "CThresholdSlider.h"
#include "CTrackList.h"
#include "CWaveformView.h"
#include "ClipPlayer.h"
#include "Messages.h"
#include "OptionSettings.h"
#include "ProcessServices.h"
#include "ThresholdScale.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

namespace qtui {

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A name typed without an extension is given ".txt"; replacing a file is asked first.
QString LabelFileDialog(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent, QString::fromUtf8(messages::kSaveLabelsCaption), suggested,
                       QStringLiteral("Label files (*.txt);;All files (*)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("txt"));
    dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return QString();
    }
    return dialog.selectedFiles().constFirst();
}

} // namespace

CPlanReviewWnd::CPlanReviewWnd(const SplitHost::PlanToConfirm& proposal, SettingsStore& store,
                               QWidget* parent)
    : QDialog(parent), bitsPerSample(proposal.bitsPerSample), recordingPath(proposal.inputFile),
      outputFolderPath(process::CurrentDirectory()), chooseLabelFile(LabelFileDialog),
      settings(store), model(std::make_unique<ReviewModel>(
                           proposal.options, proposal.plan,
                           ReviewModel::Recording{proposal.frameCount, proposal.sampleRate,
                                                  proposal.bitsPerSample})),
      viewport(proposal.frameCount, proposal.sampleRate), player(new ClipPlayer(this)),
      listening(std::make_unique<Listening>(proposal.frameCount, proposal.sampleRate,
                                            player->HasDevice())) {
    setWindowTitle(QString::fromUtf8(messages::kReadyCaption));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setSizeGripEnabled(true);

    ListOutputFolder(proposal.options);
    BuildControls();
    ConnectControls();
    RestoreSize();
    ShowPlan();
    StartAnalysis(proposal);
    waveform->setFocus(Qt::OtherFocusReason);
}

CPlanReviewWnd::~CPlanReviewWnd() {
    reanalyzer.reset(); // no result arrives for a window that is gone
    delete player;      // before the listening it reports to
    player = nullptr;
}

// The files in the output folder now: the bands whose file is among them are
// marked, and the summary counts them.
void CPlanReviewWnd::ListOutputFolder(const SplitOptions& options) {
    // Start made the output folder the working directory.
    const QDir folder = options.outputFolder.empty()
                            ? QDir::current()
                            : QDir(QString::fromStdString(options.outputFolder));
    std::vector<std::string> names;
    for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        names.push_back(name.toStdString());
    }
    model->SetExistingFiles(names);
}

// The waveform with its scroll bar on top, growing with the window; then the
// analysis and edit rows, the tracks, the summary, the status line and the
// buttons.
void CPlanReviewWnd::BuildControls() {
    waveform = new CWaveformView(*model, viewport, this);
    scroll = new QScrollBar(Qt::Horizontal, this);
    scroll->setAccessibleName(QStringLiteral("Scroll the waveform"));
    hover = PlainLabel(QStringLiteral(" "), this);
    hover->setAccessibleName(QStringLiteral("Position under the pointer"));

    tracks = new CTrackList(*model, this);
    summary = new QGridLayout;
    summary->setHorizontalSpacing(16);
    status = PlainLabel(QString(), this);
    status->setAccessibleName(QStringLiteral("Status"));
    status->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    ok = buttons->button(QDialogButtonBox::Ok);
    ok->setDefault(true);
    ok->setAccessibleName(QStringLiteral("OK: write the files"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* top = new QWidget(this);
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->addWidget(waveform, 1);
    topLayout->addWidget(scroll);
    topLayout->addWidget(hover);
    // The user shares the height between the waveform and the tracks.
    auto* list = new QWidget(this);
    auto* listLayout = new QVBoxLayout(list);
    listLayout->setContentsMargins(0, 0, 0, 0);
    auto* listCaption = new QLabel(QStringLiteral("Trac&ks and titles:"), list);
    listCaption->setBuddy(tracks);
    listLayout->addWidget(listCaption);
    listLayout->addWidget(tracks, 1);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->addWidget(top);
    split->addWidget(list);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);

    auto* bottom = new QHBoxLayout;
    bottom->addLayout(summary);
    bottom->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(split, 1);
    layout->addLayout(BuildAnalysisRow());
    layout->addLayout(BuildEditRow());
    layout->addLayout(bottom);
    layout->addWidget(status);
    layout->addWidget(buttons);
}

// Threshold, method and the amplitude view.
QLayout* CPlanReviewWnd::BuildAnalysisRow() {
    auto* caption = new QLabel(QStringLiteral("Silence &threshold:"), this);
    slider = new CThresholdSlider(this);
    slider->setAccessibleName(QStringLiteral("Silence threshold"));
    caption->setBuddy(slider);
    thresholdLabel = PlainLabel(QString(), this);
    thresholdLabel->setMinimumWidth(thresholdLabel->fontMetrics().horizontalAdvance("0.00 %  "));
    average = new QRadioButton(QStringLiteral("&Average noise"), this);
    average->setAccessibleName(QStringLiteral("Average noise method"));
    maximum = new QRadioButton(QStringLiteral("&Maximum noise"), this);
    maximum->setAccessibleName(QStringLiteral("Maximum noise method"));
    auto* methods = new QButtonGroup(this);
    methods->addButton(average);
    methods->addButton(maximum);
    linear = new QPushButton(QStringLiteral("&Linear view"), this);
    linear->setCheckable(true);
    linear->setAccessibleName(QStringLiteral("Linear amplitude view"));
    linear->setToolTip(QStringLiteral("Switch between the dB and the linear view (L)"));
    ShowThresholdControls();

    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(slider, 1);
    row->addWidget(thresholdLabel);
    row->addSpacing(12);
    row->addWidget(average);
    row->addWidget(maximum);
    row->addSpacing(12);
    row->addWidget(linear);
    return row;
}

// Snapping, tracks by count, the play buttons, undo and redo.
QLayout* CPlanReviewWnd::BuildEditRow() {
    snap = new QCheckBox(QStringLiteral("S&nap to quiet"), this);
    snap->setAccessibleName(QStringLiteral("Snap moved and added cuts to the quietest window"));
    snap->setChecked(model->Snapping());
    auto* before = new QLabel(QStringLiteral("This side &has"), this);
    trackCount = new QSpinBox(this);
    trackCount->setRange(1, 999);
    trackCount->setValue(static_cast<int>(std::max<std::uint32_t>(1, model->TrackCount())));
    trackCount->setAccessibleName(QStringLiteral("This side has N tracks"));
    before->setBuddy(trackCount);
    auto* after = new QLabel(QStringLiteral("tracks"), this);
    splitIntoTracks = new QPushButton(QStringLiteral("&Split"), this);
    splitIntoTracks->setAccessibleName(QStringLiteral("Split into that many tracks"));
    splitIntoTracks->setAutoDefault(false);
    undo = new QPushButton(QStringLiteral("&Undo"), this);
    undo->setAccessibleName(QStringLiteral("Undo"));
    undo->setAutoDefault(false);
    redo = new QPushButton(QStringLiteral("&Redo"), this);
    redo->setAccessibleName(QStringLiteral("Redo"));
    redo->setAutoDefault(false);
    // Alt+L is the linear view's.
    saveLabels = new QPushButton(QStringLiteral("Sa&ve labels..."), this);
    saveLabels->setAccessibleName(QStringLiteral("Save the cuts as a label file"));
    saveLabels->setToolTip(
        QStringLiteral("Save the cuts as labels for an audio editor or the command line's --cuts"));
    saveLabels->setAutoDefault(false);
    linear->setAutoDefault(false);

    auto* row = new QHBoxLayout;
    row->addWidget(snap);
    row->addSpacing(12);
    row->addWidget(before);
    row->addWidget(trackCount);
    row->addWidget(after);
    row->addWidget(splitIntoTracks);
    row->addSpacing(12);
    AddPlayButtons(row);
    row->addStretch(1);
    row->addWidget(saveLabels);
    row->addSpacing(12);
    row->addWidget(undo);
    row->addWidget(redo);
    return row;
}

// A button per play action around the selected cut; disabled, with the reason
// as its tooltip, where nothing can play.
void CPlanReviewWnd::AddPlayButtons(QHBoxLayout* row) {
    for (const ListenControl& control : kListenControls) {
        if (control.label == nullptr) {
            continue;
        }
        auto* button = new QPushButton(QString::fromUtf8(control.label), this);
        button->setAutoDefault(false);
        button->setFocusPolicy(Qt::TabFocus);
        playButtons.emplace_back(control.action, button);
        connect(button, &QPushButton::clicked, this, [this, action = control.action] {
            Listen(listening->PlayAroundCut(action, model->SelectedCutFrame()));
        });
        row->addWidget(button);
    }
}

QPushButton* CPlanReviewWnd::PlayButton(ListenAction action) const {
    for (const auto& [buttonAction, button] : playButtons) {
        if (buttonAction == action) {
            return button;
        }
    }
    return nullptr;
}

void CPlanReviewWnd::Listen(const Listening::Command& command) {
    Listening::CarryOut(command, reanalyzer.get(), *player);
    ShowListening();
}

void CPlanReviewWnd::OnClip(std::uint64_t request, std::shared_ptr<const PlaybackClip> clip) {
    listening->ClipArrived(request, std::move(clip), *player);
    ShowListening();
}

void CPlanReviewWnd::ShowListening() {
    waveform->SetPlayLine(listening->PlayLineFrame());
    const QString reason = QString::fromUtf8(listening->DisabledReason());
    for (const auto& [action, button] : playButtons) {
        button->setEnabled(listening->CanPlay());
        button->setToolTip(reason);
    }
}

void CPlanReviewWnd::ConnectControls() {
    connect(slider, &QSlider::valueChanged, this, [this] { OnThresholdMoved(); });
    for (QRadioButton* method : {average, maximum}) {
        connect(method, &QRadioButton::toggled, this, [this](bool on) {
            if (on) {
                RequestAnalysis();
            }
        });
    }
    connect(linear, &QPushButton::toggled, this, [this](bool on) {
        waveform->SetAmplitudeView(on ? AmplitudeView::Linear : AmplitudeView::Decibels);
    });
    connect(snap, &QCheckBox::toggled, this, [this](bool on) { model->SetSnapping(on); });
    connect(splitIntoTracks, &QPushButton::clicked, this, [this] { OnSplitIntoTracks(); });
    connect(undo, &QPushButton::clicked, this, [this] { UndoOrRedo(false); });
    connect(redo, &QPushButton::clicked, this, [this] { UndoOrRedo(true); });
    connect(saveLabels, &QPushButton::clicked, this, [this] { OnSaveLabels(); });
    // Window-wide, but a title being typed keeps its own undo.
    for (const QKeySequence& keys : {QKeySequence(Qt::CTRL | Qt::Key_Z)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this] { UndoOrRedo(false); });
    }
    for (const QKeySequence& keys :
         {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}) {
        connect(new QShortcut(keys, this), &QShortcut::activated, this,
                [this] { UndoOrRedo(true); });
    }
    connect(new QShortcut(QKeySequence(Qt::Key_L), waveform, nullptr, nullptr, Qt::WidgetShortcut),
            &QShortcut::activated, linear, &QPushButton::toggle);
    ConnectWaveform();
    ConnectListening();
}

// The waveform, its scroll bar and the track list follow one another.
void CPlanReviewWnd::ConnectWaveform() {
    connect(waveform, &CWaveformView::ViewChanged, this, [this] {
        UpdateScrollBar();
        UpdatePicture();
    });
    connect(waveform, &CWaveformView::Edited, this, &CPlanReviewWnd::OnEdited);
    connect(waveform, &CWaveformView::SelectionChanged, this, [this] { SyncSelection(); });
    connect(waveform, &CWaveformView::ThresholdDragged, slider, &QSlider::setValue);
    connect(waveform, &CWaveformView::Hovered, this, [this](const QString& text) {
        hover->setText(text.isEmpty() ? QStringLiteral(" ") : text);
    });
    connect(scroll, &QScrollBar::valueChanged, this, [this](int value) {
        const std::uint32_t unit = ScrollUnit(model->Source().frameCount);
        const std::uint32_t span = viewport.EndFrame() - viewport.FirstFrame();
        const auto first = static_cast<std::uint32_t>(std::uint64_t{unit} * value);
        if (first != viewport.FirstFrame()) {
            viewport.Show(first, first + span);
            waveform->update();
            UpdatePicture();
        }
    });
    connect(tracks, &CTrackList::TrackSelected, this, [this](std::uint32_t track) {
        // A track's row selects the cut it starts at, and brings its start into view.
        model->SelectCut(track >= 2 ? std::optional<std::size_t>(track - 2) : std::nullopt);
        const std::vector<SegmentSpan> spans = model->Spans();
        if (track >= 1 && track <= spans.size()) {
            viewport.EnsureVisible(spans[track - 1].firstFrame);
            UpdateScrollBar();
            UpdatePicture();
        }
        waveform->PlanChanged();
    });
    connect(tracks, &CTrackList::TitleEdited, this, [this] { ShowSummary(); });
}

// Space and the play keys on the waveform, and the player's progress.
void CPlanReviewWnd::ConnectListening() {
    connect(waveform, &CWaveformView::PlayToggled, this,
            [this] { Listen(listening->TogglePlay(model->SelectedCutFrame())); });
    connect(waveform, &CWaveformView::PlayRequested, this,
            [this](ListenAction action, std::uint32_t frame) {
                Listen(action == ListenAction::Band
                           ? listening->PlayBandAt(model->Spans(), frame)
                           : listening->PlayAroundCut(action, model->SelectedCutFrame()));
            });
    connect(player, &ClipPlayer::Played, this, [this](quint32 frames) {
        listening->Played(frames);
        waveform->SetPlayLine(listening->PlayLineFrame());
    });
    connect(player, &ClipPlayer::Finished, this, [this](bool deviceFailed) {
        listening->Finished(deviceFailed);
        ShowListening();
    });
    ShowListening();
}

// The re-analysis reads only the recording the review opened. It measures the
// level of every window at once (the picture is drawn from that table), and
// plans each new threshold or method from it.
void CPlanReviewWnd::StartAnalysis(const SplitHost::PlanToConfirm& proposal) {
    QPointer<CPlanReviewWnd> self(this);
    const auto onPlan = [self](const PlanReanalyzer::Result& result) {
        QMetaObject::invokeMethod(
            self, [self, result] { self->OnAnalysed(result); }, Qt::QueuedConnection);
    };
    const auto onLevels = [self](std::shared_ptr<const LevelTable> table) {
        QMetaObject::invokeMethod(
            self, [self, table] { self->OnLevels(table); }, Qt::QueuedConnection);
    };
    const auto onStrip = [self](const PlanReanalyzer::Strip& strip) {
        auto shown = strip.complete ? std::make_shared<const WaveOverview>(strip.overview)
                                    : std::shared_ptr<const WaveOverview>();
        QMetaObject::invokeMethod(
            self,
            [self, generation = strip.generation, shown] { self->OnStrip(generation, shown); },
            Qt::QueuedConnection);
    };
    const auto onClip = [self](std::uint64_t request, std::shared_ptr<const PlaybackClip> clip) {
        QMetaObject::invokeMethod(
            self, [self, request, clip] { self->OnClip(request, clip); }, Qt::QueuedConnection);
    };
    reanalyzer = std::make_unique<PlanReanalyzer>(proposal.options, *proposal.reader, onPlan,
                                                  onLevels, onStrip, onClip);
}

void CPlanReviewWnd::OnThresholdMoved() {
    thresholdLabel->setText(QString::fromStdString(ThresholdTextForPosition(slider->value())));
    RequestAnalysis();
}

void CPlanReviewWnd::RequestAnalysis() {
    if (!reanalyzer) {
        return; // still being built
    }
    const std::string text = ThresholdTextForPosition(slider->value());
    model->AnalysisRequested(reanalyzer->Request(text, average->isChecked()));
    // The line follows the slider at once; the bands follow the new plan.
    waveform->SetThreshold(ThresholdLevel(text, JudgedBits(bitsPerSample)), average->isChecked());
    ShowAnalysing();
    ok->setEnabled(false);
}

// The bands greyed and the caption saying so while the levels are measured or
// a plan is awaited; the bare caption means the window shows its final plan.
void CPlanReviewWnd::ShowAnalysing() {
    const bool busy = model->Analysing() || model->LevelsPending();
    const QString what = QString::fromUtf8(model->LevelsPending() ? messages::kReviewMeasuring
                                                                  : messages::kReviewAnalysing);
    waveform->SetAnalysing(busy, what);
    const QString caption = QString::fromUtf8(messages::kReadyCaption);
    setWindowTitle(busy ? caption + QStringLiteral(" (") + what + QStringLiteral(")") : caption);
}

void CPlanReviewWnd::OnAnalysed(const PlanReanalyzer::Result& result) {
    if (result.complete) {
        model->AnalysisArrived(result.generation, result.plan, result.options.thresholdText,
                               result.options.useAverageMethod);
    } else {
        // The shown plan stays, with the threshold and method that made it.
        model->AnalysisFailed(result.generation);
        status->setText(QString::fromUtf8(messages::kReadAgainFailed));
    }
    ShowPlan();
}

void CPlanReviewWnd::OnLevels(std::shared_ptr<const LevelTable> table) {
    if (!table) {
        status->setText(QString::fromUtf8(messages::kLevelsUnavailable));
    }
    model->SetLevels(std::move(table));
    ShowPlan();
    UpdatePicture();
}

void CPlanReviewWnd::OnStrip(std::uint64_t request, std::shared_ptr<const WaveOverview> strip) {
    if (request == stripRequest && strip) {
        waveform->SetOverview(std::move(strip));
        showsStrip = true;
    }
}

void CPlanReviewWnd::OnEdited(const EditResult& result) {
    status->setText(result.done ? QString() : QString::fromStdString(result.problem));
    ShowPlan();
}

void CPlanReviewWnd::OnSplitIntoTracks() {
    const EditResult result =
        model->SplitIntoTracks(static_cast<std::uint32_t>(trackCount->value()));
    status->setText(QString::fromStdString(result.problem));
    ShowPlan();
}

void CPlanReviewWnd::UndoOrRedo(bool forward) {
    if (forward ? model->Redo() : model->Undo()) {
        status->clear();
        ShowPlan();
    }
}

void CPlanReviewWnd::OnSaveLabels() {
    if (!model->CanSaveLabels()) {
        return;
    }
    const QString folder = QString::fromStdString(outputFolderPath);
    const QString path =
        chooseLabelFile(this, QDir(folder.isEmpty() ? QStringLiteral(".") : folder)
                                  .filePath(QString::fromStdString(model->LabelFileName())));
    if (path.isEmpty()) {
        return;
    }
    const LabelSaveResult result =
        model->SaveLabels(path.toStdString(), recordingPath,
                          outputFolderPath.empty() ? std::string(".") : outputFolderPath);
    if (result.saved) {
        status->setText(QString::fromStdString(result.text));
        return;
    }
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(messages::kSaveLabelsCaption),
                    QString::fromStdString(result.text), QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText); // paths are shown as they are
    box.exec();
}

void CPlanReviewWnd::UpdatePicture() {
    const LevelTable* table = model->Levels();
    if (table == nullptr) {
        return;
    }
    const auto columns = static_cast<std::uint32_t>(waveform->PlotRect().width());
    const std::uint32_t first = viewport.FirstFrame();
    const std::uint32_t end = viewport.EndFrame();
    if (!ViewCloserThanLevels(viewport, *table, columns) || !reanalyzer) {
        ++stripRequest; // a strip on its way is no longer wanted
        showsStrip = false;
        waveform->SetOverview(std::make_shared<WaveOverview>(OverviewFromLevels(
            *table, model->Source().sampleRate, first, end, columns, model->Plan().windowFrames)));
        return;
    }
    // Closer than the table's windows: the few frames in view, read exactly.
    stripRequest = reanalyzer->RequestStrip(first, end, columns);
}

void CPlanReviewWnd::UpdateScrollBar() {
    const QSignalBlocker blocker(scroll);
    const std::uint32_t unit = ScrollUnit(model->Source().frameCount);
    const std::uint32_t span = viewport.EndFrame() - viewport.FirstFrame();
    scroll->setRange(0, static_cast<int>((model->Source().frameCount - span) / unit));
    scroll->setPageStep(static_cast<int>(std::max<std::uint32_t>(1, span / unit)));
    scroll->setSingleStep(std::max(1, scroll->pageStep() / 10));
    scroll->setValue(static_cast<int>(viewport.FirstFrame() / unit));
}

void CPlanReviewWnd::ShowPlan() {
    ShowThresholdControls();
    const ReviewState& state = model->State();
    waveform->SetThreshold(ThresholdLevel(state.thresholdText, JudgedBits(bitsPerSample)),
                           state.useAverageMethod);
    ShowAnalysing();
    waveform->PlanChanged();
    tracks->ShowTracks();
    ShowSummary();
    SyncSelection();
    ok->setEnabled(model->CanWrite());
    undo->setEnabled(model->CanUndo());
    redo->setEnabled(model->CanRedo());
    saveLabels->setEnabled(model->CanSaveLabels());
    splitIntoTracks->setEnabled(model->HasLevels() && !model->Analysing());
    if (const std::optional<std::string> problem = model->WriteProblem();
        problem && !model->Analysing() && status->text().isEmpty()) {
        status->setText(QString::fromStdString(*problem));
    }
}

// The slider and the method show the shown plan's analysis (undo may bring an
// older one back); moving them programmatically asks for no new analysis.
void CPlanReviewWnd::ShowThresholdControls() {
    if (model->Analysing()) {
        return; // the controls show what was asked for
    }
    const ReviewState& state = model->State();
    const QSignalBlocker sliderBlocker(slider);
    const QSignalBlocker averageBlocker(average);
    const QSignalBlocker maximumBlocker(maximum);
    slider->setValue(ThresholdPositionForText(state.thresholdText));
    thresholdLabel->setText(QString::fromStdString(state.thresholdText));
    (state.useAverageMethod ? average : maximum)->setChecked(true);
}

// The report's rows in two aligned columns; a row without a value spans both.
void CPlanReviewWnd::ShowSummary() {
    while (QLayoutItem* item = summary->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    int row = 0;
    // Labels added to a window on screen are shown at once, not when the
    // event loop next runs.
    const auto add = [this](const std::string& text, int atRow, int column, int span) {
        QLabel* label = PlainLabel(QString::fromStdString(text), this);
        summary->addWidget(label, atRow, column, 1, span);
        label->show();
    };
    for (const SummaryRow& line : model->Summary()) {
        if (line.label.empty() && line.value.empty()) {
            continue; // the report's blank lines: the grid spaces its rows itself
        }
        if (line.value.empty()) {
            add(line.label, row++, 0, 2);
            continue;
        }
        add(line.label, row, 0, 1);
        add(line.value, row++, 1, 1);
    }
}

QString CPlanReviewWnd::SummaryText() const {
    QStringList lines;
    for (const SummaryRow& row : model->Summary()) {
        lines << QString::fromStdString(row.value.empty() ? row.label
                                                          : row.label + "\t" + row.value);
    }
    return lines.join(QLatin1Char('\n'));
}

void CPlanReviewWnd::SyncSelection() {
    const std::optional<std::size_t> cut = model->SelectedCut();
    tracks->SelectTrack(cut ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*cut + 2))
                            : std::nullopt);
}

SplitHost::ChosenPlan CPlanReviewWnd::Chosen() const {
    return model->Chosen();
}

void CPlanReviewWnd::RestoreSize() {
    const WindowSize size = ReadWindowSize(settings, kReviewWindowName)
                                .value_or(WindowSize{kDefaultWidth, kDefaultHeight});
    resize(std::max(minimumSizeHint().width(), size.width),
           std::max(minimumSizeHint().height(), size.height));
    openedSize = this->size();
}

// Every way out keeps the size the user gave the window; an unchanged size is
// not written again.
void CPlanReviewWnd::done(int result) {
    Listen(listening->Stop());
    tracks->CommitTyping();
    if (size() != openedSize) {
        SaveWindowSize(settings, kReviewWindowName, WindowSize{width(), height()});
    }
    QDialog::done(result);
}

} // namespace qtui
