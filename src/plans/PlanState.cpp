// SPDX-License-Identifier: MIT
#include "PlanState.h"

#include "app/Alarm.h"

#include <QTimer>

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
