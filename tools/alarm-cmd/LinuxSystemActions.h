// SPDX-License-Identifier: MIT
#pragma once

#include "AttemptLock.h"
#include "CarryOut.h"
#include "NotificationStamp.h"

#include <optional>
#include <string>

namespace alarmcmd {

// The real machine: systemd-logind and the notification service over D-Bus, systemctl as the
// fallback. Compiled into the alarm-cmd executable only; tests use a fake SystemActions.
class LinuxSystemActions final : public SystemActions
{
public:
    // For the script at scriptPath, as named on the command line.
    explicit LinuxSystemActions(std::string scriptPath);

    bool claimAttempt() override;
    void waitSeconds(std::uint32_t seconds) override;
    Outcome askLogind(Action action) override;
    Outcome runSystemctl(Action action) override;
    bool claimNotification() override;
    void notifyDesktop(const QString &summary, const QString &body) override;
    void printError(const QString &line) override;

private:
    // The user's runtime directory, or empty after saying on standard error why there is none.
    std::string runtimeDirectory(const char *without);

    std::string m_scriptPath;
    std::optional<AttemptLock> m_attempt;
};

} // namespace alarmcmd
