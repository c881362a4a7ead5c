// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "WindowDriver.h"
#include "timeentry/TargetTime.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// ON and "Shut down" are always switched together.
QString armingButtons(const Alarm &window)
{
    if (window.Alarmon->isEnabled() != window.Shutdown->isEnabled())
        return "mixed";
    return window.Alarmon->isEnabled() ? "enabled" : "disabled";
}

} // namespace

class TargetTimeTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void picksGiveTheTarget_data()
    {
        columns<QString>({"hour", "minutes", "amPm", "target", "buttons"});
        row("after midnight", "00", "05", "AM", "0005", "enabled");
        row("after noon", "00", "05", "PM", "1205", "enabled");
        row("morning", "07", "30", "AM", "0730", "enabled");
        row("evening", "07", "30", "PM", "1930", "enabled");
        row("before noon", "11", "59", "AM", "1159", "enabled");
        row("latest", "11", "59", "PM", "2359", "enabled");
        row("earliest", "00", "00", "AM", "0000", "enabled");
        row("no AM/PM", "07", "30", "", "0730", "disabled");
        row("hour only", "07", "", "", "07", "unchanged");
        row("PM only", "", "", "PM", "12", "unchanged");
        row("no hour", "", "05", "PM", "1205", "unchanged");
        row("AM only", "", "", "AM", "", "unchanged");
    }
    void picksGiveTheTarget()
    {
        QFETCH(QString, hour);
        QFETCH(QString, minutes);
        QFETCH(QString, amPm);
        QFETCH(QString, target);
        QFETCH(QString, buttons);

        for (const bool enabledBefore : {false, true}) {
            open();
            window->Alarmon->setEnabled(enabledBefore);
            window->Shutdown->setEnabled(enabledBefore);
            pick(window->Hour, hour);
            pick(window->Minutes, minutes);
            pick(window->AM, amPm);
            QCOMPARE(window->Text1->text(), target);
            const QString before = enabledBefore ? "enabled" : "disabled";
            QCOMPARE(armingButtons(*window), buttons == "unchanged" ? before : buttons);
        }
        QCOMPARE(targetTimeText(hour, minutes, amPm), target);
    }

    // Every pick recomputes at once, also while the target is still partial.
    void oneListAtATime()
    {
        open();
        pick(window->AM, "PM");
        QCOMPARE(window->Text1->text(), "12");
        QCOMPARE(armingButtons(*window), "disabled");
        window->AM->setCurrentIndex(0);
        QCOMPARE(window->Text1->text(), "");
        pick(window->Hour, "07");
        QCOMPARE(window->Text1->text(), "07");
        pick(window->Minutes, "30");
        QCOMPARE(window->Text1->text(), "0730");
        QCOMPARE(armingButtons(*window), "enabled");
        pick(window->AM, "PM");
        QCOMPARE(window->Text1->text(), "1930");
        pick(window->AM, "AM");
        QCOMPARE(window->Text1->text(), "0730");
        pick(window->Hour, "00");
        QCOMPARE(window->Text1->text(), "0030");
        QCOMPARE(armingButtons(*window), "enabled");
    }

    void keysStepThroughTheEntries()
    {
        open();
        // From no selection the first key selects the first entry of each list.
        for (QComboBox *list : {window->Hour, window->Minutes, window->AM}) {
            QCOMPARE(armingButtons(*window), "disabled");
            QTest::keyClick(list, 'x');
            QCOMPARE(list->currentIndex(), 0);
        }
        QCOMPARE(window->Text1->text(), "0000");
        QCOMPARE(armingButtons(*window), "enabled");

        // The target follows inside the key handler, before it returns.
        QTest::keyClick(window->AM, 'x');
        QCOMPARE(window->AM->currentText(), "PM");
        QCOMPARE(window->Text1->text(), "1200");
        QTest::keyClick(window->AM, 'x');
        QCOMPARE(window->AM->currentText(), "AM");

        window->Hour->setCurrentIndex(5);
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(window->Hour, '#');
            QCOMPARE(window->Hour->currentIndex(), (6 + i) % 12);
        }
        QCOMPARE(window->Hour->currentText(), "05");
    }

    void keysWrapAtTheLastEntry_data()
    {
        QTest::addColumn<QString>("list");
        QTest::addColumn<int>("last");
        QTest::newRow("Hour") << "Hour" << 11;
        QTest::newRow("Minutes") << "Minutes" << 59;
        QTest::newRow("AM") << "AM" << 1;
    }
    void keysWrapAtTheLastEntry()
    {
        QFETCH(QString, list);
        QFETCH(int, last);
        open();
        auto *combo = window->findChild<QComboBox *>(list);
        combo->setCurrentIndex(last);
        QTest::keyClick(combo, 'z');
        QCOMPARE(combo->currentIndex(), 0);
        QTest::keyClick(combo, 'z');
        QCOMPARE(combo->currentIndex(), 1);
    }

    void pmHourWrapsToTwelve()
    {
        open();
        pick(window->Hour, "11");
        pick(window->Minutes, "45");
        pick(window->AM, "PM");
        QTest::keyClick(window->Hour, 'q');
        QCOMPARE(window->Text1->text(), "1245");
    }

    // Keys that type nothing keep the list's own behaviour and never step it.
    void keysWithoutCharacterDoNotStep()
    {
        open();
        window->Minutes->setCurrentIndex(10);
        for (const Qt::Key key : {Qt::Key_F5, Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_Meta})
            QTest::keyClick(window->Minutes, key);
        QCOMPARE(window->Minutes->currentIndex(), 10);
        QTest::keyClick(window->Minutes, Qt::Key_Down);
        QCOMPARE(window->Minutes->currentIndex(), 11);
        QTest::keyClick(window->Minutes, Qt::Key_Up);
        QCOMPARE(window->Minutes->currentIndex(), 10);
        QCOMPARE(window->Text1->text(), "10");
    }

    // Keys as the desktop delivers them, with their text: a key that types a printable character
    // steps the list once per press; editing, navigation and command keys keep the list's own
    // behaviour, which may move the selection or open the list.
    void eachKeyStepsOrKeepsTheListsOwn_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<QString>("text");
        columns<int>({"presses", "index"});
        QTest::addColumn<bool>("popup");
        auto row = [](const char *name, Qt::Key key, Qt::KeyboardModifiers modifiers, const QString &text,
                      int presses, int index, bool popup) {
            QTest::newRow(name) << int(key) << modifiers << text << presses << index << popup;
        };
        row("letter", Qt::Key_X, Qt::NoModifier, "x", 1, 11, false);
        row("capital", Qt::Key_X, Qt::ShiftModifier, "X", 1, 11, false);
        row("punctuation", Qt::Key_NumberSign, Qt::ShiftModifier, "#", 1, 11, false);
        row("Space", Qt::Key_Space, Qt::NoModifier, " ", 1, 11, false);
        row("Space four times", Qt::Key_Space, Qt::NoModifier, " ", 4, 14, false);
        row("letter four times", Qt::Key_X, Qt::NoModifier, "x", 4, 14, false);
        row("Delete", Qt::Key_Delete, Qt::NoModifier, "\x7f", 1, 10, false);
        row("Backspace", Qt::Key_Backspace, Qt::NoModifier, "\b", 1, 10, false);
        row("Enter", Qt::Key_Return, Qt::NoModifier, "\r", 1, 10, false);
        row("Escape", Qt::Key_Escape, Qt::NoModifier, "\x1b", 1, 10, false);
        row("Ctrl+X", Qt::Key_X, Qt::ControlModifier, "\x18", 1, 10, false);
        row("Alt+X", Qt::Key_X, Qt::AltModifier, "x", 1, 10, false);
        row("Down", Qt::Key_Down, Qt::NoModifier, "", 1, 11, false);
        row("End", Qt::Key_End, Qt::NoModifier, "", 1, 59, false);
        row("F4 opens the list", Qt::Key_F4, Qt::NoModifier, "", 1, 10, true);
    }
    void eachKeyStepsOrKeepsTheListsOwn()
    {
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(QString, text);
        QFETCH(int, presses);
        QFETCH(int, index);
        QFETCH(bool, popup);

        open();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        window->Minutes->setCurrentIndex(10);
        window->Minutes->setFocus();
        for (int i = 0; i < presses; ++i)
            QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key(key), text, modifiers);
        QCOMPARE(window->Minutes->currentIndex(), index);
        QCOMPARE(window->Minutes->view()->isVisible(), popup);
        QCOMPARE(window->Text1->text(), window->Minutes->currentText());
    }
};

QTEST_MAIN(TargetTimeTest)
#include "tst_targettime.moc"
