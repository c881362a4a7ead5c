// SPDX-License-Identifier: MIT
#include "AttemptLock.h"
#include "CarryOut.h"
#include "NotificationStamp.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <csignal>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace alarmcmd;

namespace {

// Stands in for the machine. Each instance is one alarm-cmd process; all share the stamp file, the
// attempt lock (one per directory here) and a clock that only the test moves.
class FakeSystem final : public SystemActions
{
public:
    FakeSystem(const QString &stampPath, std::int64_t &clock, Outcome logind,
               Outcome systemctl = {Outcome::Done, {}})
        : logind(std::move(logind)), systemctl(std::move(systemctl)), m_stamp(stampPath.toStdString()),
          m_lockPath(stampPath.toStdString() + ".lock"), m_clock(clock)
    {
        m_attempt.emplace(m_lockPath);
    }

    Outcome logind, systemctl;
    QStringList calls, errors, notifications;
    // Runs while logind is being asked, as other processes started meanwhile would.
    std::function<void()> whileAskingLogind;

    void waitSeconds(std::uint32_t seconds) override
    {
        calls << QStringLiteral("wait %1").arg(seconds);
        m_clock += seconds;
    }
    bool claimAttempt() override { return m_attempt->claim(); }
    // The process ends, and the kernel lets go of its lock.
    void end() { m_attempt.emplace(m_lockPath); }
    Outcome askLogind(Action action) override
    {
        calls << (action == Action::PowerOff ? "logind PowerOff" : "logind Reboot");
        if (whileAskingLogind)
            whileAskingLogind();
        return logind;
    }
    Outcome runSystemctl(Action action) override
    {
        calls << (action == Action::PowerOff ? "systemctl poweroff" : "systemctl reboot");
        return systemctl;
    }
    bool claimNotification() override { return m_stamp.claim(m_clock); }
    void notifyDesktop(const QString &summary, const QString &body) override
    {
        notifications << summary + ": " + body;
    }
    void printError(const QString &line) override { errors << line; }

private:
    NotificationStamp m_stamp;
    std::string m_lockPath;
    std::optional<AttemptLock> m_attempt;
    std::int64_t &m_clock;
};

// One alarm-cmd process from start to end.
int run(const ShutdownCommand &command, FakeSystem &process)
{
    const int exitCode = carryOut(command, process);
    process.end();
    return exitCode;
}

const ShutdownCommand powerOffNow{Action::PowerOff, true, 0};
const Outcome inhibited{Outcome::Refused, "Operation inhibited by \"Editor\" (unsaved work)"};
const Outcome noBus{Outcome::Unreachable, "no system bus"};

} // namespace

