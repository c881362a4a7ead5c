// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "WindowDriver.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

class WindowTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void windowIsFixedAndTitled()
    {
        open();
        QCOMPARE(window->objectName(), "Alarm");
        QCOMPARE(window->windowTitle(), "ALARM");
        QCOMPARE(window->size(), QSize(193, 133));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        const QList<QSize> iconSizes = window->windowIcon().availableSizes();
        QVERIFY(iconSizes.contains(QSize(16, 16)) && iconSizes.contains(QSize(32, 32)));
    }

    // Geometry in pixels, texts, tooltips and states as the window is drawn before anything runs.
    void controlsAtCreation_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        columns<QString>({"caption", "toolTip"});
        QTest::addColumn<int>("fontPixels");
        columns<bool>({"enabled", "visible"});
        auto row = [](const char *name, QRect rect, const char *caption, QString tip, int px, bool enabled,
                      bool visible) {
            QTest::newRow(name) << name << rect << caption << tip << px << enabled << visible;
        };
        row("Details", {144, 56, 41, 25}, "?", "Click for details...   ", 16, true, true);
        row("Shutdown", {56, 56, 81, 25}, "Shut down", "Click to set, shut down plan.   ", 15, false, true);
        row("AM", {136, 24, 49, 25}, "", "Select AM / PM", 15, true, true);
        row("Minutes", {72, 24, 57, 25}, "", "Set minutes", 15, true, true);
        row("Hour", {8, 24, 57, 25}, "", "Set hour", 15, true, true);
        row("Alarmon", {8, 56, 41, 25}, "ON", "Click to on, alarm.   ", 15, false, true);
        row("Alarmoff", {8, 56, 41, 25}, "OFF", "Click to off, alarm.   ", 15, true, false);
        row("Text1", {96, 160, 10, 13}, "", "", 0, true, false);
        row("Text2", {96, 160, 10, 13}, "", "", 0, true, false);
        row("Label6", {80, 88, 105, 21}, "", "Time set for alarm   ", 15, true, true);
        row("Label5", {7, 88, 69, 17}, "Time set :", "Time set for alarm   ", 15, true, true);
        row("Label4", {-8, 112, 209, 25}, "Velmora", "", 15, true, true);
        row("Label3", {136, 8, 51, 15}, "AM / PM", "Select AM / PM   ", 13, true, true);
        row("Label1", {16, 8, 35, 17}, "Hour", "Set hour   ", 15, true, true);
        row("Label2", {72, 8, 57, 17}, "Minutes", "Set minutes   ", 15, true, true);
    }
    void controlsAtCreation()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, caption);
        QFETCH(QString, toolTip);
        QFETCH(int, fontPixels);
        QFETCH(bool, enabled);
        QFETCH(bool, visible);

        open();
        auto *control = window->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), geometry);
        QCOMPARE(control->isEnabled(), enabled);
        QCOMPARE(control->isVisibleTo(window.get()), visible);
        if (auto *button = qobject_cast<QPushButton *>(control)) {
            QCOMPARE(button->text(), caption);
            QVERIFY(!button->isDefault() && !button->autoDefault());
        } else if (auto *label = qobject_cast<QLabel *>(control)) {
            QCOMPARE(label->text(), caption);
            QVERIFY(label->alignment() & Qt::AlignHCenter);
            QVERIFY(label->autoFillBackground());
            QCOMPARE(label->palette().color(QPalette::Window), window->palette().color(QPalette::Button));
            QCOMPARE(label->focusPolicy(), Qt::NoFocus);
        } else if (auto *text = qobject_cast<HiddenTextField *>(control)) {
            QVERIFY(text->text().isEmpty());
        }
        if (name == "Label4")
            QVERIFY(control->toolTip().startsWith("Velmora") && control->toolTip().endsWith(".   "));
        else
            QCOMPARE(control->toolTip(), toolTip);
        if (fontPixels) {
            const QFontInfo font(control->font());
            QCOMPARE(font.pixelSize(), fontPixels);
            QVERIFY(font.bold());
            QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());
            QCOMPARE(control->font().family(), "Times New Roman");
        }
    }

    void listsHoldFixedEntriesAndNoSelection()
    {
        open();
        const QList<QPair<QComboBox *, QStringList>> lists{
            {window->Hour, {"00", "01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11"}},
            {window->AM, {"AM", "PM"}},
        };
        for (const auto &[list, entries] : lists) {
            QStringList actual;
            for (int i = 0; i < list->count(); ++i)
                actual << list->itemText(i);
            QCOMPARE(actual, entries);
        }
        QCOMPARE(window->Minutes->count(), 60);
        QCOMPARE(window->Minutes->itemText(0), "00");
        QCOMPARE(window->Minutes->itemText(59), "59");
        for (QComboBox *list : {window->Hour, window->Minutes, window->AM}) {
            QCOMPARE(list->currentIndex(), -1);
            QCOMPARE(list->currentText(), "");
            QVERIFY(!list->isEditable());
            QCOMPARE(list->palette().color(QPalette::Base), window->palette().color(QPalette::Button));
            QCOMPARE(list->palette().color(QPalette::ButtonText), QColor(Qt::black));
        }
    }

    void onlyTheClockTickRunsAtCreation()
    {
        open();
        const QList<std::tuple<QTimer *, const char *, int, bool, Qt::TimerType>> timers{
            {window->Timer1, "Timer1", 100, false, Qt::CoarseTimer},
            {window->Timer2, "Timer2", 100, false, Qt::CoarseTimer},
            {window->Timer3, "Timer3", 1000, true, Qt::CoarseTimer},
            {window->Timer4, "Timer4", 2000, false, Qt::PreciseTimer},
        };
        for (const auto &[timer, name, interval, running, type] : timers) {
            QCOMPARE(timer->objectName(), name);
            QCOMPARE(timer->interval(), interval);
            QCOMPARE(timer->isActive(), running);
            QCOMPARE(timer->timerType(), type);
        }
        QCOMPARE(window->planState(), PlanState::Idle);
    }

    void tabOrderSkipsWhatCannotTakeTheFocus()
    {
        open();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(QApplication::focusWidget(), window->Details);

        // ON and "Shut down" are disabled and OFF hidden at first, so Tab from AM wraps to "?".
        QStringList order;
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Hour", "Minutes", "AM", "Details"}));

        window->Alarmon->setEnabled(true);
        window->Shutdown->setEnabled(true);
        window->Alarmoff->show();
        order.clear();
        for (int i = 0; i < 7; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Hour", "Minutes", "AM", "Alarmon", "Alarmoff", "Shutdown", "Details"}));
    }

    void screenReadersCanTellControlsApart()
    {
        open();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QSet<QString> names;
        for (QWidget *control : window->findChildren<QWidget *>()) {
            if (!control->isVisible())
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            const QString name = accessible->text(QAccessible::Name);
            QVERIFY2(!name.isEmpty() || control == window->Label6, qPrintable(control->objectName()));
            // A caption and the list it names share the name; their roles tell them apart.
            const QString roleAndName = QString::number(accessible->role()) + ":" + name;
            if (!name.isEmpty())
                QVERIFY2(!names.contains(roleAndName), qPrintable(roleAndName));
            names.insert(roleAndName);
        }
        const QString list = QString::number(QAccessible::ComboBox) + ":";
        QVERIFY(names.contains(list + "Hour") && names.contains(list + "Minutes") &&
                names.contains(list + "AM / PM"));
        QVERIFY(window->accessibleName().isEmpty());
    }

    // The greeting comes before the window appears, once, and the window opens centred.
    void loadsBeforeFirstShownThenCentres()
    {
        open();
        bool visibleDuringGreeting = true;
        platform.whileBoxOpen = [&] { visibleDuringGreeting = window->isVisible(); };
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(platform.callsStartingWith("box:").size(), 1);
        QVERIFY(!visibleDuringGreeting);
        const QPoint centre = window->screen()->availableGeometry().center();
        QVERIFY((window->geometry().center() - centre).manhattanLength() <= 2);

        window->hide();
        window->show();
        QCOMPARE(platform.callsStartingWith("box:").size(), 1);
    }
};

QTEST_MAIN(WindowTest)
#include "tst_window.moc"
