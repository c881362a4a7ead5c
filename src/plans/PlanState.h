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
