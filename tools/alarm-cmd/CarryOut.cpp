// SPDX-License-Identifier: MIT
#include "CarryOut.h"

namespace alarmcmd {

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

} // namespace alarmcmd
