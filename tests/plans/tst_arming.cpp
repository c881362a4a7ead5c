// SPDX-License-Identifier: MIT
#include "WindowDriver.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// One column of the window's control states, as the person and the watches see it.
struct ControlStates {
    bool alarmWatch, shutdownWatch, ringing;
    bool onVisible, onEnabled, offVisible;
    QString offTip;
    bool shutdownEnabled;
    int listsEnabled, labelsEnabled; // how many of the three
    QString timeSetTips;             // Label5's and Label6's

    bool operator==(const ControlStates &) const = default;
};

QDebug operator<<(QDebug debug, const ControlStates &s)
{
    return debug << "timers" << s.alarmWatch << s.shutdownWatch << s.ringing << "ON" << s.onVisible
                 << s.onEnabled << "OFF" << s.offVisible << s.offTip << "Shut down" << s.shutdownEnabled
                 << "lists" << s.listsEnabled << "labels" << s.labelsEnabled << s.timeSetTips;
}

char *toString(const ControlStates &s)
{
    QString text;
    QDebug(&text) << s;
    return qstrdup(text.toUtf8().constData());
}

ControlStates statesOf(const Alarm &w)
{
    const int listsEnabled = w.Hour->isEnabled() + w.Minutes->isEnabled() + w.AM->isEnabled();
    const int labelsEnabled = w.Label1->isEnabled() + w.Label2->isEnabled() + w.Label3->isEnabled();
    return {w.Timer1->isActive(),
            w.Timer2->isActive(),
            w.Timer4->isActive(),
            w.Alarmon->isVisibleTo(&w),
            w.Alarmon->isEnabled(),
            w.Alarmoff->isVisibleTo(&w),
            w.Alarmoff->toolTip(),
            w.Shutdown->isEnabled(),
            listsEnabled,
            labelsEnabled,
            w.Label5->toolTip() + "|" + w.Label6->toolTip()};
}

const QString kOffAlarm = "Click to off, alarm.   ";
const QString kOffShutdown = "Click to cancel, shut down plan.   ";
const QString kForAlarm = "Time set for alarm   |Time set for alarm   ";
const QString kForShutdown = "Time set for shut down   |Time set for shut down   ";

const ControlStates kIdleAtStart{false, false, false, true, false, false, kOffAlarm, false, 3, 3, kForAlarm};
const ControlStates kIdleAfterOff{false, false, false, true, true, false, kOffAlarm, true, 3, 3, kForAlarm};
const ControlStates kAlarmArmed{true, false, false, false, true, true, kOffAlarm, false, 0, 0, kForAlarm};
const ControlStates kRinging{false, false, true, false, true, true, kOffAlarm, false, 0, 0, kForAlarm};
const ControlStates kShutdownArmed{false,        true,  false, false, true,        true,
                                   kOffShutdown, false, 0,     0,     kForShutdown};

} // namespace

