// SPDX-License-Identifier: MIT
#include "WakeTime.h"

namespace alarmwake {

std::optional<std::time_t> parseWakeTime(const char *text, std::time_t now)
{
    // Twelve digits reach the year 33658, and cannot overflow the sum below.
    constexpr int kMostDigits = 12;
    if (text == nullptr || text[0] < '1' || text[0] > '9')
        return std::nullopt;
    long long value = 0;
    for (int i = 0; text[i] != '\0'; ++i) {
        if (i == kMostDigits || text[i] < '0' || text[i] > '9')
            return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    if (value <= now || value > now + kLatestAheadSeconds)
        return std::nullopt;
    return static_cast<std::time_t>(value);
}

} // namespace alarmwake
