// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// What the window is doing, read from which plan timer runs; it is never stored.
enum class PlanState {
    Idle,          // no plan timer runs
    AlarmArmed,    // Timer1, the alarm watch
    Ringing,       // Timer4, the ringing
    ShutdownArmed, // Timer2, the shut-down watch
};

// The value of an HHMM text as a number ("0730" is 730, an empty text 0); the watches compare
// target and current time this way, so leading zeros never matter.
double timeTextValue(const QString &timeText);
// Whether the current minute is the target, compared by value. A current time that the clock tick
// has not yet written is no minute at all, so it matches nothing, not even "0000".
bool sameMinute(const QString &target, const QString &now);
// The minutes since midnight of an HHMM text; -1 for a text that is not four digits.
int minuteOfDay(const QString &timeText);
