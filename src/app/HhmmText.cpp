// SPDX-License-Identifier: MIT
#include "HhmmText.h"

#include <QLocale>

QString hhmm(const QTime &time)
{
    // No AM/PM marker in the pattern, so "HH" counts 00 to 23; "mm" behind it is the minutes.
    return time.toString(QStringLiteral("HH") + QStringLiteral("mm"));
}

double hhmmValue(const QString &text)
{
    return text.toDouble();
}

bool sameMinute(const QString &target, const QString &now)
{
    return !target.isEmpty() && !now.isEmpty() && hhmmValue(target) == hhmmValue(now);
}

QTime hhmmTime(const QString &text)
{
    return QTime::fromString(text, QStringLiteral("HHmm"));
}

int minuteOfDay(const QString &text)
{
    const QTime time = hhmmTime(text);
    return time.isValid() ? time.msecsSinceStartOfDay() / 60'000 : -1;
}

QString listTime(const QTime &time)
{
    return QLocale::c().toString(time, QStringLiteral("h:mm AP"));
}
