// SPDX-License-Identifier: MIT
#include "WindowDriver.h"
#include "app/HhmmText.h"
#include "plans/PlanState.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QStringList kMelodyCalls{"beep:500 125", "beep:650 125", "beep:800 125", "beep:950 125",
                               "beep:950 125", "beep:800 125", "beep:650 125", "beep:500 125"};
}

// 07:30 AM is the target throughout.
class AlarmWatchTest : public WindowDriver
{
    Q_OBJECT

public:
    AlarmWatchTest() : WindowDriver(QTime(7, 30), &Alarm::Alarmon) {}

private slots:
    void timeTextsCompareByValue()
    {
        QCOMPARE(hhmmValue("0730"), 730.0);
        QCOMPARE(hhmmValue("730"), hhmmValue("0730"));
        QCOMPARE(hhmmValue(""), 0.0);
        QCOMPARE(hhmmValue("0000"), hhmmValue(""));
        QVERIFY(hhmmValue("1930") != hhmmValue("0730"));
    }

    void speaksOnceAtTheTargetThenRings()
    {
        armAt(QTime(7, 29, 58));
        tick(10);
        QVERIFY(platform.calls.isEmpty());
        QCOMPARE(window->planState(), PlanState::AlarmArmed);

        tickAt(QTime(7, 30, 0));
        QCOMPARE(platform.calls,
                 QStringList({"voice", "speak:Now thetime is    7:30:00 AM", "release voice"}));
        QCOMPARE(window->planState(), PlanState::Ringing);

        window->Timer4_Timer();
        QCOMPARE(platform.calls.mid(3), kMelodyCalls);
        window->Timer4_Timer();
        QCOMPARE(platform.callsStartingWith("beep:").size(), 16);
        QCOMPARE(platform.callsStartingWith("speak:").size(), 1);
    }

    // Armed inside the target minute, the real watch fires on its first tick.
    void firesOnTheFirstWatchTickInsideTheMinute()
    {
        armAt(QTime(7, 30, 40));
        QElapsedTimer sinceOn;
        sinceOn.start();
        QTRY_VERIFY_WITH_TIMEOUT(!platform.callsStartingWith("speak:").isEmpty(), 2000);
        QVERIFY(sinceOn.elapsed() >= 90);
        QCOMPARE(window->planState(), PlanState::Ringing);
    }

    // Dates play no part: a minute already past comes round again the next day.
    void aPassedMinuteFiresTheNextDay()
    {
        armAt(QTime(7, 31, 0));
        for (int minute = 0; minute < 24 * 60 - 1; ++minute) {
            tick();
            platform.advance(60'000);
        }
        QVERIFY(platform.calls.isEmpty());
        QCOMPARE(platform.time, QTime(7, 30, 0));
        tick();
        QCOMPARE(platform.callsStartingWith("speak:").size(), 1);
    }

    void offEndsTheRinging()
    {
        armAt(QTime(7, 30, 0));
        tick();
        window->Timer4_Timer();
        window->Alarmoff->click();
        QCOMPARE(window->planState(), PlanState::Idle);
        QVERIFY(!window->Timer4->isActive());
        const int beeps = platform.callsStartingWith("beep:").size();
        QTest::qWait(2300);
        QCOMPARE(platform.callsStartingWith("beep:").size(), beeps);
    }

    void armingAgainInTheSameMinuteSpeaksAgain()
    {
        armAt(QTime(7, 30, 0));
        tick();
        window->Alarmoff->click();
        window->Alarmon->click();
        tick();
        QCOMPARE(platform.callsStartingWith("speak:").size(), 2);
        QCOMPARE(window->planState(), PlanState::Ringing);
    }

    // An alarm that cannot speak must still ring, once, instead of retrying in silence.
    void ringsEvenWhenSpeechFails_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::newRow("no voice") << "createVoice";
        QTest::newRow("speaking fails") << "speak";
        QTest::newRow("clock text fails") << "currentTimeText";
    }
    void ringsEvenWhenSpeechFails()
    {
        QFETCH(QString, failing);
        armAt(QTime(7, 30, 0));
        platform.failing = {failing};
        tick(3);
        QCOMPARE(window->planState(), PlanState::Ringing);
        QCOMPARE(platform.liveVoices, 0);
        QVERIFY(platform.callsStartingWith("voice").size() <= 1);
        window->Timer4_Timer();
        QCOMPARE(platform.callsStartingWith("beep:"), kMelodyCalls);
    }

    void aToneThatCannotSoundDoesNotStopTheRinging()
    {
        armAt(QTime(7, 30, 0));
        tick();
        platform.failing = {"beep"};
        window->Timer4_Timer();
        QCOMPARE(window->planState(), PlanState::Ringing);
        platform.failing.clear();
        window->Timer4_Timer();
        QCOMPARE(platform.callsStartingWith("beep:"), kMelodyCalls);
    }
};

QTEST_MAIN(AlarmWatchTest)
#include "tst_alarmwatch.moc"
