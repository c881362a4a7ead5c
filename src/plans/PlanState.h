// SPDX-License-Identifier: MIT
#pragma once

// What the window is doing, read from which plan timer runs; it is never stored.
enum class PlanState {
    Idle,          // no plan timer runs
    AlarmArmed,    // Timer1, the alarm watch
    Ringing,       // Timer4, the ringing
    ShutdownArmed, // Timer2, the shut-down watch
};
