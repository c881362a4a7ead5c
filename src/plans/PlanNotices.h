// SPDX-License-Identifier: MIT
#pragma once

#include "ClockFollower.h"

#include <QHash>
#include <QString>

#include <functional>
#include <optional>

class Platform;

// What the plans tell the user outside the window, through desktop notices and standard error: the
// warning before a shut-down, a target minute the clock skipped, a shut-down that failed. Telling
// never stops a plan: whatever fails here, the watches go on.
class PlanNotices
{
public:
    // cancelShutdown runs when the user picks the warning's action.
    PlanNotices(Platform &platform, std::function<void()> cancelShutdown);
    // A closed window carries no plan out, so its warning goes with it.
    ~PlanNotices();

    // Posts the warning once the current minute is the one before the target, once per coming
    // of the target minute.
    void warnBeforeShutdown(const QString &target, const QString &now);
    // The target minute came, or the plan was cancelled: the warning has done its work.
    void withdrawWarning();
    void shutdownSkipped(const QString &target, const SkippedMinute &skipped);
    // Told on standard error once a minute for each cause, on the desktop at most once a minute.
    void shutdownFailed(const QString &target, const QString &reason);
    void alarmMissed(const QString &target, const SkippedMinute &skipped);

private:
    QString timeOf(const QString &target);
    void forgetOldFailures(qint64 nowMs);

    Platform &m_platform;
    std::function<void()> m_cancelShutdown;
    int m_warning = 0; // handle of the open warning; 0 when none
    std::optional<qint64> m_lastFailureNoticeMs;
    QHash<QString, qint64> m_failureLinesMs; // when each cause last reached standard error
};
