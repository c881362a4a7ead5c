// SPDX-License-Identifier: MIT
// The built alarm-wake, which holds a wake-up timer with the one capability that needs: what it
// refuses, and that the timer it holds wakes the computer at the time asked, only while its input
// is open, in a process left without capabilities. Every timer here ends with its test.
#include "DataRow.h"
#include "HeldTimers.h"

#include <QDateTime>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <unistd.h>

namespace {

constexpr qint64 kTwoDays = 48 * 3600;

QString ahead(qint64 seconds)
{
    return QString::number(QDateTime::currentSecsSinceEpoch() + seconds);
}

// The process's capabilities as /proc shows them: "CapPrm:\t0000000000000000\n..."
QByteArray capabilities(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    status.open(QIODevice::ReadOnly);
    QByteArray held;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("CapPrm") || line.startsWith("CapEff") || line.startsWith("CapInh"))
            held += line.split('\t').last();
    return held;
}

} // namespace

class TestAlarmWake : public QObject
{
    Q_OBJECT

private slots:
    void refusesAnythingButOneTimeAhead_data()
    {
        QTest::addColumn<QStringList>("arguments");
        const QString hour = ahead(3600);
        row("nothing", QStringList{});
        row("two times", QStringList{hour, hour});
        row("empty", QStringList{""});
        row("letters", QStringList{"tomorrow"});
        row("sign", QStringList{"+" + hour});
        row("blank before", QStringList{" " + hour});
        row("line after", QStringList{hour + "\n"});
        row("leading zero", QStringList{"0" + hour});
        row("fraction", QStringList{hour + ".5"});
        row("overflowing", QStringList{"99999999999999999999999"});
        row("past", QStringList{ahead(-1)});
        row("now", QStringList{ahead(0)});
        row("more than two days ahead", QStringList{ahead(kTwoDays + 60)});
    }

    void refusesAnythingButOneTimeAhead()
    {
        QFETCH(QStringList, arguments);
        QProcess wake;
        wake.start(QStringLiteral(ALARM_WAKE_PATH), arguments);
        QVERIFY(wake.waitForFinished(5000));
        QCOMPARE(wake.exitCode(), 2);
        QCOMPARE(wake.readAllStandardOutput(), QByteArray());
    }

    void holdsAWakingTimerWhileItsInputIsOpen_data()
    {
        QTest::addColumn<qint64>("seconds");
        row("in an hour", qint64(3600));
        row("two days less a minute", kTwoDays - 60);
    }

    void holdsAWakingTimerWhileItsInputIsOpen()
    {
        QFETCH(qint64, seconds);
        if (::geteuid() != 0)
            QSKIP("needs root, which may set wake timers as the installed program may");
        QProcess wake;
        wake.start(QStringLiteral(ALARM_WAKE_PATH), {ahead(seconds)});
        QVERIFY(wake.waitForReadyRead(5000));
        QCOMPARE(wake.readAllStandardOutput(), QByteArray("armed\n"));
        const QList<HeldTimer> timers = heldTimers(wake.processId());
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers[0].clock, 8);
        QVERIFY2(timers[0].secondsLeft > seconds - 10 && timers[0].secondsLeft <= seconds,
                 qPrintable(QString::number(timers[0].secondsLeft)));
        // Nothing it could do with a capability is left to it.
        QCOMPARE(capabilities(wake.processId()), QByteArray(48, '0'));
        wake.closeWriteChannel();
        QVERIFY(wake.waitForFinished(5000));
        QCOMPARE(wake.exitCode(), 0);
    }

    void withoutTheCapabilitySetsNothing()
    {
        // Root without CAP_WAKE_ALARM is as any user without it; setpriv takes it away.
        QProcess wake;
        wake.start(QStringLiteral("setpriv"),
                   {"--bounding-set=-wake_alarm", "--inh-caps=-wake_alarm", ALARM_WAKE_PATH, ahead(3600)});
        QVERIFY(wake.waitForFinished(5000));
        QCOMPARE(wake.exitCode(), 1);
        QCOMPARE(wake.readAllStandardOutput(), QByteArray());
        QVERIFY(wake.readAllStandardError().contains("Operation not permitted"));
    }
};

QTEST_GUILESS_MAIN(TestAlarmWake)
#include "tst_alarm_wake.moc"
