// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <string_view>

// The texts that the window shows or speaks from more than one place, each written once. Every blank
// belongs to its text: the tooltips end in three, the gap they show as they scroll round.
namespace text {

// The caption at creation; the clock tick alternates it with the time.
inline constexpr std::string_view kTitle = "ALARM";
// Label4's caption at creation; the clock tick alternates it with the time.
inline constexpr std::string_view kAuthor = "Velmora";

// OFF's tooltip while the alarm is armed or ringing, and at rest.
inline constexpr std::string_view kOffAlarmTip = "Click to off, alarm.   ";
// OFF's tooltip while the shut-down is armed.
inline constexpr std::string_view kOffShutdownTip = "Click to cancel, shut down plan.   ";
// The tooltips of Label5 and Label6, which name the plan the chosen time is for.
inline constexpr std::string_view kTimeSetAlarmTip = "Time set for alarm   ";
inline constexpr std::string_view kTimeSetShutdownTip = "Time set for shut down   ";

// Spoken before the time by "?" and when the alarm goes off; the pieces join with nothing between
// them.
inline constexpr std::string_view kNowTheTimeIs = "Now the"
                                                  "time is"
                                                  "    ";

inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

} // namespace text
