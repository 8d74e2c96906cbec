// Lays out a dialog template on a QDialog. Positions and sizes are in dialog
// units: x × average character width / 4 and y × character height / 8 of the
// dialog's font, so a window keeps its proportions with any font; where the
// font's letters run wider than its average, the whole layout is stretched
// sideways by one factor until every label fits.
//
// The builder creates every control by kind in tab order and wires what the
// template implies (mnemonics and their buddies, digits-only edits, radio groups,
// up-down arrows on their edit, the default button). It does not connect any
// button: the window decides what OK and Cancel mean.
#pragma once

#include "DialogTemplate.h"

#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <vector>

class QDialog;
class QFontMetrics;
class QLineEdit;
class QToolButton;

namespace qtui {

// Converts dialog units to pixels for one font.
class DialogUnits {
public:
    explicit DialogUnits(const QFontMetrics& metrics);
    int ToPixelsX(int x) const { return x * averageCharWidth / 4; }
    int ToPixelsY(int y) const { return y * charHeight / 8; }
    QRect ToPixels(int x, int y, int w, int h) const;
    int averageCharWidth;
    int charHeight;
};

// Up-down arrows attached to an edit: they step the number in the edit within a
// range and write it back as plain decimal digits. The Up and Down keys step too
// while the edit has the focus. The edit stays a QLineEdit, so its text is
// exactly what the user typed until the arrows are used.
class UpDownArrows : public QWidget {
    Q_OBJECT
public:
    UpDownArrows(QLineEdit* buddy, QWidget* parent);

    void SetRange(int minimum, int maximum); // the range starts empty (0 to 0)
    void SetPos(int pos);                    // also writes the edit's text
    int Pos() const { return pos; }
    int Minimum() const { return minimum; }
    int Maximum() const { return maximum; }
    QLineEdit* Buddy() const { return buddy; }
    QToolButton* UpButton() const { return up; }
    QToolButton* DownButton() const { return down; }

    // One step up (+1) or down (-1) from the edit's number, or from the last
    // position when the edit holds no number, kept inside the range. A number
    // outside the range goes to the nearest end of it instead.
    void Step(int direction);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QLineEdit* buddy;
    QToolButton* up;
    QToolButton* down;
    int minimum = 0;
    int maximum = 0;
    int pos = 0;
};

// What the builder made: every control in tab order, and those with an id by id.
struct DialogControls {
    std::vector<QWidget*> inTabOrder; // one per template entry
    std::map<int, QWidget*> byId;

    QWidget* Find(int id) const {
        auto it = byId.find(id);
        return it == byId.end() ? nullptr : it->second;
    }
    template <class Widget> Widget* Get(int id) const { return qobject_cast<Widget*>(Find(id)); }
};

// Lets a window put its own widget class in place of the builder's default for
// a control (a trackbar subclass, say). Returning nullptr keeps the default.
using ControlFactory = std::function<QWidget*(const DialogControl&, QWidget* parent)>;

// Builds every control of the template as a child of dialog, sets the caption
// and fixes the dialog's size. Call once, on an empty dialog.
DialogControls BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate,
                           const ControlFactory& factory = {});

// The text with its mnemonic markers removed ("&&" stays as one '&').
QString StripMnemonic(const QString& text);

} // namespace qtui
