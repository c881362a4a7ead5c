// SPDX-License-Identifier: MIT
#include "KeepAwake.h"

#include "PlanNotices.h"
#include "Platform.h"
#include "app/HhmmText.h"

#include <algorithm>
#include <utility>

KeepAwake::KeepAwake(Platform &platform, PlanNotices &notices) : m_platform(platform), m_notices(notices) {}

KeepAwake::~KeepAwake()
{
    planEnded();
}

void KeepAwake::alarmArmed(const QString &target)
{
    hold(tr("Alarm at %1").arg(listTime(hhmmTime(target))));
    // The target stays as it is while the plan is armed, so the sleeps to come may keep it.
    m_platform.wakeFromSleep([this, target] { return wakeDelay(target); },
                             [this, target] { m_notices.alarmCannotWake(target); });
    m_waking = true;
}

void KeepAwake::shutdownArmed(const QString &target)
{
    hold(tr("Shut-down at %1").arg(listTime(hhmmTime(target))));
    alarmRang();
}

void KeepAwake::alarmRang()
{
    if (std::exchange(m_waking, false))
        m_platform.stopWaking();
}

void KeepAwake::planEnded()
{
    alarmRang();
    if (!m_heldFor.isEmpty()) {
        m_heldFor.clear();
        m_platform.allowIdleSleep();
    }
}

void KeepAwake::hold(const QString &reason)
{
    if (reason != m_heldFor)
        m_platform.holdOffIdleSleep(m_heldFor = reason);
}

qint64 KeepAwake::wakeDelay(const QString &target) const
{
    // In the target minute itself the alarm is due now: woken as soon as may be, it rings late
    // rather than a day late.
    qint64 due = 0;
    try {
        if (!sameMinute(target, hhmm(m_platform.currentTime())))
            due = m_platform.secondsUntil(hhmmTime(target));
    } catch (const PlatformError &) {
        // Without the clock the minute is unknown: woken soon, the watch looks again.
    }
    return std::max(due - kWakeLeadSeconds, kShortestSleepSeconds);
}
