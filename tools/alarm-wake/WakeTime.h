// SPDX-License-Identifier: MIT
#pragma once

#include <ctime>
#include <optional>

namespace alarmwake {

// alarm-wake sets no wake-up further ahead than this: an alarm is at most a day away, and a day
// more leaves room for a clock set back.
inline constexpr std::time_t kLatestAheadSeconds = 48 * 3600;

// The wake time in an argument: seconds since the epoch in decimal digits, nothing else (no sign,
// blank or leading zero), later than now and at most kLatestAheadSeconds after it. Nothing for
// anything else, null included.
std::optional<std::time_t> parseWakeTime(const char *text, std::time_t now);

} // namespace alarmwake
