// SPDX-License-Identifier: MIT
#pragma once

#include "ClockReading.h"

#include <QString>

#include <optional>

class Platform;

// An alarm whose minute was slept through still rings on waking up to this long after the
// minute began: until the clock shows ten minutes past it.
inline constexpr qint64 kLatestAlarmMs = 11 * 60'000;

// A target minute that the current minute jumped over, so that no watch tick saw it.
struct SkippedMinute {
    enum Cause {
        ClockSet,       // the clock was set forward past it
        DaylightSaving, // the time zone's spring gap left it out
        Slept,          // the machine slept through it
        Stalled,        // the program could not run then
    };
    Cause cause = ClockSet;
    // Real time since the target minute began; 0 when only the clock moved.
    qint64 lateMs = 0;
};

// Follows the current minute from one watch tick to the next and tells when it jumped over the
// target minute. A clock set back skips nothing: it will show those minutes again.
class ClockFollower
{
public:
    explicit ClockFollower(Platform &platform);

    // At every watch tick, with the target and the current time as HHMM texts.
    std::optional<SkippedMinute> follow(const QString &target, const QString &now);
    // A new plan starts from what its first tick sees.
    void forget();

private:
    struct Seen {
        int minute;
        ClockReading reading; // taken when the minute was first seen
    };
    Platform &m_platform;
    std::optional<Seen> m_seen;
};
