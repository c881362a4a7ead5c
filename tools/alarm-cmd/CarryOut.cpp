// SPDX-License-Identifier: MIT
#include "CarryOut.h"

#include <QCryptographicHash>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <string>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace alarmcmd {
namespace {

bool failure(const char *what, const std::string &path, QString *error)
{
    if (error)
        *error = QStringLiteral("%1 %2: %3")
                     .arg(QString::fromUtf8(what), QString::fromLocal8Bit(path.c_str()),
                          QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

int carryOut(const ShutdownCommand &command, SystemActions &system)
{
    if (!system.claimAttempt()) {
        system.printError(QStringLiteral("alarm-cmd: another alarm-cmd is already carrying out this script; "
                                         "this one ends"));
        return ExitInProgress;
    }
    if (command.delaySeconds > 0)
        system.waitSeconds(command.delaySeconds);

    Outcome outcome = system.askLogind(command.action);
    if (outcome.kind == Outcome::Unreachable) {
        system.printError(
            QStringLiteral("alarm-cmd: logind cannot be reached (%1); trying systemctl").arg(outcome.reason));
        const QString logindReason = outcome.reason;
        outcome = system.runSystemctl(command.action);
        if (outcome.kind == Outcome::Unreachable)
            outcome.reason = QStringLiteral("neither logind (%1) nor systemctl (%2) could be reached")
                                 .arg(logindReason, outcome.reason);
    }
    if (outcome.kind == Outcome::Done)
        return ExitDone;

    const QString what =
        command.action == Action::PowerOff ? QStringLiteral("powered off") : QStringLiteral("restarted");
    system.printError(QStringLiteral("alarm-cmd: the computer was not %1: %2").arg(what, outcome.reason));
    if (system.claimNotification())
        system.notifyDesktop(QStringLiteral("The computer was not %1").arg(what), outcome.reason);
    return ExitRefused;
}

NotificationStamp::NotificationStamp(std::string path, std::int64_t intervalSeconds)
    : m_path(std::move(path)), m_interval(intervalSeconds)
{}

bool NotificationStamp::claim(std::int64_t nowSeconds, QString *error)
{
    const auto fail = [&](const char *what) { return failure(what, m_path, error); };

    // O_NOFOLLOW: a link planted in the runtime directory must not make us write elsewhere.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return fail("cannot open");
    int locked;
    do
        locked = ::flock(fd, LOCK_EX);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool result = fail("cannot lock");
        ::close(fd);
        return result;
    }

    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    std::int64_t last = 0;
    const bool haveLast = got > 0 && std::from_chars(text, text + got, last).ec == std::errc() && last > 0;
    // A stamp far in the future (a clock set back) must not silence notifications for good.
    if (haveLast && nowSeconds - last < m_interval && last - nowSeconds < m_interval) {
        ::close(fd);
        return false;
    }

    const std::string stamp = std::to_string(nowSeconds) + "\n";
    const bool written = ::ftruncate(fd, 0) == 0 &&
                         ::pwrite(fd, stamp.data(), stamp.size(), 0) == static_cast<ssize_t>(stamp.size());
    const bool result = written ? true : fail("cannot write");
    ::close(fd);
    return result;
}

AttemptLock::AttemptLock(std::string path) : m_path(std::move(path)) {}

AttemptLock::~AttemptLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool AttemptLock::claim(QString *error)
{
    if (m_fd >= 0)
        return true;
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return failure("cannot open", m_path, error);
    int locked;
    do
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool heldElsewhere = errno == EWOULDBLOCK;
        const bool result = heldElsewhere ? false : failure("cannot lock", m_path, error);
        ::close(fd);
        return result;
    }
    m_fd = fd;
    return true;
}

std::string attemptLockPath(const std::string &runtimeDirectory, const std::string &scriptPath)
{
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(scriptPath), QCryptographicHash::Sha256).toHex();
    return runtimeDirectory + "/alarm-cmd-" + digest.left(16).toStdString() + ".lock";
}

} // namespace alarmcmd