class TestCarryOut : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_stamp = m_dir->filePath("alarm-cmd-notified");
        m_clock = 1'700'000'000;
    }

    void actsThroughLogindAfterTheDelay()
    {
        FakeSystem later(m_stamp, m_clock, {Outcome::Done, {}});
        QCOMPARE(run(ShutdownCommand{Action::Restart, false, 90}, later), int(ExitDone));
        QCOMPARE(later.calls, QStringList({"wait 90", "logind Reboot"}));
        QVERIFY(later.errors.isEmpty() && later.notifications.isEmpty());
    }

    void fallsBackToSystemctlOnlyWhenLogindIsUnreachable()
    {
        FakeSystem unreachable(m_stamp, m_clock, noBus);
        QCOMPARE(run(powerOffNow, unreachable), int(ExitDone));
        QCOMPARE(unreachable.calls, QStringList({"logind PowerOff", "systemctl poweroff"}));
        QVERIFY(unreachable.errors.size() == 1 && unreachable.errors.front().contains("no system bus"));
        QVERIFY(unreachable.notifications.isEmpty());

        // A refusal is an answer: going around logind would defeat its inhibitors and policy.
        FakeSystem refused(m_stamp, m_clock, inhibited);
        QCOMPARE(run(powerOffNow, refused), int(ExitRefused));
        QCOMPARE(refused.calls, QStringList({"logind PowerOff"}));

        m_clock += 60;
        FakeSystem neither(m_stamp, m_clock, noBus, {Outcome::Unreachable, "systemctl: No such file"});
        QCOMPARE(run(ShutdownCommand{Action::Restart, false, 0}, neither), int(ExitRefused));
        QCOMPARE(neither.notifications.size(), 1);
        QVERIFY(neither.notifications.front().startsWith("The computer was not restarted"));
        QVERIFY(neither.notifications.front().contains("no system bus"));
        QVERIFY(neither.notifications.front().contains("No such file"));
    }

    void notifiesOnceAMinuteButPrintsEveryTime()
    {
        // One attempt every 100 ms for two minutes, each a separate process.
        QStringList notifications;
        QList<std::int64_t> notifiedAt;
        int errorLines = 0;
        const std::int64_t start = m_clock;
        for (int attempt = 0; attempt < 1200; ++attempt) {
            m_clock = start + attempt / 10;
            FakeSystem process(m_stamp, m_clock, inhibited);
            QCOMPARE(run(powerOffNow, process), int(ExitRefused));
            errorLines += process.errors.size();
            if (!process.notifications.isEmpty())
                notifiedAt << m_clock - start;
            notifications += process.notifications;
        }
        QCOMPARE(errorLines, 1200);
        QCOMPARE(notifiedAt, QList<std::int64_t>({0, 60}));
        QCOMPARE(notifications.front(), "The computer was not powered off: " + inhibited.reason);
    }

    // While one interpreter waits on a slow logind, the window goes on starting one every 100 ms:
    // they end at once, and the first still powers off when logind answers.
    void oneAttemptAtATimeAsksLogind()
    {
        FakeSystem slow(m_stamp, m_clock, {Outcome::Done, {}});
        QList<int> others;
        int askedLogind = 0;
        slow.whileAskingLogind = [&] {
            for (int started = 0; started < 300; ++started) {
                FakeSystem meanwhile(m_stamp, m_clock, {Outcome::Done, {}});
                others << run(powerOffNow, meanwhile);
                askedLogind += int(meanwhile.calls.size());
                QCOMPARE(meanwhile.errors.size(), 1);
            }
        };
        QCOMPARE(run(powerOffNow, slow), int(ExitDone));
        QCOMPARE(others, QList<int>(300, ExitInProgress));
        QCOMPARE(askedLogind, 0);
        QCOMPARE(slow.calls, QStringList({"logind PowerOff"}));

        // Once the first has ended, however it ended, the next one may ask.
        const pid_t holder = ::fork();
        if (holder == 0) {
            AttemptLock held(m_stamp.toStdString() + ".lock");
            held.claim();
            ::pause();
            ::_exit(0);
        }
        QTRY_VERIFY(!AttemptLock(m_stamp.toStdString() + ".lock").claim());
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        FakeSystem next(m_stamp, m_clock, {Outcome::Done, {}});
        QCOMPARE(run(powerOffNow, next), int(ExitDone));
    }

    void stampHandlesOddStates()
    {
        NotificationStamp stamp(m_stamp.toStdString());
        QVERIFY(stamp.claim(m_clock));
        // A clock set back by an hour must not silence notifications for that hour.
        QVERIFY(stamp.claim(m_clock - 3600));

        QFile file(m_stamp);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write("garbage") == 7);
        file.close();
        QVERIFY(stamp.claim(m_clock));

        // A link planted at the stamp's name is not written through.
        QString error;
        QVERIFY(QFile::remove(m_stamp) && QFile::link(m_dir->filePath("elsewhere"), m_stamp));
        QVERIFY(!stamp.claim(m_clock + 600, &error));
        QVERIFY(!QFile::exists(m_dir->filePath("elsewhere")));
        QVERIFY(!NotificationStamp(m_dir->filePath("missing/stamp").toStdString()).claim(m_clock, &error));
        QVERIFY(error.contains("cannot open"));
    }

    void onlyOneOfSimultaneousProcessesWins()
    {
        std::atomic<int> winners = 0;
        std::vector<std::thread> threads;
        for (int i = 0; i < 8; ++i)
            threads.emplace_back(
                [&] { winners += NotificationStamp(m_stamp.toStdString()).claim(m_clock) ? 1 : 0; });
        for (auto &thread : threads)
            thread.join();
        QCOMPARE(winners.load(), 1);
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_stamp;
    std::int64_t m_clock = 0;
};

QTEST_APPLESS_MAIN(TestCarryOut)
#include "tst_carry_out.moc"
