// SPDX-License-Identifier: MIT
#include "DataRow.h"
#include "WindowDriver.h"
#include "app/HhmmText.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

class ClockTickTest : public WindowDriver
{
    Q_OBJECT

private slots:
    // The hidden field's four digits, and the time as notices and --status name it: as the lists
    // show it, in any locale.
    void currentTimeAsFourDigits_data()
    {
        QTest::addColumn<QTime>("clock");
        columns<QString>({"text2", "picked"});
        QTest::newRow("after midnight") << QTime(0, 5, 10) << "0005"
                                        << "12:05 AM";
        QTest::newRow("midnight") << QTime(0, 0, 30) << "0000"
                                  << "12:00 AM";
        QTest::newRow("morning") << QTime(9, 30, 0) << "0930"
                                 << "9:30 AM";
        QTest::newRow("noon") << QTime(12, 0, 0) << "1200"
                              << "12:00 PM";
        QTest::newRow("seconds dropped") << QTime(19, 30, 59) << "1930"
                                         << "7:30 PM";
        QTest::newRow("last minute") << QTime(23, 59, 59) << "2359"
                                     << "11:59 PM";
    }
    void currentTimeAsFourDigits()
    {
        QFETCH(QTime, clock);
        QFETCH(QString, text2);
        QFETCH(QString, picked);
        for (const char *locale : {"en_US", "de_DE"}) {
            // The window's locale must not turn HH into a 12-hour clock or MM into a month.
            QLocale::setDefault(QLocale(locale));
            open(clock);
            window->Timer3_Timer();
            QCOMPARE(window->Text2->text(), text2);
            QCOMPARE(hhmm(clock), text2);
            QCOMPARE(listTime(clock), picked);
        }
        QLocale::setDefault(QLocale("en_US"));
    }

    void captionAndCreditBlinkInStep()
    {
        open(QTime(19, 30, 5));

        window->Timer3_Timer();
        QCOMPARE(window->windowTitle(), "7:30:05 PM");
        QCOMPARE(window->Label4->text(), "7:30:05 PM");
        platform.advance(1000);
        window->Timer3_Timer();
        QCOMPARE(window->windowTitle(), "ALARM");
        QCOMPARE(window->Label4->text(), "Velmora");
        window->Timer3_Timer();
        QCOMPARE(window->windowTitle(), "7:30:06 PM");
        QCOMPARE(window->Label4->text(), "7:30:06 PM");
    }

    // Each caption is its own state: any text but the constant brings the constant back.
    void blinkReadsTheCaptionBack()
    {
        open(QTime(8, 0, 0));
        window->setWindowTitle("alarm");
        window->Label4->setText("velmora");
        window->Timer3_Timer();
        QCOMPARE(window->windowTitle(), "ALARM");
        QCOMPARE(window->Label4->text(), "Velmora");
    }

    void chosenTimeFollowsTheLists()
    {
        open();
        window->Timer3_Timer();
        QCOMPARE(window->Label6->text(), " :  : ");
        window->Hour->setCurrentIndex(7);
        window->Timer3_Timer();
        QCOMPARE(window->Label6->text(), "07 :  : ");
        window->Minutes->setCurrentIndex(30);
        window->AM->setCurrentIndex(1);
        window->Timer3_Timer();
        QCOMPARE(window->Label6->text(), "07 : 30 : PM");

        // The label keeps following while a plan has the lists greyed out.
        window->Alarmon_Click();
        window->Timer3_Timer();
        QCOMPARE(window->Label6->text(), "07 : 30 : PM");
    }

    // A clock that cannot be read ends the tick at once and leaves the rest for the next one.
    void failingClockEndsTheTickQuietly()
    {
        open(QTime(10, 15));
        window->Timer3_Timer();
        platform.failing = {"currentTime"};
        window->Timer3_Timer();
        QCOMPARE(window->Text2->text(), "1015");
        QCOMPARE(window->windowTitle(), "10:15:00 AM");
        platform.failing.clear();
        window->Timer3_Timer();
        QCOMPARE(window->windowTitle(), "ALARM");
    }

    void realTimerTicksEverySecond()
    {
        open(QTime(6, 45, 0));
        QSignalSpy ticks(window->Timer3, &QTimer::timeout);
        QTRY_COMPARE_WITH_TIMEOUT(ticks.size(), 2, 3000);
        QCOMPARE(window->Text2->text(), "0645");
        QCOMPARE(window->windowTitle(), "ALARM");
        QCOMPARE(window->Label4->text(), "Velmora");
        QVERIFY(window->Timer3->isActive());
    }
};

QTEST_MAIN(ClockTickTest)
#include "tst_clocktick.moc"
