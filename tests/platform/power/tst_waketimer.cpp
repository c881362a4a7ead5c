// SPDX-License-Identifier: MIT
// alarm-wake, the built helper, as the program has it set a wake-up, and what is told when nothing
// can set one (the program's own timer and Plasma's power manager are met end to end, in
// tests/e2e/test_sleep.py). Root, as the tests run, may set wake timers; each ends with its test.
#include "BusLink.h"
#include "HeldTimers.h"
#include "power/WakeTimer.h"

#include <QDateTime>
#include <QDir>
#include <QTest>

#include <optional>

#include <unistd.h>

namespace {

// The helper this process started, by its name among the processes whose parent it is.
qint64 helperPid()
{
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray line = stat.readAll();
            const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
            if (line.contains("(alarm-wake)") && fields.value(1).toLongLong() == ::getpid())
                return entry.toLongLong();
        }
    }
    return 0;
}

} // namespace

class WakeTimerTest : public QObject
{
    Q_OBJECT

    // No session bus joined, and so no Plasma: that way fails at once.
    BusLink m_nowhere{QStringLiteral("unix:path=/dev/null/no-session-bus"), QStringLiteral("tst-waketimer")};
    QStringList m_told;
    std::optional<bool> m_set;

    void arm(WakeTimer &wake, qint64 seconds)
    {
        m_set.reset();
        wake.arm(QDateTime::currentSecsSinceEpoch() + seconds, [this](bool set) { m_set = set; });
    }
    WakeTimer::ErrorSink tell()
    {
        return [this](const QString &line) { m_told << line; };
    }

private slots:
    void init() { m_told.clear(); }

    void hasAlarmWakeHoldItUntilDisarmed()
    {
        if (::geteuid() != 0)
            QSKIP("needs root, which may set wake timers");
        WakeTimer wake(m_nowhere, QStringLiteral(ALARM_WAKE_PATH), tell(), {WakeTimer::Helper});
        arm(wake, 600);
        QTRY_COMPARE(m_set, std::optional<bool>(true));
        const qint64 helper = helperPid();
        QVERIFY(helper != 0);
        const QList<HeldTimer> timers = heldTimers(helper);
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers[0].clock, 8);
        QVERIFY(timers[0].secondsLeft > 590 && timers[0].secondsLeft <= 600);
        wake.disarm();
        QTRY_COMPARE(helperPid(), 0);
        QVERIFY(m_told.isEmpty());
    }

    void tellsWhyNothingCouldSetOne()
    {
        WakeTimer wake(m_nowhere, QStringLiteral("/nonexistent/alarm-wake"), tell(),
                       {WakeTimer::PlasmaPowerManager, WakeTimer::Helper});
        arm(wake, 600);
        QTRY_COMPARE(m_set, std::optional<bool>(false));
        QCOMPARE(m_told.size(), 1);
        QVERIFY2(m_told[0].contains("Plasma's power manager: the session bus is not joined") &&
                     m_told[0].contains("no helper at /nonexistent/alarm-wake"),
                 qPrintable(m_told[0]));
    }
};

QTEST_GUILESS_MAIN(WakeTimerTest)
#include "tst_waketimer.moc"
