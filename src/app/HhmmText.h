// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTime>

// Times as the window keeps them in its hidden fields: four digits on the 24-hour clock, HHMM.

// The clock with its seconds dropped: 19:30:59 is "1930".
QString hhmm(const QTime &time);
// The number an HHMM text spells ("0730" is 730, an empty text 0); the watches compare target and
// current time this way, so leading zeros never matter.
double hhmmValue(const QString &text);
// Whether the current minute is the target, compared by value. A current time that the clock tick
// has not yet written is no minute at all, so it matches nothing, not even "0000".
bool sameMinute(const QString &target, const QString &now);
// The time of day an HHMM text names; an invalid time for a text that is not four digits of one.
QTime hhmmTime(const QString &text);
// The minutes since midnight of an HHMM text; -1 for a text that is not one.
int minuteOfDay(const QString &text);
// A time as the window's lists show it, whatever the user's locale: "7:30 PM".
QString listTime(const QTime &time);
