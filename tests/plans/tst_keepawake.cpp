// SPDX-License-Identifier: MIT
// What the plans hold of the computer's sleep, on the fake platform: idle sleep held off from ON
// or Shut down until OFF or the window closes, with a reason a person can read; a wake-up for the
// alarm alone, set for 90 s before its minute and never sooner than 30 s after the sleep begins;
// and the user told when nothing can wake the computer.
#include "DataRow.h"
#include "WindowDriver.h"

#include <QPushButton>
#include <QTest>

class KeepAwakeTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void heldFromArmingUntilOff_data()
    {
        QTest::addColumn<PlanButton>("plan");
        QTest::addColumn<QTime>("target");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<bool>("wakes");
        row("alarm", PlanButton(&Alarm::Alarmon), QTime(19, 30), QString("Alarm at 7:30 PM"), true);
        row("shut-down", PlanButton(&Alarm::Shutdown), QTime(23, 0), QString("Shut-down at 11:00 PM"), false);
        row("just after midnight", PlanButton(&Alarm::Alarmon), QTime(0, 5), QString("Alarm at 12:05 AM"),
            true);
    }

    void heldFromArmingUntilOff()
    {
        QFETCH(PlanButton, plan);
        QFETCH(QTime, target);
        QFETCH(QString, reason);
        QFETCH(bool, wakes);
        arm(plan, target, QTime(12, 0));
        tick(5);
        QCOMPARE(platform.idleSleepReasons, QStringList{reason});
        QCOMPARE(platform.idleSleepHeldFor, reason);
        QCOMPARE(platform.wakesFromSleep(), wakes);

        window->Alarmoff->click();
        QCOMPARE(platform.idleSleepHeldFor, QString());
        QVERIFY(!platform.wakesFromSleep());
        // Armed again, then the window is closed: a closed window holds nothing.
        (window.get()->*plan)->click();
        QCOMPARE(platform.idleSleepHeldFor, reason);
        window.reset();
        QCOMPARE(platform.idleSleepHeldFor, QString());
        QVERIFY(!platform.wakesFromSleep());
    }

    void ringingHoldsIdleSleepOffAndWakesNothing()
    {
        arm(&Alarm::Alarmon, QTime(7, 30), QTime(7, 29, 59));
        tickAt(QTime(7, 30));
        QCOMPARE(window->planState(), PlanState::Ringing);
        QCOMPARE(platform.idleSleepHeldFor, QString("Alarm at 7:30 AM"));
        QVERIFY(!platform.announceSleep());
        window->Alarmoff->click();
        QCOMPARE(platform.idleSleepHeldFor, QString());
    }

    void wakesBeforeTheAlarmsMinute_data()
    {
        QTest::addColumn<QTime>("asleep");
        QTest::addColumn<qint64>("wakeDelay");
        row("ten minutes ahead", QTime(19, 20), qint64(600 - 90));
        row("late in the evening: tomorrow", QTime(23, 0), qint64(20 * 3600 + 1800 - 90));
        row("a minute past it: tomorrow", QTime(19, 31), qint64(24 * 3600 - 60 - 90));
        row("a minute ahead: 30 s at least", QTime(19, 29), qint64(30));
        row("in its minute: due now", QTime(19, 30, 20), qint64(30));
    }

    void wakesBeforeTheAlarmsMinute()
    {
        QFETCH(QTime, asleep);
        QFETCH(qint64, wakeDelay);
        arm(&Alarm::Alarmon, QTime(19, 30), QTime(18, 0));
        platform.time = asleep;
        QCOMPARE(platform.announceSleep(), std::optional<qint64>(wakeDelay));
        QVERIFY(platform.notices.isEmpty());
    }

    void withoutAWayToWakeTheUserIsToldBeforeEachSleep()
    {
        arm(&Alarm::Alarmon, QTime(7, 30), QTime(23, 0));
        platform.canWake = false;
        QVERIFY(!platform.announceSleep());
        QCOMPARE(platform.openNotices().size(), 1);
        QCOMPARE(platform.openNotices()[0].summary,
                 QString("The alarm at 7:30 AM can ring only if the computer is awake"));
        QCOMPARE(platform.errors.size(), 1);
        QVERIFY(platform.errors[0].startsWith("the alarm at 7:30 AM can ring only if the computer is awake"));
        // The plan goes on; the next sleep is told again.
        QCOMPARE(window->planState(), PlanState::AlarmArmed);
        platform.announceSleep();
        QCOMPARE(platform.notices.size(), 2);
    }
};

QTEST_MAIN(KeepAwakeTest)
#include "tst_keepawake.moc"
