// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// The locale's long time format as a person reads a clock: hours, minutes and seconds with the
// locale's separators and AM/PM marker, but without the time-zone name that Qt's long format adds.
QString clockTimeFormat(const QLocale &locale);
QString clockTimeText(const QTime &time, const QLocale &locale);
// The locale's short time format, hours and minutes only ("11:59 PM"): the seconds that some
// locales' short formats carry are dropped with their separator.
QString minuteTimeFormat(const QLocale &locale);
QString minuteTimeText(const QTime &time, const QLocale &locale);
