// The dialog builder: dialog units, mnemonics and buddies, digits-only edits,
// up-down arrows on their edit, radio groups, the default button, tab order.
#include "DialogBuilder.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QToolButton>
#include <QtTest>

#include <iterator>

using namespace qtui;

namespace {

constexpr DialogControl kControls[] = {
    {kNoControlId, ControlKind::Static, "&Length:", 10, 10, 40, 8, StyleGroup | StyleAlignRight},
    {1, ControlKind::Edit, "500", 60, 8, 60, 14, StyleBorder | StyleTabStop | StyleNumber},
    {2, ControlKind::UpDown, "", 200, 200, 11, 14, StyleNone},
    {3, ControlKind::Static, "Tom && Jerry", 10, 30, 60, 8, StyleNoPrefix},
    {kNoControlId, ControlKind::Static, "&Orphan label", 10, 40, 60, 8, StyleGroup},
    {4, ControlKind::RadioButton, "&First", 10, 50, 60, 10, StyleGroup | StyleTabStop},
    {5, ControlKind::RadioButton, "&Second", 10, 62, 60, 10, StyleTabStop},
    {6, ControlKind::RadioButton, "&Third", 10, 74, 60, 10, StyleGroup | StyleTabStop},
    {7, ControlKind::CheckBox, "&Trim", 10, 86, 60, 10, StyleTabStop},
    {8, ControlKind::Trackbar, "", 10, 98, 100, 16, StyleTicksBelow | StyleTabStop},
    {9, ControlKind::DefPushButton, "&Go", 150, 8, 50, 14, StyleTabStop},
    {10, ControlKind::PushButton, "&Stop", 150, 26, 50, 14, StyleTabStop},
    {11, ControlKind::Edit, "", 60, 120, 60, 14, StyleBorder | StyleTabStop},
};

const DialogTemplate kTemplate = {"Test box", 220, 140, kControls, std::size(kControls)};

class SliderSubclass : public QSlider {
public:
    using QSlider::QSlider;
};

} // namespace

class DialogBuilderTest : public QObject {
    Q_OBJECT
private slots:
    void convertsDialogUnitsWithTheDialogFont() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(dialog, kTemplate);
        const DialogUnits units(dialog.fontMetrics());
        QVERIFY(units.averageCharWidth > 0 && units.charHeight > 0);
        QCOMPARE(dialog.windowTitle(), QString("Test box"));
        QCOMPARE(dialog.size(),
                 QSize(220 * units.averageCharWidth / 4, 140 * units.charHeight / 8));
        QCOMPARE(controls.Find(9)->geometry(), units.ToPixels(150, 8, 50, 14));
        QCOMPARE(controls.inTabOrder.size(), std::size(kControls));

