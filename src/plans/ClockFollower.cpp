// SPDX-License-Identifier: MIT
#include "ClockFollower.h"

#include "Platform.h"
#include "app/HhmmText.h"

#include <algorithm>
#include <utility>

namespace {
constexpr int kMinutesADay = 24 * 60;
constexpr qint64 kMinuteMs = 60'000;
constexpr qint64 kDayMs = kMinutesADay * kMinuteMs;
} // namespace

ClockFollower::ClockFollower(Platform &platform) : m_platform(platform) {}

void ClockFollower::forget()
{
    m_seen.reset();
}

std::optional<SkippedMinute> ClockFollower::follow(const QString &target, const QString &now)
{
    const int minute = minuteOfDay(now);
    if (minute < 0 || (m_seen && m_seen->minute == minute))
        return std::nullopt;
    ClockReading reading;
    try {
        reading = m_platform.readClock();
    } catch (const PlatformError &) {
        // Without the machine's clocks no jump can be judged; the watch still compares minutes.
        m_seen.reset();
        return std::nullopt;
    }
    const std::optional<Seen> before = std::exchange(m_seen, Seen{minute, reading});
    const int goal = minuteOfDay(target);
    if (!before || goal < 0 || goal == minute)
        return std::nullopt;

    const ClockMove move = clockMove(before->reading, reading);
    const int ahead = (minute - before->minute + kMinutesADay) % kMinutesADay;
    const int toGoal = (goal - before->minute + kMinutesADay) % kMinutesADay;
    // Moving on by more than the minutes in between means going round the clock: a sleep of a
    // day or more passes every minute, the one seen before included.
    const bool roundTheClock = move.localMs > (ahead + 1) * kMinuteMs;
    if (move.localMs <= 0 || !(roundTheClock || (toGoal > 0 && toGoal < ahead)))
        return std::nullopt;

    // Real time since the target minute began: the local time since then, less what setting the
    // clock and the zone's rules moved it forward.
    const qint64 sinceGoal =
        ((reading.local.msecsSinceStartOfDay() - goal * kMinuteMs) % kDayMs + kDayMs) % kDayMs;
    const qint64 jumped = std::max<qint64>(0, move.setMs + move.zoneMs);
    SkippedMinute skipped;
    skipped.lateMs = std::max<qint64>(0, sinceGoal - jumped);
    if (skipped.lateMs == 0)
        skipped.cause = move.zoneMs > move.setMs ? SkippedMinute::DaylightSaving : SkippedMinute::ClockSet;
    else
        skipped.cause = move.sleptMs >= 1000 ? SkippedMinute::Slept : SkippedMinute::Stalled;
    return skipped;
}
