// SPDX-License-Identifier: MIT
#include "WindowDriver.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

namespace {
const QString kPrompt =
    "Set alarm / shut down, in a planned time. Check the sound track, for alarm. By, Velmora";
}

class GreetingTest : public WindowDriver
{
    Q_OBJECT

private slots:
    // The box shows the time it opened at; the voice speaks the time it was closed at.
    void startUpGreetsThenSpeaks()
    {
        platform.setTime(19, 30, 5);
        platform.whileBoxOpen = [&] { platform.advance(65'000); };
        open();
        window->Form_Load();

        QCOMPARE(platform.calls.size(), 4);
        QVERIFY(platform.calls[0].startsWith("box:Your computer time is :  7:30:05 PM|" + kPrompt));
        QCOMPARE(platform.calls.mid(1),
                 QStringList({"voice", "speak:      Your   Computertime is    7:31:10 PM", "release voice"}));
        const QString spoken = platform.calls[2].mid(QString("speak:").size());
        QCOMPARE(spoken.indexOf("7:31:10 PM"), 32);
    }

    void questionMarkGreetsWithItsOwnPhrase()
    {
        open(QTime(7, 5, 0));
        window->Details->click();
        window->Details->click();
        const QStringList expected{"voice", "speak:Now thetime is    7:05:00 AM", "release voice"};
        QCOMPARE(platform.calls.mid(1, 3), expected);
        QCOMPARE(platform.calls.mid(5, 3), expected);
        QCOMPARE(platform.calls[0], platform.calls[4]);
        QVERIFY(platform.calls[0].startsWith("box:Your computer time is :  7:05:00 AM|" + kPrompt));
    }

    void creditBoxSpeaksNothing()
    {
        open(QTime(12, 0, 0));
        for (int tick = 0; tick < 2; ++tick) {
            window->Timer3_Timer();
            QTest::mouseClick(window->Label4, Qt::LeftButton);
        }
        const QString credit = "box:Time : 12:00:00 PM|By, Velmora";
        QCOMPARE(platform.calls.size(), 2);
        for (const QString &call : platform.calls) {
            QVERIFY(call.startsWith(credit));
            QVERIFY(!call.endsWith('.'));
        }
        // The same credit line, with a full stop and three blanks, is the label's tooltip.
        QCOMPARE(window->Label4->toolTip(),
                 platform.calls[0].mid(QString("box:Time : 12:00:00 PM|By, ").size()) + ".   ");
    }

    // Without speech the greeting still shows, and nothing is said or shown about the failure.
    void speechFailuresEndQuietly_data()
    {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("no engine") << "createVoice" << QStringList{};
        QTest::newRow("speaking fails") << "speak" << QStringList{"voice", "release voice"};
    }
    void speechFailuresEndQuietly()
    {
        QFETCH(QString, failing);
        QFETCH(QStringList, calls);
        platform.failing = {failing};
        open();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QCOMPARE(platform.calls.size(), 1 + calls.size());
        QVERIFY(platform.calls[0].startsWith("box:"));
        QCOMPARE(platform.calls.mid(1), calls);
        QCOMPARE(platform.liveVoices, 0);
    }
};

QTEST_MAIN(GreetingTest)
#include "tst_greeting.moc"