        // A bigger font gives a proportionally bigger dialog.
        QDialog big;
        QFont font = big.font();
        font.setPointSize(font.pointSize() * 2);
        big.setFont(font);
        BuildDialog(big, kTemplate);
        QVERIFY(big.width() > dialog.width() && big.height() > dialog.height());
    }

    void mnemonicsGetBuddiesAndOrphansLoseTheirMarker() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(dialog, kTemplate);
        auto* length = qobject_cast<QLabel*>(controls.inTabOrder[0]);
        QCOMPARE(length->buddy(), controls.Find(1));
        QVERIFY(length->alignment() & Qt::AlignRight);
        QCOMPARE(controls.Get<QLabel>(3)->text(), QString("Tom && Jerry")); // shown as typed
        QVERIFY(controls.Get<QLabel>(3)->buddy() == nullptr);
        auto* orphan = qobject_cast<QLabel*>(controls.inTabOrder[4]);
        // Its next control is a radio button, which takes focus: it becomes the buddy.
        QCOMPARE(orphan->buddy(), controls.Find(4));

        QCOMPARE(StripMnemonic("&Output directory:"), QString("Output directory:"));
        QCOMPARE(StripMnemonic("Tom && Jerry"), QString("Tom & Jerry"));
    }

    void numberEditTakesDigitsOnlyAndTheArrowsStepWithinTheRange() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(dialog, kTemplate);
        dialog.show();
        auto* edit = controls.Get<QLineEdit>(1);
        auto* arrows = controls.Get<UpDownArrows>(2);
        QVERIFY(arrows);
        QCOMPARE(arrows->Buddy(), edit);

        // The arrows sit at the edit's right edge, inside its template width.
        const DialogUnits units(dialog.fontMetrics());
        const QRect editArea = units.ToPixels(60, 8, 60, 14);
        QCOMPARE(arrows->geometry().right(), editArea.right());
        QCOMPARE(edit->geometry().left(), editArea.left());
        QCOMPARE(edit->geometry().right() + 1, arrows->geometry().left());
        QCOMPARE(arrows->geometry().top(), edit->geometry().top());

        edit->clear();
        edit->setFocus();
        QTest::keyClicks(edit, "1a2-3");
        QCOMPARE(edit->text(), QString("123"));

        arrows->SetRange(1, 125);
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->text(), QString("124"));
        QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
        QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
        QCOMPARE(edit->text(), QString("125")); // stops at the maximum
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(edit->text(), QString("124"));

        // Typed values are not clamped until the arrows are used; then a value
        // outside the range goes to its nearest end, never past it.
        const struct {
            const char* typed;
            int key;
            const char* shown;
        } outside[] = {{"9999", Qt::Key_Down, "125"}, {"9999", Qt::Key_Up, "125"},
                       {"0", Qt::Key_Up, "1"},        {"0", Qt::Key_Down, "1"},
                       {"126", Qt::Key_Down, "125"},  {"1", Qt::Key_Down, "1"}};
        for (const auto& row : outside) {
            edit->setText(row.typed);
            QCOMPARE(edit->text(), QString(row.typed));
            QTest::keyClick(edit, row.key);
            QCOMPARE(edit->text(), QString(row.shown));
        }
        edit->setText("0");
        QTest::mouseClick(arrows->UpButton(), Qt::LeftButton);
        QCOMPARE(edit->text(), QString("1"));
        edit->clear(); // no number: the arrows go on from their last position
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(edit->text(), QString("2"));
        arrows->SetPos(0);
        QCOMPARE(edit->text(), QString("1"));
    }

    void radioGroupsStartAtTheGroupStyle() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(dialog, kTemplate);
        auto* first = controls.Get<QRadioButton>(4);
        auto* second = controls.Get<QRadioButton>(5);
        auto* third = controls.Get<QRadioButton>(6);
        first->setChecked(true);
        third->setChecked(true); // a group of its own
        QVERIFY(first->isChecked());
        second->click();
        QVERIFY(!first->isChecked());
        QVERIFY(third->isChecked());
    }

    // Tab enters a group at its checked button; the arrows move and check within it.
    void checkedRadioButtonIsTheGroupsTabStop() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(dialog, kTemplate);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        auto* first = controls.Get<QRadioButton>(4);
        auto* second = controls.Get<QRadioButton>(5);
        second->click();
        const std::pair<int, int> steps[] = {{1, 5}, {5, 6}};
        for (const auto& [from, to] : steps) {
            controls.Find(from)->setFocus();
            QTest::keyClick(controls.Find(from), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), controls.Find(to));
        }
        controls.Find(6)->setFocus();
        QTest::keyClick(controls.Find(6), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), second);

        QTest::keyClick(second, Qt::Key_Up);
        QCOMPARE(QApplication::focusWidget(), first);
        QVERIFY(first->isChecked() && !second->isChecked());
        QTest::keyClick(first, Qt::Key_Up); // round to the group's last button
        QCOMPARE(QApplication::focusWidget(), second);
        QVERIFY(second->isChecked());
        controls.Find(1)->setFocus();
        QTest::keyClick(controls.Find(1), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), second);
    }

    void defaultButtonTabOrderAndFactory() {
        QDialog dialog;
        const DialogControls controls = BuildDialog(
            dialog, kTemplate, [](const DialogControl& control, QWidget* parent) -> QWidget* {
                if (control.kind == ControlKind::Trackbar) {
                    return new SliderSubclass(Qt::Horizontal, parent);
                }
                return nullptr;
            });
        QVERIFY(dynamic_cast<SliderSubclass*>(controls.Find(8)));
        QVERIFY(controls.Get<QPushButton>(9)->isDefault());
        QVERIFY(!controls.Get<QPushButton>(10)->isDefault());
        QCOMPARE(controls.Get<QCheckBox>(7)->text(), QString("&Trim"));

        // Enter in an edit presses the default button.
        bool pressed = false;
        QObject::connect(controls.Get<QPushButton>(9), &QPushButton::clicked,
                         [&pressed] { pressed = true; });
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        controls.Get<QLineEdit>(11)->setFocus();
        QTest::keyClick(controls.Get<QLineEdit>(11), Qt::Key_Return);
        QVERIFY(pressed);

        // Tab walks the focusable controls in template order.
        const std::pair<int, int> steps[] = {{1, 4}, {9, 10}, {10, 11}};
        for (const auto& [from, to] : steps) {
            controls.Find(from)->setFocus();
            QTest::keyClick(controls.Find(from), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), controls.Find(to));
        }
    }
};

QTEST_MAIN(DialogBuilderTest)
#include "DialogBuilderTest.moc"
