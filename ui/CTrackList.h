// The tracks under the review window's waveform, one row each: number, start,
// length, file name and title. Only the title can be edited, and Tab goes from
// one title to the next; the file names follow the titles as they are typed.
#pragma once

#include "ReviewModel.h"

#include <QTableWidget>

namespace qtui {

class CTrackList : public QTableWidget {
    Q_OBJECT

public:
    enum Column { kNumber, kStart, kLength, kFileName, kTitle, kColumnCount };

    CTrackList(ReviewModel& review, QWidget* parent = nullptr);

    // The plan changed: one row per file it writes (none for a plan without a cut).
    void ShowTracks();
    // A title being typed is taken as it stands (OK pressed meanwhile).
    void CommitTyping();
    // Selects the row of a file (1-based) without telling anyone.
    void SelectTrack(std::optional<std::uint32_t> track);

signals:
    // The user selected the row of this file (1-based).
    void TrackSelected(std::uint32_t track);
    // A title was typed: the names may have changed.
    void TitleEdited();

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void focusInEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OnItemChanged(QTableWidgetItem* item);
    void ShowFileNames();

    ReviewModel& review;
    bool filling = false; // items set by the program are not the user's edits
};

} // namespace qtui
