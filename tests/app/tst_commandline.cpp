// SPDX-License-Identifier: MIT
// What the command line asks for, and how a request reaches the window: through the lists and the
// buttons, as a person's clicks would.
#include "WindowDriver.h"
#include "app/CommandLine.h"
#include "app/RemoteControl.h"

#include <QComboBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

class CommandLineTest : public WindowDriver
{
    Q_OBJECT

private slots:
    void clockTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QTime>("time"); // invalid: refused
        const auto row = [](const char *text, QTime time) { QTest::newRow(text) << QString(text) << time; };
        row("7:30pm", QTime(19, 30));
        row("7:30 PM", QTime(19, 30));
        row("07:30PM", QTime(19, 30));
        row(" 7:30 am ", QTime(7, 30));
        row("19:30", QTime(19, 30));
        row("0:05", QTime(0, 5));
        row("12:00am", QTime(0, 0));
        row("12:30 PM", QTime(12, 30));
        row("0:30am", QTime());
        row("13:00pm", QTime());
        row("24:00", QTime());
        row("7:60", QTime());
        row("7:5pm", QTime());
        row("7.30pm", QTime());
        row("730", QTime());
        row("7:30 p.m.", QTime());
        row("", QTime());
    }
    void clockTimes()
    {
        QFETCH(QString, text);
        QFETCH(QTime, time);
        const std::optional<QTime> parsed = parseClockTime(text);
        QCOMPARE(parsed.value_or(QTime()), time);
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("kind"); // -1: refused
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QStringList>("toolkit");
        const auto row = [](const char *name, QStringList arguments, int kind, QTime time = {},
                            QStringList toolkit = {}) {
            QTest::newRow(name) << arguments << kind << time << toolkit;
        };
        row("nothing", {}, CommandRequest::Open);
        row("help", {"--help"}, CommandRequest::Help);
        row("h", {"-h"}, CommandRequest::Help);
        row("version after a plan", {"--off", "--version"}, CommandRequest::Version);
        row("alarm", {"--alarm", "7:30pm"}, CommandRequest::Alarm, QTime(19, 30));
        row("alarm=", {"--alarm=19:30"}, CommandRequest::Alarm, QTime(19, 30));
        row("shutdown", {"--shutdown", "11:00 PM"}, CommandRequest::Shutdown, QTime(23, 0));
        row("off", {"--off"}, CommandRequest::Off);
        row("status with Qt's options", {"-platform", "offscreen", "--status", "-display=:1", "-reverse"},
            CommandRequest::Status, {}, {"-platform", "offscreen", "-display=:1", "-reverse"});
        row("Qt's option with two dashes", {"--platform", "xcb"}, CommandRequest::Open, {},
            {"--platform", "xcb"});
        row("alarm without a time", {"--alarm"}, -1);
        row("alarm with a bad time", {"--alarm", "7.30"}, -1);
        row("two plans", {"--alarm", "7:30pm", "--off"}, -1);
        row("unknown option", {"--snooze"}, -1);
        row("a plan written with one dash", {"-off"}, -1);
        row("stray argument", {"7:30pm"}, -1);
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, kind);
        QFETCH(QTime, time);
        QFETCH(QStringList, toolkit);
        const ParsedCommandLine parsed = parseCommandLine(arguments);
        if (kind < 0) {
            QVERIFY(!parsed.request);
            QVERIFY(!parsed.error.isEmpty());
            return;
        }
        QVERIFY2(parsed.request, qPrintable(parsed.error));
        QCOMPARE(int(parsed.request->kind), kind);
        QCOMPARE(parsed.request->time, time);
        QCOMPARE(parsed.request->toolkitArguments, toolkit);
    }

    // A request sets the three lists as a person would pick them, OFF first when a plan is armed,
    // and says when the plan changes.
    void requestsWorkTheWindow_data()
    {
        QTest::addColumn<QTime>("time");
        QTest::addColumn<QStringList>("picked");
        QTest::newRow("morning") << QTime(0, 15) << QStringList({"00", "15", "AM"});
        QTest::newRow("noon") << QTime(12, 0) << QStringList({"00", "00", "PM"});
        QTest::newRow("evening") << QTime(19, 30) << QStringList({"07", "30", "PM"});
    }
    void requestsWorkTheWindow()
    {
        QFETCH(QTime, time);
        QFETCH(QStringList, picked);
        Alarm &window = open();
        RemoteControl control(window);
        QSignalSpy changes(&control, &RemoteControl::StateChanged);

        control.arm(RemoteControl::Plan::Shutdown, QTime(23, 0));
        control.arm(RemoteControl::Plan::Alarm, time);
        QCOMPARE(QStringList(
                     {window.Hour->currentText(), window.Minutes->currentText(), window.AM->currentText()}),
                 picked);
        QCOMPARE(window.planState(), PlanState::AlarmArmed);
        QVERIFY(window.Alarmoff->isVisibleTo(&window) && !window.Hour->isEnabled());
        QCOMPARE(window.Alarmoff->toolTip(), "Click to off, alarm.   ");
        QString state, target;
        control.GetState(state, target);
        QCOMPARE(RemoteControl::statusLine(state, target),
                 "alarm at " + QLocale::c().toString(time, "h:mm AP"));

        control.Cancel();
        control.GetState(state, target);
        QCOMPARE(QStringList({state, target}), QStringList({"idle", ""}));
        const QStringList seen{changes.at(0).at(0).toString(), changes.at(1).at(0).toString(),
                               changes.at(2).at(0).toString(), changes.at(3).at(0).toString()};
        QCOMPARE(seen, QStringList({"shutdown", "idle", "alarm", "idle"}));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
