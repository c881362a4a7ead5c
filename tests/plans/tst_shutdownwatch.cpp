// SPDX-License-Identifier: MIT
#include "WindowDriver.h"
#include "plans/ShutdownScript.h"

#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString kScript = "/opt/alarm/Shut down.bat";
}

// 11:59 PM is the target throughout.
class ShutdownWatchTest : public WindowDriver
{
    Q_OBJECT

public:
    ShutdownWatchTest() : WindowDriver(QTime(23, 59), &Alarm::Shutdown) {}

private slots:
    void theScriptIsFortyTwoBytes()
    {
        QCOMPARE(kShutdownScript.size(), 42);
        QCOMPARE(kShutdownScript, QByteArray("C:\\windows\\system32\\shutdown -s -f -t 00\r\n"));
        QCOMPARE(shutdownScriptPath("/opt/alarm"), kScript);
        QCOMPARE(shutdownScriptPath("/"), "//Shut down.bat");
    }

    // Every tick of the target minute writes the script and starts it again; none outside it.
    void writesAndStartsAtEveryTickOfTheMinute()
    {
        armAt(QTime(23, 58, 59));
        tick(10);
        QVERIFY(platform.calls.isEmpty());

        tickAt(QTime(23, 59, 0), 10);
        QStringList expected;
        for (int i = 0; i < 10; ++i)
            expected << "write:" + kScript << "start:" + kScript;
        QCOMPARE(platform.calls, expected);
        QCOMPARE(platform.files.value(kScript), kShutdownScript);
        QCOMPARE(window->planState(), PlanState::ShutdownArmed);

        tickAt(QTime(0, 0, 0), 10);
        QCOMPARE(platform.calls.size(), 20);
        QVERIFY(window->Timer2->isActive());
    }

    void offBeforeTheMinuteLeavesNothing()
    {
        armAt(QTime(23, 58, 0));
        tick();
        window->Alarmoff->click();
        tickAt(QTime(23, 59, 0));
        QTest::qWait(300);
        QVERIFY(platform.calls.isEmpty());
        QVERIFY(platform.files.isEmpty());
    }

    void aPassedMinuteComesTheNextDay()
    {
        armAt(QTime(0, 0, 0));
        for (int minute = 0; minute < 24 * 60 - 1; ++minute) {
            tick();
            platform.advance(60'000);
        }
        QVERIFY(platform.calls.isEmpty());
        tick();
        QCOMPARE(platform.callsStartingWith("start:"), QStringList({"start:" + kScript}));
    }

    // The real watch fires on its first tick when armed inside the minute.
    void armedInsideTheMinuteFiresAtOnce()
    {
        armAt(QTime(23, 59, 30));
        QTRY_VERIFY_WITH_TIMEOUT(!platform.callsStartingWith("start:").isEmpty(), 2000);
        window->Alarmoff->click();
    }

    // An installed program cannot write beside itself, so the script goes to the runtime directory.
    void unwritableProgramDirectoryFallsBack()
    {
        armAt(QTime(23, 59, 0));
        platform.readOnlyDirectories = {"/opt/alarm"};
        tick();
        const QString fallback = "/run/user/1000/Shut down.bat";
        QCOMPARE(platform.calls, QStringList({"write:" + fallback, "start:" + fallback}));
        QCOMPARE(platform.files.value(fallback), kShutdownScript);
    }

    void programInTheRootDirectory()
    {
        armAt(QTime(23, 59, 0));
        platform.programDir = "/";
        tick();
        QCOMPARE(platform.calls, QStringList({"write://Shut down.bat", "start://Shut down.bat"}));
    }

    // A failed write starts nothing; a failed start is simply tried again at the next tick.
    void failuresEndTheTickAndTheNextTickTriesAgain()
    {
        armAt(QTime(23, 59, 0));
        platform.failing = {"writeFile"};
        tick(2);
        QVERIFY(platform.calls.isEmpty());
        platform.failing = {"startScript"};
        tick();
        QCOMPARE(platform.calls, QStringList({"write:" + kScript}));
        platform.failing.clear();
        tick();
        QCOMPARE(platform.callsStartingWith("start:").size(), 1);
        QCOMPARE(window->planState(), PlanState::ShutdownArmed);
    }
};

QTEST_MAIN(ShutdownWatchTest)
#include "tst_shutdownwatch.moc"
