#include "DialogBuilder.h"

#include "ProgramIcon.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <vector>

namespace qtui {

DialogUnits::DialogUnits(const QFontMetrics& metrics) {
    // The average width of the Latin letters, rounded half up.
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    averageCharWidth = std::max(1, (metrics.horizontalAdvance(letters) / 26 + 1) / 2);
    charHeight = std::max(1, metrics.height());
}

QRect DialogUnits::ToPixels(int x, int y, int w, int h) const {
    return QRect(ToPixelsX(x), ToPixelsY(y), ToPixelsX(w), ToPixelsY(h));
}

QString StripMnemonic(const QString& text) {
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&' && i + 1 < text.size()) {
            ++i;
        }
        plain.append(text[i]);
    }
    return plain;
}

static bool HasMnemonic(const QString& text) {
    return !QKeySequence::mnemonic(text).isEmpty();
}

UpDownArrows::UpDownArrows(QLineEdit* buddyEdit, QWidget* parent)
    : QWidget(parent), buddy(buddyEdit), up(new QToolButton(this)), down(new QToolButton(this)) {
    for (QToolButton* button : {up, down}) {
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus); // the focus stays in the edit, as with Windows arrows
        button->setArrowType(button == up ? Qt::UpArrow : Qt::DownArrow);
        connect(button, &QToolButton::clicked, this,
                [this, button] { Step(button == up ? 1 : -1); });
    }
    buddy->installEventFilter(this);
}

void UpDownArrows::SetRange(int newMinimum, int newMaximum) {
    minimum = std::min(newMinimum, newMaximum);
    maximum = std::max(newMinimum, newMaximum);
}

void UpDownArrows::SetPos(int newPos) {
    pos = std::clamp(newPos, minimum, maximum);
    buddy->setText(QString::number(pos));
}

void UpDownArrows::Step(int direction) {
    bool isNumber = false;
    const long long typed = buddy->text().trimmed().toLongLong(&isNumber);
    const long long from = isNumber ? typed : pos;
    // A number outside the range first comes back to its nearest end; that is
    // the step, so the arrow never carries it past the limit.
    const bool inRange = from >= minimum && from <= maximum;
    SetPos(static_cast<int>(
        std::clamp<long long>(inRange ? from + direction : from, minimum, maximum)));
}

bool UpDownArrows::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy && event->type() == QEvent::KeyPress && isEnabled()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDownArrows::resizeEvent(QResizeEvent* event) {
    const int half = height() / 2;
    up->setGeometry(0, 0, width(), half);
    down->setGeometry(0, half, width(), height() - half);
    QWidget::resizeEvent(event);
}

