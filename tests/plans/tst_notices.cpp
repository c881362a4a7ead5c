// SPDX-License-Identifier: MIT
// What the plans tell the user outside the window, and when: the warning before a shut-down (through
// a notification service of the tests' own on a private bus), target minutes the clock skipped,
// and shut-downs that could not be carried out. All on the fake clock; nothing is ever started.
#include "BusLink.h"
#include "DataRow.h"
#include "DesktopNotifications.h"
#include "LocaleTimeText.h"
#include "NotificationServer.h"
#include "WindowDriver.h"
#include "app/HhmmText.h"

#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(SoundCheck)

namespace {

const QString kScript = "/opt/alarm/Shut down.bat";
const QString kWarning = "The computer will power off at 11:59 PM";

// What a person sees of the window, and which timers run in it.
QStringList controlStates(Alarm &window)
{
    QStringList states;
    for (QWidget *control : window.findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        states << QStringLiteral("%1 visible=%2 enabled=%3 tip=%4")
                      .arg(control->objectName())
                      .arg(control->isVisibleTo(&window))
                      .arg(control->isEnabled())
                      .arg(control->toolTip());
    for (QTimer *timer : window.findChildren<QTimer *>())
        states << QStringLiteral("%1 running=%2").arg(timer->objectName()).arg(timer->isActive());
    return states;
}

} // namespace

class NoticesTest : public WindowDriver
{
    Q_OBJECT

private:
    std::unique_ptr<NotificationServer> server;
    std::unique_ptr<DesktopNotifications> notifications;

    // Notices go on to the test's own service, running or not.
    void useNotificationService(bool running = true)
    {
        if (running)
            QVERIFY(server->start());
        notifications = std::make_unique<DesktopNotifications>(
            std::make_unique<BusLink>(server->address(), QStringLiteral("alarm-notices")),
            [this](const QString &line) { platform.printError(line); });
        platform.desktopNotices = notifications.get();
    }
    void armShutdownAt(QTime clock) { arm(&Alarm::Shutdown, QTime(23, 59), clock); }
    int warningId()
    {
        const QList<QJsonObject> notify = server->calls("Notify");
        return notify.isEmpty() ? 0 : notify.last().value("id").toInt();
    }

private slots:
    void initTestCase() { server = std::make_unique<NotificationServer>(); }

    void cleanup()
    {
        window.reset();
        notifications.reset();
        server->stop();
        reset();
    }

