// SPDX-License-Identifier: MIT
#include "PlanState.h"

#include "app/Alarm.h"

#include <QTime>
#include <QTimer>

double timeTextValue(const QString &timeText)
{
    return timeText.toDouble();
}

bool sameMinute(const QString &target, const QString &now)
{
    return !target.isEmpty() && !now.isEmpty() && timeTextValue(target) == timeTextValue(now);
}

int minuteOfDay(const QString &timeText)
{
    const QTime time = QTime::fromString(timeText, QStringLiteral("HHmm"));
    return time.isValid() ? time.msecsSinceStartOfDay() / 60'000 : -1;
}

PlanState Alarm::planState() const
{
    if (Timer1->isActive())
        return PlanState::AlarmArmed;
    if (Timer4->isActive())
        return PlanState::Ringing;
    if (Timer2->isActive())
        return PlanState::ShutdownArmed;
    return PlanState::Idle;
}