namespace {

bool IsFocusable(ControlKind kind) {
    switch (kind) {
    case ControlKind::Static:
    case ControlKind::StaticIcon:
    case ControlKind::GroupBox:
    case ControlKind::UpDown:
        return false;
    default:
        return true;
    }
}

QWidget* CreateDefault(const DialogControl& control, QWidget* parent) {
    const QString text = QString::fromUtf8(control.text ? control.text : "");
    switch (control.kind) {
    case ControlKind::Static: {
        auto* label = new QLabel(parent);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment((control.style & StyleAlignRight ? Qt::AlignRight : Qt::AlignLeft) |
                            Qt::AlignTop);
        label->setText(text);
        return label;
    }
    case ControlKind::StaticIcon: {
        auto* label = new QLabel(parent);
        label->setPixmap(ProgramIconImage(32));
        return label;
    }
    case ControlKind::GroupBox:
        return new QGroupBox(text, parent);
    case ControlKind::Edit: {
        auto* edit = new QLineEdit(text, parent);
        edit->setFrame(control.style & StyleBorder);
        if (control.style & StyleNumber) {
            edit->setValidator(new QRegularExpressionValidator(
                QRegularExpression(QStringLiteral("[0-9]*")), edit));
        }
        return edit;
    }
    case ControlKind::PushButton:
    case ControlKind::DefPushButton: {
        auto* button = new QPushButton(text, parent);
        button->setDefault(control.kind == ControlKind::DefPushButton);
        return button;
    }
    case ControlKind::RadioButton:
        return new QRadioButton(text, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(text, parent);
    case ControlKind::Trackbar: {
        auto* slider = new QSlider(Qt::Horizontal, parent);
        if (control.style & StyleTicksBelow) {
            slider->setTickPosition(QSlider::TicksBelow);
        }
        return slider;
    }
    case ControlKind::UpDown:
        break; // made by the builder, which knows the edit before it
    }
    return nullptr;
}

// A group of radio buttons as the dialog manager treats it: Tab enters the group
// at its checked button (at its first while none is checked), and the arrow
// keys move to the next or previous button of the group and check it. Only the
// group's tab stop takes the focus from Tab, so the arrows are handled here.
class RadioGroupKeys : public QObject {
public:
    RadioGroupKeys(QButtonGroup* group, bool isTabStop)
        : QObject(group), group(group), isTabStop(isTabStop) {
        for (QAbstractButton* button : group->buttons()) {
            button->installEventFilter(this);
        }
        connect(group, &QButtonGroup::buttonToggled, this, [this] { UpdateTabStop(); });
        UpdateTabStop();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return false;
        }
        const int key = static_cast<QKeyEvent*>(event)->key();
        const int direction = key == Qt::Key_Up || key == Qt::Key_Left      ? -1
                              : key == Qt::Key_Down || key == Qt::Key_Right ? 1
                                                                            : 0;
        const QList<QAbstractButton*> buttons = group->buttons();
        const qsizetype count = buttons.size();
        const qsizetype from = buttons.indexOf(qobject_cast<QAbstractButton*>(watched));
        if (direction == 0 || from < 0) {
            return false;
        }
        for (qsizetype step = 1; step < count; ++step) {
            QAbstractButton* next = buttons[(from + direction * step + count * step) % count];
            if (next->isEnabled() && next->isVisible()) {
                next->click();
                next->setFocus(Qt::OtherFocusReason);
                break;
            }
        }
        return true;
    }

private:
    void UpdateTabStop() {
        const QList<QAbstractButton*> buttons = group->buttons();
        QAbstractButton* stop = group->checkedButton();
        if (stop == nullptr && !buttons.isEmpty()) {
            stop = buttons.constFirst();
        }
        for (QAbstractButton* button : buttons) {
            button->setFocusPolicy(isTabStop && button == stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }

    QButtonGroup* group;
    bool isTabStop;
};

// Dialog units follow the font's average letter width, but fonts differ in how
// wide their narrow letters are: with a wide desktop font a template's long
// labels would be cut off. Stretching every position and width by the same
// factor keeps the layout's proportions and lets every text fit.
void WidenToFitTexts(QDialog& dialog, const DialogControls& controls) {
    double factor = 1.0;
    for (QWidget* widget : controls.inTabOrder) {
        const bool hasText = qobject_cast<QLabel*>(widget) != nullptr ||
                             qobject_cast<QRadioButton*>(widget) != nullptr ||
                             qobject_cast<QCheckBox*>(widget) != nullptr;
        if (hasText && widget->width() > 0) {
            factor = std::max(factor, static_cast<double>(widget->sizeHint().width()) /
                                          static_cast<double>(widget->width()));
        }
    }
    if (factor <= 1.0) {
        return;
    }
    auto stretch = [factor](int x) { return static_cast<int>(std::lround(x * factor)); };
    for (QWidget* widget : controls.inTabOrder) {
        const QRect rect = widget->geometry();
        const int left = stretch(rect.left());
        widget->setGeometry(left, rect.top(), stretch(rect.left() + rect.width()) - left,
                            rect.height());
    }
    dialog.setFixedSize(stretch(dialog.width()), dialog.height());
}

// The up-down arrows sit at the right end of the edit before them, whatever
// their own position says, and take their width from it.
UpDownArrows* AttachArrows(QLineEdit* edit, const QRect& rect, QDialog& dialog) {
    auto* arrows = new UpDownArrows(edit, &dialog);
    const QRect editRect = edit->geometry();
    const int arrowWidth = std::min(rect.width(), editRect.width() / 2);
    edit->setGeometry(editRect.adjusted(0, 0, -arrowWidth, 0));
    arrows->setGeometry(editRect.right() - arrowWidth + 1, editRect.top(), arrowWidth,
                        editRect.height());
    return arrows;
}

// One control of the template, made and placed: the window's own class where
// the factory gives one, else the builder's default for its kind.
QWidget* CreateControl(const DialogControl& control, const DialogUnits& units, QDialog& dialog,
                       const ControlFactory& factory, QLineEdit* lastEdit) {
    const QRect rect = units.ToPixels(control.x, control.y, control.w, control.h);
    QWidget* widget = factory ? factory(control, &dialog) : nullptr;
    if (!widget && control.kind == ControlKind::UpDown && lastEdit) {
        return AttachArrows(lastEdit, rect, dialog);
    }
    if (!widget) {
        widget = CreateDefault(control, &dialog);
    }
    if (!widget) { // up-down arrows with no edit before them: nothing to attach to
        widget = new QWidget(&dialog);
    }
    if (control.kind != ControlKind::UpDown) {
        widget->setGeometry(rect);
        if (control.kind == ControlKind::StaticIcon) { // an icon keeps its own size
            widget->resize(widget->sizeHint());
        }
    }
    return widget;
}

// Every control of the template in tab order, radio buttons gathered into
// their groups (each group starts at a control with StyleGroup).
std::vector<QButtonGroup*> CreateControls(QDialog& dialog, const DialogTemplate& dialogTemplate,
                                          const ControlFactory& factory, DialogControls& made) {
    const DialogUnits units(dialog.fontMetrics());
    QLineEdit* lastEdit = nullptr;
    QButtonGroup* radioGroup = nullptr;
    std::vector<QButtonGroup*> radioGroups;
    for (std::size_t i = 0; i < dialogTemplate.controlCount; ++i) {
        const DialogControl& control = dialogTemplate.controls[i];
        if (control.style & StyleGroup) {
            radioGroup = nullptr;
        }
        QWidget* widget = CreateControl(control, units, dialog, factory, lastEdit);
        if (control.kind == ControlKind::Edit) {
            lastEdit = qobject_cast<QLineEdit*>(widget);
        }
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (!radioGroup) {
                radioGroups.push_back(radioGroup = new QButtonGroup(&dialog));
            }
            radio->setAutoExclusive(false);
            radioGroup->addButton(radio);
        }
        if (IsFocusable(control.kind)) {
            widget->setFocusPolicy(control.style & StyleTabStop ? Qt::StrongFocus : Qt::ClickFocus);
        }
        made.inTabOrder.push_back(widget);
        if (control.id != kNoControlId) {
            made.byId[control.id] = widget;
        }
    }
    return radioGroups;
}

// A label's buddy is the control after it; a label whose mnemonic leads nowhere
// shows its text without the marker.
void BindMnemonics(const DialogTemplate& dialogTemplate, const DialogControls& made) {
    for (std::size_t i = 0; i < made.inTabOrder.size(); ++i) {
        auto* label = qobject_cast<QLabel*>(made.inTabOrder[i]);
        const DialogControl& control = dialogTemplate.controls[i];
        if (!label || control.kind != ControlKind::Static || (control.style & StyleNoPrefix)) {
            continue;
        }
        const QString text = label->text();
        if (!text.contains(u'&')) {
            continue;
        }
        QWidget* next = i + 1 < made.inTabOrder.size() ? made.inTabOrder[i + 1] : nullptr;
        if (next && HasMnemonic(text) && IsFocusable(dialogTemplate.controls[i + 1].kind)) {
            label->setTextFormat(Qt::AutoText);
            label->setBuddy(next);
        } else {
            label->setText(StripMnemonic(text));
        }
    }
}

// Tab and the arrow keys in each radio group, as the dialog manager handles them.
void AddRadioGroupKeys(const std::vector<QButtonGroup*>& radioGroups) {
    for (QButtonGroup* group : radioGroups) {
        const QList<QAbstractButton*> buttons = group->buttons();
        const bool isTabStop =
            std::any_of(buttons.cbegin(), buttons.cend(), [](const QAbstractButton* button) {
                return (button->focusPolicy() & Qt::TabFocus) != 0;
            });
        new RadioGroupKeys(group, isTabStop);
    }
}

void SetTabOrder(const DialogTemplate& dialogTemplate, const DialogControls& made) {
    QWidget* previous = nullptr;
    for (std::size_t i = 0; i < made.inTabOrder.size(); ++i) {
        if (!IsFocusable(dialogTemplate.controls[i].kind)) {
            continue;
        }
        if (previous) {
            QWidget::setTabOrder(previous, made.inTabOrder[i]);
        }
        previous = made.inTabOrder[i];
    }
}

} // namespace

DialogControls BuildDialog(QDialog& dialog, const DialogTemplate& dialogTemplate,
                           const ControlFactory& factory) {
    const DialogUnits units(dialog.fontMetrics());
    dialog.setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    dialog.setFixedSize(units.ToPixelsX(dialogTemplate.width),
                        units.ToPixelsY(dialogTemplate.height));

    DialogControls made;
    const std::vector<QButtonGroup*> radioGroups =
        CreateControls(dialog, dialogTemplate, factory, made);
    BindMnemonics(dialogTemplate, made);
    AddRadioGroupKeys(radioGroups);
    SetTabOrder(dialogTemplate, made);
    WidenToFitTexts(dialog, made);
    return made;
}

} // namespace qtui
