#include "CTrackList.h"

#include "PlanReview.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QSignalBlocker>

namespace qtui {

CTrackList::CTrackList(ReviewModel& reviewModel, QWidget* parent)
    : QTableWidget(0, kColumnCount, parent), review(reviewModel) {
    setHorizontalHeaderLabels({QStringLiteral("No."), QStringLiteral("Start"),
                               QStringLiteral("Length"), QStringLiteral("File name"),
                               QStringLiteral("Title")});
    setAccessibleName(QStringLiteral("Tracks"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed | QAbstractItemView::SelectedClicked);
    setTabKeyNavigation(true);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setSectionResizeMode(kTitle, QHeaderView::Stretch);
    connect(this, &QTableWidget::itemChanged, this, &CTrackList::OnItemChanged);
    connect(this, &QTableWidget::currentCellChanged, this, [this](int row) {
        if (!filling && row >= 0) {
            emit TrackSelected(static_cast<std::uint32_t>(row + 1));
        }
    });
}

void CTrackList::ShowTracks() {
    filling = true;
    const QSignalBlocker blocker(this);
    const std::uint32_t rate = review.Source().sampleRate;
    const std::vector<SegmentSpan> spans =
        review.TrackCount() > 0 ? review.Spans() : std::vector<SegmentSpan>();
    setRowCount(static_cast<int>(spans.size()));
    for (std::uint32_t i = 0; i < spans.size(); ++i) {
        const auto fixed = [](const QString& text) {
            auto* item = new QTableWidgetItem(text);
            item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
            return item;
        };
        const int row = static_cast<int>(i);
        setItem(row, kNumber, fixed(QString::number(i + 1)));
        setItem(row, kStart,
                fixed(QString::fromStdString(FormatTime(spans[i].firstFrame, rate, true))));
        setItem(row, kLength,
                fixed(QString::fromStdString(
                    FormatTime(spans[i].endFrame - spans[i].firstFrame, rate, true))));
        setItem(row, kFileName, fixed(QString()));
        auto* title = new QTableWidgetItem(QString::fromStdString(review.Title(i + 1)));
        title->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
        title->setData(Qt::AccessibleTextRole, QStringLiteral("Title of track %1").arg(i + 1));
        setItem(row, kTitle, title);
    }
    ShowFileNames();
    filling = false;
}

void CTrackList::ShowFileNames() {
    const bool wasFilling = filling;
    filling = true;
    const QSignalBlocker blocker(this);
    for (int row = 0; row < rowCount(); ++row) {
        const auto track = static_cast<std::uint32_t>(row + 1);
        QString name = QString::fromStdString(review.FileName(track));
        if (review.Replaces(track)) {
            name += QStringLiteral(" (replaces)");
        }
        item(row, kFileName)->setText(name);
        item(row, kFileName)
            ->setToolTip(review.Replaces(track)
                             ? QStringLiteral("A file of this name is in the output folder")
                             : QString());
    }
    filling = wasFilling;
    viewport()->update();
}

void CTrackList::SelectTrack(std::optional<std::uint32_t> track) {
    filling = true;
    if (track && *track >= 1 && *track <= static_cast<std::uint32_t>(rowCount())) {
        setCurrentCell(static_cast<int>(*track - 1), kTitle);
    } else {
        clearSelection();
    }
    filling = false;
}

void CTrackList::OnItemChanged(QTableWidgetItem* changed) {
    if (filling || changed->column() != kTitle) {
        return;
    }
    review.SetTitle(static_cast<std::uint32_t>(changed->row() + 1), changed->text().toStdString());
    ShowFileNames();
    emit TitleEdited();
}

void CTrackList::CommitTyping() {
    if (state() != EditingState) {
        return;
    }
    for (QWidget* editor : viewport()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (editor->isVisible()) {
            commitData(editor);
            closeEditor(editor, QAbstractItemDelegate::NoHint);
        }
    }
}

// Return in a title being typed ends the typing (the editor's own handling
// takes the title); it does not reach the window's default button, OK.
void CTrackList::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        state() == EditingState) {
        event->accept();
        return;
    }
    QTableWidget::keyPressEvent(event);
}

// The keyboard arrives at a title, so typing names the track at once.
void CTrackList::focusInEvent(QFocusEvent* event) {
    QTableWidget::focusInEvent(event);
    if (rowCount() > 0 && (!currentIndex().isValid() || currentIndex().column() != kTitle)) {
        setCurrentCell(std::max(0, currentRow()), kTitle);
    }
}

// Tab and Shift+Tab go from title to title; past the last (or before the first)
// the focus leaves the list.
QModelIndex CTrackList::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    if (action != MoveNext && action != MovePrevious) {
        return QTableWidget::moveCursor(action, modifiers);
    }
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    const bool onTitle = currentIndex().isValid() && currentIndex().column() == kTitle;
    const int next =
        action == MoveNext ? (onTitle ? row + 1 : std::max(row, 0)) : (onTitle ? row - 1 : row);
    if (next < 0 || next >= rowCount()) {
        return QModelIndex();
    }
    return model()->index(next, kTitle);
}

} // namespace qtui
