// SPDX-License-Identifier: MIT
#pragma once

#include <QCoreApplication>
#include <QString>

class Platform;
class PlanNotices;

// The wake-up is set this long before the alarm's minute: resuming, the sound server coming back
// and the first watch tick all fit in it.
inline constexpr qint64 kWakeLeadSeconds = 90;
// A sleep lasts at least this long: a wake-up due sooner could fall while the computer is still
// going to sleep, and be lost, leaving it asleep.
inline constexpr qint64 kShortestSleepSeconds = 30;

// What the plans ask of the computer's sleep. While a plan is armed or ringing, the desktop may not
// put the computer to sleep for idleness: an alarm that cannot ring, or a shut-down stopped
// half-way with the job it waited for, costs more than the power saved. A sleep the user asks for
// goes ahead, and the armed alarm sets a wake-up in time for its minute. The shut-down never wakes
// the computer: one that is asleep is off enough, and a shut-down must never happen late.
class KeepAwake
{
    Q_DECLARE_TR_FUNCTIONS(KeepAwake)

public:
    KeepAwake(Platform &platform, PlanNotices &notices);
    // A closed window holds nothing and wakes nothing.
    ~KeepAwake();

    void alarmArmed(const QString &target);
    void shutdownArmed(const QString &target);
    // A ringing alarm needs no wake-up, but keeps idle sleep off until OFF.
    void alarmRang();
    void planEnded();

private:
    void hold(const QString &reason);
    // Seconds from now until the wake-up for the alarm at target.
    qint64 wakeDelay(const QString &target) const;

    Platform &m_platform;
    PlanNotices &m_notices;
    QString m_heldFor; // the reason idle sleep is held off for; empty when it is not
    bool m_waking = false;
};
