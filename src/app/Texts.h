// SPDX-License-Identifier: MIT
#pragma once

#include "Translation.h"

#include <QString>
#include <QtGlobal>

#include <string_view>

// The texts that the window shows from more than one place, each written once. Every blank belongs
// to its text: the tooltips end in three, the gap they show as they scroll round. Those marked for
// translation are shown through translated().
namespace text {

// The caption at creation; the clock tick alternates it with the time.
inline constexpr std::string_view kTitle = "ALARM";
// Label4's caption at creation; the clock tick alternates it with the time.
inline constexpr std::string_view kAuthor = "Velmora";

// OFF's tooltip while the alarm is armed or ringing, and at rest.
inline constexpr std::string_view kOffAlarmTip = QT_TRANSLATE_NOOP("Alarm", "Click to off, alarm.   ");
// OFF's tooltip while the shut-down is armed.
inline constexpr std::string_view kOffShutdownTip =
    QT_TRANSLATE_NOOP("Alarm", "Click to cancel, shut down plan.   ");
// The tooltips of Label5 and Label6, which name the plan the chosen time is for.
inline constexpr std::string_view kTimeSetAlarmTip = QT_TRANSLATE_NOOP("Alarm", "Time set for alarm   ");
inline constexpr std::string_view kTimeSetShutdownTip =
    QT_TRANSLATE_NOOP("Alarm", "Time set for shut down   ");

inline QString qs(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// A text of the window in the language of the translation in use.
inline QString translated(std::string_view source)
{
    return source.empty() ? QString() : translation::text("Alarm", source.data());
}

} // namespace text
