// SPDX-License-Identifier: MIT
#pragma once

#include <QTime>
#include <QtGlobal>

// The local time read together with the machine's own clocks, so that two readings tell how the
// local time moved between them.
struct ClockReading {
    QTime local;              // the local time of day
    int utcOffsetSeconds = 0; // how far the local time zone is ahead of UTC at that moment
    qint64 awakeMs = 0;       // runs only while the machine is awake (CLOCK_MONOTONIC)
    qint64 realMs = 0;        // runs on while it sleeps (CLOCK_BOOTTIME)
};

// How the local time moved from one reading to a later one: localMs = realMs + zoneMs + setMs.
struct ClockMove {
    qint64 localMs = 0; // may exceed a day after a long sleep
    qint64 realMs = 0;  // time that passed, sleep included
    qint64 sleptMs = 0; // of realMs, the time the machine slept
    qint64 zoneMs = 0;  // moved by the time zone's rules: one hour forward in the spring gap
    qint64 setMs = 0;   // moved by setting the clock, by hand or by time synchronisation
};

ClockMove clockMove(const ClockReading &before, const ClockReading &after);