class ArmingTest : public WindowDriver
{
    Q_OBJECT

private:
    // A window with 07:30 PM picked, and the clock on 19:00.
    void freshWindow()
    {
        open(QTime(19, 0));
        pickTarget(QTime(19, 30));
        window->Timer3_Timer();
    }
    // The alarm watch fires as it does at the target minute.
    void ring()
    {
        window->Alarmon_Click();
        platform.setTime(19, 30);
        window->Timer3_Timer();
        window->Timer1_Timer();
    }

private slots:
    void everyStateHasItsControlStates_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<PlanState>("state");
        QTest::addColumn<ControlStates>("expected");
        QTest::newRow("ON") << "on" << PlanState::AlarmArmed << kAlarmArmed;
        QTest::newRow("ON, watching") << "on watch" << PlanState::AlarmArmed << kAlarmArmed;
        QTest::newRow("ringing") << "ring" << PlanState::Ringing << kRinging;
        QTest::newRow("Shut down") << "shutdown" << PlanState::ShutdownArmed << kShutdownArmed;
        QTest::newRow("Shut down, watching")
            << "shutdown watch" << PlanState::ShutdownArmed << kShutdownArmed;
        QTest::newRow("OFF after ON") << "on off" << PlanState::Idle << kIdleAfterOff;
        QTest::newRow("OFF while ringing") << "ring off" << PlanState::Idle << kIdleAfterOff;
        QTest::newRow("OFF after Shut down") << "shutdown off" << PlanState::Idle << kIdleAfterOff;
        QTest::newRow("ON again after OFF") << "shutdown off on" << PlanState::AlarmArmed << kAlarmArmed;
    }
    void everyStateHasItsControlStates()
    {
        QFETCH(QString, steps);
        QFETCH(PlanState, state);
        QFETCH(ControlStates, expected);
        freshWindow();
        for (const QString &step : steps.split(' ')) {
            if (step == "on")
                window->Alarmon->click();
            else if (step == "shutdown")
                window->Shutdown->click();
            else if (step == "off")
                window->Alarmoff->click();
            else if (step == "ring")
                ring();
            else if (step == "watch" && window->Timer1->isActive())
                window->Timer1_Timer();
            else if (step == "watch" && window->Timer2->isActive())
                window->Timer2_Timer();
        }
        QCOMPARE(window->planState(), state);
        QCOMPARE(statesOf(*window), expected);
    }

    void startsIdle()
    {
        open();
        QCOMPARE(window->planState(), PlanState::Idle);
        QCOMPARE(statesOf(*window), kIdleAtStart);
    }

    // Cancelling keeps the chosen time; arming again uses it unchanged.
    void offKeepsTheChosenTime()
    {
        freshWindow();
        window->Alarmon->click();
        window->Alarmoff->click();
        QCOMPARE(window->Hour->currentText(), "07");
        QCOMPARE(window->Minutes->currentText(), "30");
        QCOMPARE(window->AM->currentText(), "PM");
        QCOMPARE(window->Text1->text(), "1930");
        window->Alarmon->click();
        ring();
        QCOMPARE(platform.callsStartingWith("speak:"), QStringList({"speak:Now thetime is    7:30:00 PM"}));
    }

    // While the lists are greyed out they still show the chosen values.
    void armedListsKeepTheirValues()
    {
        freshWindow();
        window->Shutdown->click();
        QCOMPARE(window->Hour->currentText(), "07");
        QVERIFY(!window->Hour->isEnabled());
        QVERIFY(window->Shutdown->isVisibleTo(window.get()));
    }

    // The watches put back the armed look at every tick, whatever changed it.
    void watchesReapplyTheArmedLook()
    {
        freshWindow();
        window->Alarmon->click();
        window->Hour->setEnabled(true);
        window->Alarmon->show();
        window->Alarmoff->hide();
        window->Timer1_Timer();
        QCOMPARE(statesOf(*window), kAlarmArmed);

        window->Alarmoff->click();
        window->Shutdown->click();
        window->Label1->setEnabled(true);
        window->Shutdown->setEnabled(true);
        window->Timer2_Timer();
        QCOMPARE(statesOf(*window), kShutdownArmed);
    }

    // The button pressed hides or greys itself, and the keyboard focus moves on to the next
    // control that can take it. Where it lands is what a keyboard user works from next.
    void focusMovesOnFromThePressedButton_data()
    {
        QTest::addColumn<QString>("buttons");
        QTest::addColumn<bool>("byMouse");
        QTest::addColumn<QString>("focus");
        QTest::newRow("ON") << "Alarmon" << false << "Alarmoff";
        QTest::newRow("OFF after ON") << "Alarmon Alarmoff" << false << "Shutdown";
        QTest::newRow("Shut down") << "Shutdown" << false << "Details";
        QTest::newRow("OFF after Shut down") << "Shutdown Alarmoff" << false << "Shutdown";
        QTest::newRow("ON, clicked") << "Alarmon" << true << "Alarmoff";
        QTest::newRow("OFF after ON, clicked") << "Alarmon Alarmoff" << true << "Shutdown";
        QTest::newRow("Shut down, clicked") << "Shutdown" << true << "Details";
    }
    void focusMovesOnFromThePressedButton()
    {
        QFETCH(QString, buttons);
        QFETCH(bool, byMouse);
        QFETCH(QString, focus);
        freshWindow();
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        for (const QString &name : buttons.split(' ')) {
            auto *button = window->findChild<QPushButton *>(name);
            if (byMouse) {
                QTest::mouseClick(button, Qt::LeftButton);
            } else {
                button->setFocus();
                QTest::keyClick(button, Qt::Key_Space);
            }
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }
};

QTEST_MAIN(ArmingTest)
#include "tst_arming.moc"
