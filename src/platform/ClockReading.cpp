// SPDX-License-Identifier: MIT
#include "ClockReading.h"

#include <algorithm>

ClockMove clockMove(const ClockReading &before, const ClockReading &after)
{
    constexpr qint64 day = 24 * 3600 * 1000;
    ClockMove move;
    move.realMs = after.realMs - before.realMs;
    move.sleptMs = std::max<qint64>(0, move.realMs - (after.awakeMs - before.awakeMs));
    move.zoneMs = qint64(after.utcOffsetSeconds - before.utcOffsetSeconds) * 1000;
    // A time of day knows no date, so the setting is taken as the smallest one that explains the
    // reading: within half a day either way.
    qint64 set = (before.local.msecsTo(after.local) - move.realMs - move.zoneMs) % day;
    if (set >= day / 2)
        set -= day;
    else if (set < -day / 2)
        set += day;
    move.setMs = set;
    move.localMs = move.realMs + move.zoneMs + move.setMs;
    return move;
}