    void warnsInTheMinuteBeforeTheShutdown()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 57, 30));
        tick(10);
        tickAt(QTime(23, 57, 59), 10);
        QVERIFY(platform.notices.isEmpty());

        tickAt(QTime(23, 58, 0), 10);
        QTRY_COMPARE(server->calls("Notify").size(), 1);
        const QJsonObject notify = server->calls("Notify").first();
        QCOMPARE(notify["app"].toString(), "ALARM");
        QCOMPARE(notify["summary"].toString(), kWarning);
        QVERIFY(
            notify["body"].toString().contains("at 11:59 PM and close running applications without asking"));
        QVERIFY(notify["body"].toString().contains("choose Cancel shut-down, or press OFF"));
        QCOMPARE(notify["urgency"].toInt(), 2);
        QCOMPARE(notify["timeout"].toInt(), 0);
        QCOMPARE(notify["actions"].toArray().size(), 2);
        QCOMPARE(notify["actions"].toArray()[1].toString(), "Cancel shut-down");
        tickAt(QTime(23, 58, 59), 10);
        QCOMPARE(platform.notices.size(), 1);

        // The target minute takes the warning back and carries the plan out. (Checked before waiting
        // for the service: meanwhile the window's own watch would start the script again.)
        tickAt(QTime(23, 59, 0));
        QCOMPARE(platform.callsStartingWith("start:"), QStringList({"start:" + kScript}));
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);
        QCOMPARE(server->calls("CloseNotification").first()["id"], notify["id"]);

        // Still running a day later, the computer is warned about again.
        for (int minute = 0; minute < 24 * 60 - 1; ++minute) {
            platform.advance(60'000);
            tick();
        }
        QCOMPARE(platform.time, QTime(23, 58, 0));
        QTRY_COMPARE(server->calls("Notify").size(), 2);
    }

    void armedLessThanAMinuteAheadWarnsAtOnce()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 58, 45));
        // The window's own watch timer, within its first ticks.
        QTRY_COMPARE_WITH_TIMEOUT(server->calls("Notify").size(), 1, 2000);
        QCOMPARE(server->calls("Notify").first()["summary"].toString(), kWarning);
    }

    void theActionCancelsExactlyAsOffDoes()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 58, 30));
        tick();
        QTRY_VERIFY(warningId() != 0);
        server->pickAction(warningId(), server->calls("Notify").first()["actions"].toArray()[0].toString());
        QTRY_COMPARE(window->planState(), PlanState::Idle);
        const QStringList afterAction = controlStates(*window);

        tickAt(QTime(23, 59, 0), 10);
        QTest::qWait(300);
        QVERIFY(platform.calls.isEmpty());

        window->Shutdown->click();
        window->Alarmoff->click();
        QCOMPARE(afterAction, controlStates(*window));
    }

    // A ringing alarm is found from anywhere: a notice that stays, whose action is OFF, and the
    // window marked in the taskbar. Either way of OFF takes both away; after the action the notice
    // is closed by ALARM too, for services that leave it up.
    void theRingingAlarmIsFoundAndStoppedFromAnywhere_data()
    {
        QTest::addColumn<bool>("byAction");
        QTest::newRow("the notice's action") << true;
        QTest::newRow("OFF") << false;
    }
    void theRingingAlarmIsFoundAndStoppedFromAnywhere()
    {
        QFETCH(bool, byAction);
        useNotificationService();
        arm(&Alarm::Alarmon, QTime(7, 30), QTime(7, 30, 0));
        tick();
        QCOMPARE(window->planState(), PlanState::Ringing);
        QVERIFY(platform.urgent);
        QTRY_COMPARE(server->calls("Notify").size(), 1);
        const QJsonObject ringing = server->calls("Notify").first();
        QCOMPARE(QStringList({ringing["summary"].toString(), ringing["body"].toString()}),
                 QStringList({"Alarm", "7:30 AM"}));
        QCOMPARE((QList<int>{ringing["urgency"].toInt(), ringing["timeout"].toInt()}), (QList<int>{2, 0}));
        QCOMPARE(ringing["actions"].toArray()[1].toString(), "OFF");
        // The mark went while the window was the active one; the next ring puts it back, and
        // posts no second notice.
        platform.urgent = false;
        fire(window->Timer4);
        QVERIFY(platform.urgent);
        QCOMPARE(server->calls("Notify").size(), 1);

        if (byAction)
            server->pickAction(ringing["id"].toInt(), ringing["actions"].toArray()[0].toString());
        else
            window->Alarmoff->click();
        QTRY_COMPARE(window->planState(), PlanState::Idle);
        QVERIFY(!platform.urgent);
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);
        QCOMPARE(server->calls("CloseNotification").first()["id"], ringing["id"]);
        QVERIFY(server->openIds().isEmpty());
        // No melody after it.
        platform.calls.clear();
        fire(window->Timer4);
        QVERIFY(platform.callsStartingWith("beep:").isEmpty());
    }

    // At ON, what the alarm would ring into is looked at, and a quiet or missing output is told
    // once; nothing is told for a shut-down, or when the server cannot say.
    void anAlarmThatMayNotBeHeardIsToldAtArming_data()
    {
        QTest::addColumn<SoundCheck>("sound");
        QTest::addColumn<QString>("told"); // summary and body, or empty for nothing told
        const auto server = [](bool outputMuted, int output, bool streamMuted, int stream) {
            return SoundCheck{SoundCheck::Server, outputMuted, output, streamMuted, stream};
        };
        const QString quiet = "The alarm at 7:30 PM may not be heard: ";
        QTest::newRow("loud enough") << server(false, 25, false, 100) << "";
        QTest::newRow("muted") << server(true, 100, false, 100) << quiet + "The sound is muted.";
        QTest::newRow("output low") << server(false, 24, false, 100) << quiet + "The sound is at 24 %.";
        QTest::newRow("ALARM's own volume low")
            << server(false, 100, false, 10) << quiet + "ALARM's volume is 10 %.";
        QTest::newRow("both") << server(true, 100, true, 100)
                              << quiet + "The sound is muted, and ALARM's sound is muted.";
        QTest::newRow("a sound card") << SoundCheck{SoundCheck::SoundCard, true, 0, true, 0} << "";
        QTest::newRow("nothing to play on")
            << SoundCheck{SoundCheck::Nothing}
            << "The alarm at 7:30 PM will ring silently: No sound server answers";
    }
    void anAlarmThatMayNotBeHeardIsToldAtArming()
    {
        QFETCH(SoundCheck, sound);
        QFETCH(QString, told);
        platform.sound = sound;
        arm(&Alarm::Alarmon, QTime(19, 30), QTime(19, 0));
        QStringList notices;
        for (const auto &posted : platform.notices)
            notices << posted.notice.summary + ": " + posted.notice.body;
        QCOMPARE(notices.size(), told.isEmpty() ? 0 : 1);
        if (!told.isEmpty())
            QVERIFY2(notices[0].startsWith(told), qPrintable(notices[0]));
        QCOMPARE(platform.sound.outputPercent, sound.outputPercent); // looked at, never changed

        platform.notices.clear();
        window->Alarmoff->click();
        window->Shutdown->click();
        platform.failing = {"checkSound"};
        window->Alarmoff->click();
        window->Alarmon->click();
        QVERIFY(platform.notices.isEmpty());
    }

    void offWithdrawsTheWarningAndArmingAgainPostsItAgain()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 58, 30));
        tick();
        QTRY_VERIFY(warningId() != 0);
        const int first = warningId();
        window->Alarmoff->click();
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);
        QCOMPARE(server->calls("CloseNotification").first()["id"].toInt(), first);

        window->Shutdown->click();
        tick();
        QTRY_COMPARE(server->calls("Notify").size(), 2);
        QVERIFY(warningId() != first);
    }

    // Taken back before the service has answered, the warning is closed once it has; taken back
    // before it was even sent, it is never sent.
    void aWarningWithdrawnBeforeTheAnswerIsClosedOnceItComes()
    {
        useNotificationService();
        server->answer("after 1000");
        armShutdownAt(QTime(23, 58, 30));
        tick();
        window->Alarmoff->click();
        QTest::qWait(500);
        QVERIFY(server->calls("Notify").isEmpty());

        window->Shutdown->click();
        tick();
        QTRY_COMPARE(server->calls("Notify").size(), 1);
        window->Alarmoff->click();
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);
        QCOMPARE(server->calls("CloseNotification").first()["id"].toInt(), warningId());
        QVERIFY(server->openIds().isEmpty());
        QCOMPARE(notifications->tracked(), 0);
    }

    // The cancel action counts however the service answers Notify: late, never, or with no id.
    void theActionCancelsHoweverTheServiceAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("after 7 s, longer than any wait for an answer") << "after 7000";
        QTest::newRow("never") << "never";
        QTest::newRow("with the id 0") << "zero";
    }
    void theActionCancelsHoweverTheServiceAnswers()
    {
        QFETCH(QString, answer);
        useNotificationService();
        server->answer(answer);
        armShutdownAt(QTime(23, 58, 30));
        tick();
        QTRY_COMPARE(server->calls("Notify").size(), 1);
        const QJsonObject notify = server->calls("Notify").first();
        if (answer.startsWith("after"))
            QTRY_VERIFY_WITH_TIMEOUT(server->calls().last().contains("answered"), 10000);
        server->pickAction(notify["id"].toInt(), notify["actions"].toArray()[0].toString());
        QTRY_COMPARE(window->planState(), PlanState::Idle);
        QTRY_VERIFY(server->openIds().isEmpty());

        tickAt(QTime(23, 59, 0), 10);
        QCOMPARE(platform.callsStartingWith("start:"), QStringList());
        QCOMPARE(notifications->tracked(), 0);
    }

    // Against a service that has stopped answering, OFF, arming again and closing leave nothing on
    // screen once it goes on, and many such cycles pile nothing up meanwhile.
    void aStalledServiceIsLeftWithNoWarning()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 58, 30));
        tick();
        QTRY_COMPARE(server->calls("Notify").size(), 1);
        window->Alarmoff->click();
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);

        server->pause();
        window->Shutdown->click();
        for (int cycle = 0; cycle < 150; ++cycle) {
            tick();
            window->Alarmoff->click();
            QVERIFY(notifications->tracked() <= 1);
            window->Shutdown->click();
        }
        tick();
        window.reset();
        server->resume();
        QTRY_COMPARE(server->calls("CloseNotification").size(), 2);
        QCOMPARE(server->calls("Notify").size(), 2);
        QVERIFY(server->openIds().isEmpty());
        QCOMPARE(notifications->tracked(), 0);
    }

    // A closed window carries no plan out, so it leaves no warning behind.
    void closingTheWindowWithdrawsTheWarning()
    {
        useNotificationService();
        armShutdownAt(QTime(23, 58, 30));
        tick();
        QTRY_VERIFY(warningId() != 0);
        window.reset();
        QTRY_COMPARE(server->calls("CloseNotification").size(), 1);
        QCOMPARE(server->calls("CloseNotification").first()["id"].toInt(), warningId());
    }

    void withoutANotificationServiceThePlanGoesOn()
    {
        useNotificationService(false);
        armShutdownAt(QTime(23, 58, 30));
        tick(10);
        QTRY_COMPARE(platform.errors.size(), 1);
        QVERIFY2(platform.errors[0].startsWith("could not show the notice \"" + kWarning + "\": "),
                 qPrintable(platform.errors[0]));
        QCOMPARE(window->planState(), PlanState::ShutdownArmed);
        tickAt(QTime(23, 59, 0));
        QCOMPARE(platform.calls, QStringList({"write:" + kScript, "start:" + kScript}));
        QCOMPARE(platform.errors.size(), 1);
    }

    // A failing shut-down leaves the window armed as if all were well, so it is told: on standard
    // error at every attempt, on the desktop at most once a minute.
    void aFailedShutdownIsTold_data()
    {
        columns<QString>({"failure", "reason"});
        QTest::newRow("no directory can take the script") << "write"
                                                          << "read-only directory";
        QTest::newRow("no runtime directory to be had") << "runtime"
                                                        << "runtimeDirectory failed";
        QTest::newRow("the interpreter cannot be started") << "start"
                                                           << "startScript failed";
    }
    void aFailedShutdownIsTold()
    {
        QFETCH(QString, failure);
        QFETCH(QString, reason);
        armShutdownAt(QTime(23, 59, 0));
        if (failure == "start")
            platform.failing = {"startScript"};
        else
            platform.readOnlyDirectories = {"/opt/alarm", "/run/user/1000"};
        if (failure == "runtime")
            platform.failing = {"runtimeDirectory"};
        tick(5);
        platform.advance(59'000);
        tick(5);

        QCOMPARE(platform.callsStartingWith("start:"), QStringList());
        if (failure != "start")
            QCOMPARE(platform.callsStartingWith("write:"), QStringList());
        // Ten attempts in the minute: standard error hears the cause once.
        const QString line = "the planned shut-down at 11:59 PM failed: " + reason;
        QCOMPARE(platform.errors, QStringList({line}));
        QCOMPARE(platform.openNotices().size(), 1);
        const Notice told = platform.openNotices().first();
        QCOMPARE(told.summary, "The computer was not powered off");
        QVERIFY2(told.body.startsWith("The planned shut-down at 11:59 PM failed: " + reason),
                 qPrintable(told.body));
        QCOMPARE(window->planState(), PlanState::ShutdownArmed);

        // The plan keeps trying: the next day brings a warning, then the failure is shown again.
        for (int minute = 0; minute < 24 * 60; ++minute) {
            platform.advance(60'000);
            tick();
        }
        QStringList summaries;
        for (const auto &posted : platform.notices)
            summaries << posted.notice.summary;
        QCOMPARE(summaries, QStringList({"The computer was not powered off", kWarning,
                                         "The computer was not powered off"}));
        QCOMPARE(platform.errors, QStringList({line, line}));

        // Another cause within the minute is a line of its own.
        platform.failing = {"writeFile"};
        platform.readOnlyDirectories.clear();
        tick(3);
        QCOMPARE(platform.errors.size(), 3);
        QVERIFY2(platform.errors.last().endsWith("writeFile failed"), qPrintable(platform.errors.last()));
    }

    // A target minute that the clock jumps over. Real time lost since then decides: none (the clock
    // was set, or the zone's spring gap) or little rings the alarm at once; more is only told.
    void skippedMinute_data()
    {
        columns<QTime>({"target", "from"});
        QTest::addColumn<QString>("move");
        QTest::addColumn<int>("ms");
        columns<QString>({"alarm", "cause"});

        const QTime t0730(7, 30), before(7, 29, 50);
        const int minute = 60'000;
        QTest::newRow("clock set forward past it") << t0730 << before << "set" << 15 * minute << "rings"
                                                   << "the clock was set past it";
        QTest::newRow("clock set back past it") << t0730 << QTime(7, 0) << "set" << -60 * minute << "nothing"
                                                << "";
        QTest::newRow("spring daylight-saving gap")
            << QTime(2, 30) << QTime(1, 59, 59) << "gap" << 1000 << "rings"
            << "the change to daylight saving time left it out";
        QTest::newRow("slept until 7:40:59") << t0730 << before << "sleep" << 11 * minute + 9'000 << "rings"
                                             << "the computer was asleep";
        QTest::newRow("slept until 7:41") << t0730 << before << "sleep" << 11 * minute + 10'000 << "missed"
                                          << "the computer was asleep";
        QTest::newRow("slept past midnight")
            << QTime(0, 0) << QTime(23, 59, 30) << "sleep" << 3 * minute << "rings"
            << "the computer was asleep";
        QTest::newRow("slept a day and two minutes")
            << t0730 << before << "sleep" << 24 * 60 * minute + 2 * minute << "rings"
            << "the computer was asleep";
        QTest::newRow("stood still for twenty minutes")
            << t0730 << before << "stall" << 20 * minute << "missed"
            << "ALARM could not run at that time";
    }
    void skippedMinute()
    {
        QFETCH(QTime, target);
        QFETCH(QTime, from);
        QFETCH(QString, move);
        QFETCH(int, ms);
        QFETCH(QString, alarm);
        QFETCH(QString, cause);
        const QString time = listTime(target);
        const auto moveClock = [&] {
            if (move == "set")
                platform.time = platform.time.addMSecs(ms);
            else if (move == "gap")
                platform.advance(ms), platform.shiftZone(3600);
            else if (move == "sleep")
                platform.sleep(ms);
            else
                platform.advance(ms);
            tick();
        };

        arm(&Alarm::Alarmon, target, from);
        tick();
        moveClock();
        if (alarm == "rings") {
            QCOMPARE(window->planState(), PlanState::Ringing);
            QCOMPARE(platform.callsStartingWith("speak:").size(), 1);
            // Only the ringing alarm's own notice: nothing missed.
            QCOMPARE(platform.notices.size(), 1);
            QCOMPARE(platform.notices[0].notice.summary, "Alarm");
        } else {
            QCOMPARE(window->planState(), PlanState::AlarmArmed);
            QVERIFY(platform.calls.isEmpty());
        }
        if (alarm == "missed") {
            QCOMPARE(platform.notices.size(), 1);
            QCOMPARE(platform.notices[0].notice.summary, "Missed alarm at " + time);
            QCOMPARE(platform.notices[0].notice.body, "The alarm did not ring, because " + cause +
                                                          ". It stays set for " + time + " tomorrow.");
            QCOMPARE(platform.errors, QStringList({"missed the alarm at " + time + ": " + cause}));
        }

        // The shut-down never powers off late: whatever the cause, a skipped minute is only told.
        reset();
        arm(&Alarm::Shutdown, target, from);
        tick();
        moveClock();
        QCOMPARE(window->planState(), PlanState::ShutdownArmed);
        QCOMPARE(platform.calls, QStringList());
        if (alarm == "nothing") {
            QVERIFY(platform.errors.isEmpty());
            return;
        }
        QCOMPARE(platform.openNotices().size(), 1);
        QCOMPARE(platform.openNotices()[0].summary, "The planned shut-down at " + time + " did not happen");
        QCOMPARE(platform.openNotices()[0].body, "The computer was not powered off, because " + cause +
                                                     ". The plan stays armed for " + time + " tomorrow.");
    }

    // A clock set back over the target comes to it again and acts again.
    void aClockSetBackReachesTheMinuteAgain()
    {
        armShutdownAt(QTime(23, 59, 0));
        tick();
        tickAt(QTime(23, 50, 0));
        QVERIFY(platform.notices.isEmpty());
        tickAt(QTime(23, 58, 0));
        QCOMPARE(platform.openNotices().size(), 1);
        QCOMPARE(platform.openNotices()[0].summary, kWarning);
        tickAt(QTime(23, 59, 0));
        QCOMPARE(platform.callsStartingWith("start:").size(), 2);
    }

    // Before the first clock tick there is no current time; "0000" must not take it for midnight.
    void midnightArmedBeforeTheFirstTickWaitsForMidnight_data()
    {
        QTest::addColumn<bool>("shutdown");
        QTest::newRow("alarm") << false;
        QTest::newRow("shut-down") << true;
    }
    void midnightArmedBeforeTheFirstTickWaitsForMidnight()
    {
        QFETCH(bool, shutdown);
        open(QTime(15, 0, 0));
        pickTarget(QTime(0, 0));
        QCOMPARE(window->Text1->text(), "0000");
        QVERIFY(window->Text2->text().isEmpty());
        (shutdown ? window->Shutdown : window->Alarmon)->click();
        for (int i = 0; i < 10; ++i)
            shutdown ? window->Timer2_Timer() : window->Timer1_Timer();
        tick(10);
        QVERIFY(platform.calls.isEmpty());
        QVERIFY(platform.notices.isEmpty());

        tickAt(QTime(0, 0, 0));
        QCOMPARE(platform.calls.size(), shutdown ? 2 : 3);
    }
};

QTEST_MAIN(NoticesTest)
#include "tst_notices.moc"
