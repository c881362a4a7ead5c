// SPDX-License-Identifier: MIT
#pragma once

#include "ShutdownScript.h"

#include <QString>

#include <cstdint>
#include <string>

namespace alarmcmd {

// What one attempt at the power action came to.
struct Outcome {
    enum Kind { Done, Refused, Unreachable };
    Kind kind = Unreachable;
    // Why it was refused or could not be reached, in words fit for the desktop user.
    QString reason;
};

// Everything that reaches the machine. The real implementation is compiled into the alarm-cmd
// executable alone, so no library that a test links can power a computer off.
class SystemActions
{
public:
    virtual ~SystemActions() = default;

    // True when no other alarm-cmd is carrying out this script; the claim holds until this process
    // ends. The window starts an interpreter every 100 ms, and one that waits on a slow logind
    // must not be joined by hundreds more.
    virtual bool claimAttempt() = 0;
    virtual void waitSeconds(std::uint32_t seconds) = 0;
    // logind's PowerOff or Reboot, never interactive, so no password dialog appears.
    virtual Outcome askLogind(Action action) = 0;
    // systemctl poweroff/reboot --no-ask-password, for machines where logind cannot be reached.
    virtual Outcome runSystemctl(Action action) = 0;
    // True when this process may show the desktop notification now. The window starts a new
    // interpreter every 100 ms, so this is shared by all of them.
    virtual bool claimNotification() = 0;
    virtual void notifyDesktop(const QString &summary, const QString &body) = 0;
    virtual void printError(const QString &line) = 0;
};

enum ExitCode { ExitDone = 0, ExitRefused = 1, ExitUsage = 2, ExitBadScript = 3, ExitInProgress = 4 };

// Ends at once when another alarm-cmd is carrying out the same script; otherwise waits out the
// delay, asks logind (falling back to systemctl), and reports a refusal on standard error every
// time and on the desktop when claimNotification() allows. Returns an ExitCode.
int carryOut(const ShutdownCommand &command, SystemActions &system);

// A stamp file that lets one process in a whole crowd notify per interval. The file is locked
// while it is read and rewritten, so two interpreters starting together cannot both win.
class NotificationStamp
{
public:
    explicit NotificationStamp(std::string path, std::int64_t intervalSeconds = 60);

    // True when no claim succeeded in the interval before nowSeconds; a success records
    // nowSeconds. False, with error set, when the stamp cannot be used.
    bool claim(std::int64_t nowSeconds, QString *error = nullptr);

private:
    std::string m_path;
    std::int64_t m_interval;
};

// An exclusive lock on a file of the user's private runtime directory, held by one process at a
// time until it ends, however it ends (the kernel lets go of a dead process's lock).
class AttemptLock
{
public:
    explicit AttemptLock(std::string path);
    ~AttemptLock();
    AttemptLock(const AttemptLock &) = delete;
    AttemptLock &operator=(const AttemptLock &) = delete;

    // True when this object now holds the lock. False when another holds it, or, with error set,
    // when the lock cannot be used at all.
    bool claim(QString *error = nullptr);

private:
    std::string m_path;
    int m_fd = -1;
};

// Where the lock for the script at scriptPath lives in runtimeDirectory: one per script.
std::string attemptLockPath(const std::string &runtimeDirectory, const std::string &scriptPath);

} // namespace alarmcmd
