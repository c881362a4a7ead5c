// SPDX-License-Identifier: MIT
#pragma once

#include "CarryOut.h"

namespace alarmcmd {

// The real machine: systemd-logind and the notification service over D-Bus, systemctl as the
// fallback. Compiled into the alarm-cmd executable only; tests use a fake SystemActions.
class LinuxSystemActions final : public SystemActions
{
public:
    void waitSeconds(std::uint32_t seconds) override;
    Outcome askLogind(Action action) override;
    Outcome runSystemctl(Action action) override;
    bool claimNotification() override;
    void notifyDesktop(const QString &summary, const QString &body) override;
    void printError(const QString &line) override;
};

} // namespace alarmcmd
