// SPDX-License-Identifier: MIT
#include "LinuxSystemActions.h"

#include "BusLink.h"
#include "DesktopNotifications.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDateTime>
#include <QProcess>
#include <QStringList>

#include "RuntimeDirectory.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include <unistd.h>

namespace alarmcmd {
namespace {

constexpr int logindTimeoutMs = 30'000;
constexpr int systemctlTimeoutMs = 60'000;

// Errors that mean nobody answered, as opposed to logind answering "no".
bool meansUnreachable(const QString &errorName)
{
    static const QStringList names = {
        QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown"),
        QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
        QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
        QStringLiteral("org.freedesktop.DBus.Error.NoReply"),
        QStringLiteral("org.freedesktop.DBus.Error.Timeout"),
        QStringLiteral("org.freedesktop.DBus.Error.TimedOut"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
    };
    return names.contains(errorName) ||
           errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

} // namespace

LinuxSystemActions::LinuxSystemActions(std::string scriptPath) : m_scriptPath(std::move(scriptPath)) {}

std::string LinuxSystemActions::runtimeDirectory(const char *without)
{
    const ownership::RuntimeDirectory found = ownership::findRuntimeDirectory(::geteuid());
    if (found.path.empty())
        printError(QStringLiteral("alarm-cmd: no runtime directory (%1), so %2")
                       .arg(QString::fromLocal8Bit(found.remark.c_str()), QString::fromUtf8(without)));
    return found.path;
}

bool LinuxSystemActions::claimAttempt()
{
    // Without a lock to share, this attempt goes ahead: powering off matters more than how many try.
    const std::string directory = runtimeDirectory("nothing keeps other attempts from asking logind too");
    if (directory.empty())
        return true;
    m_attempt.emplace(attemptLockPath(directory, m_scriptPath));
    QString error;
    if (m_attempt->claim(&error))
        return true;
    if (error.isEmpty())
        return false;
    printError(QStringLiteral("alarm-cmd: %1; going ahead").arg(error));
    return true;
}

void LinuxSystemActions::waitSeconds(std::uint32_t seconds)
{
    // sleep_until resumes after signals, so the delay is waited out in full.
    std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::seconds(seconds));
}

Outcome LinuxSystemActions::askLogind(Action action)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {Outcome::Unreachable, QStringLiteral("no system bus: %1").arg(bus.lastError().message())};

    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"),
        action == Action::PowerOff ? QStringLiteral("PowerOff") : QStringLiteral("Reboot"));
    // interactive = false: refuse rather than show a password dialog or ask about inhibitors.
    call << false;
    const QDBusMessage reply = bus.call(call, QDBus::Block, logindTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {Outcome::Done, {}};

    const QString reason = reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
    if (reply.type() != QDBusMessage::ErrorMessage || meansUnreachable(reply.errorName()))
        return {Outcome::Unreachable, reason};
    return {Outcome::Refused, reason};
}

Outcome LinuxSystemActions::runSystemctl(Action action)
{
    QProcess systemctl;
    systemctl.setProgram(QStringLiteral("systemctl"));
    systemctl.setArguments(
        {action == Action::PowerOff ? QStringLiteral("poweroff") : QStringLiteral("reboot"),
         QStringLiteral("--no-ask-password")});
    systemctl.setStandardInputFile(QProcess::nullDevice());
    systemctl.start();
    if (!systemctl.waitForStarted())
        return {Outcome::Unreachable, QStringLiteral("systemctl: %1").arg(systemctl.errorString())};
    if (!systemctl.waitForFinished(systemctlTimeoutMs)) {
        systemctl.kill();
        systemctl.waitForFinished();
        return {Outcome::Refused, QStringLiteral("systemctl did not finish within a minute")};
    }
    if (systemctl.exitStatus() == QProcess::NormalExit && systemctl.exitCode() == 0)
        return {Outcome::Done, {}};

    const QString said = QString::fromLocal8Bit(systemctl.readAllStandardError()).trimmed();
    if (!said.isEmpty())
        return {Outcome::Refused, said};
    return {Outcome::Refused, systemctl.exitStatus() == QProcess::NormalExit
                                  ? QStringLiteral("systemctl exited with code %1").arg(systemctl.exitCode())
                                  : QStringLiteral("systemctl crashed")};
}

bool LinuxSystemActions::claimNotification()
{
    const std::string directory = runtimeDirectory("no desktop notification is shown");
    if (directory.empty())
        return false;
    QString error;
    NotificationStamp stamp(directory + "/alarm-cmd-notified");
    if (stamp.claim(QDateTime::currentSecsSinceEpoch(), &error))
        return true;
    if (!error.isEmpty())
        printError(QStringLiteral("alarm-cmd: no desktop notification: %1").arg(error));
    return false;
}

void LinuxSystemActions::notifyDesktop(const QString &summary, const QString &body)
{
    // Joined at once, on this thread: nothing else waits on this process.
    DesktopNotifications notices(
        std::make_unique<BusLink>(QDBusConnection::sessionBus()),
        [this](const QString &line) { printError(QStringLiteral("alarm-cmd: ") + line); });
    notices.post({.summary = summary, .body = body}, {});
    // The process ends right after this; the notice must have reached the service by then.
    notices.waitForAnswers();
}

void LinuxSystemActions::printError(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace alarmcmd
