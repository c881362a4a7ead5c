// SPDX-License-Identifier: MIT
#pragma once

#include "ClockFollower.h"
#include "PlanState.h"

#include <QCoreApplication>
#include <QHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Platform;
struct SoundCheck;
class QWidget;

// What the plans tell the user outside the window, through desktop notices, the window's place in
// the taskbar and standard error: the ringing alarm, the warning before a shut-down, a target
// minute the clock skipped, a shut-down that failed. Telling never stops a plan: whatever fails
// here, the watches go on.
class PlanNotices
{
    Q_DECLARE_TR_FUNCTIONS(PlanNotices)

public:
    // pressOff(plan) runs when the user picks the action of a notice about plan: it is to do what
    // OFF does, as long as that plan is the one armed or ringing.
    PlanNotices(Platform &platform, QWidget &window, std::function<void(PlanState plan)> pressOff);
    // A closed window carries no plan out, so what it told of its plan goes with it.
    ~PlanNotices();

    // The alarm was armed: when what it rings into is muted or quiet, or there is nothing to ring
    // into, one notice says that it may not be heard, and why. No volume is ever changed.
    void alarmArmed(const QString &target);
    // The alarm is ringing: one notice that stays until OFF, with OFF as its action, and the
    // window marked in the taskbar, so that it is found behind other windows. Called again at
    // every ring, it only marks the window again.
    void ringing(const QString &target);
    // OFF: the plan is over, and nothing told of it stays.
    void planEnded();

    // Posts the warning once the current minute is the one before the target, once per coming
    // of the target minute.
    void warnBeforeShutdown(const QString &target, const QString &now);
    // The target minute came, or the plan was cancelled: the warning has done its work.
    void withdrawWarning();
    void shutdownSkipped(const QString &target, const SkippedMinute &skipped);
    // Told on standard error once a minute for each cause, on the desktop at most once a minute.
    void shutdownFailed(const QString &target, const QString &reason);
    void alarmMissed(const QString &target, const SkippedMinute &skipped);
    // The computer goes to sleep with the alarm armed and nothing can wake it.
    void alarmCannotWake(const QString &target);

private:
    QString timeOf(const QString &target);
    // Why the alarm may not be heard, in words: "the sound is muted", "ALARM's volume is 10 %".
    QStringList whyUnheard(const SoundCheck &check);
    void forgetOldFailures(qint64 nowMs);

    Platform &m_platform;
    QWidget &m_window;
    std::function<void(PlanState)> m_pressOff;
    int m_warning = 0; // handle of the open warning; 0 when none
    int m_ringing = 0; // handle of the open ringing notice; 0 when none
    std::optional<qint64> m_lastFailureNoticeMs;
    QHash<QString, qint64> m_failureLinesMs; // when each cause last reached standard error
};
