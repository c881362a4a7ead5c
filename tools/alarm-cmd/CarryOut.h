// SPDX-License-Identifier: MIT
#pragma once

#include "ScriptParser.h"

#include <QString>

#include <cstdint>

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

} // namespace alarmcmd
