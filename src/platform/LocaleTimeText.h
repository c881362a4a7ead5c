// SPDX-License-Identifier: MIT
#pragma once

#include <QLocale>
#include <QString>
#include <QTime>

// The locale's long time format as a person reads a clock: hours, minutes and seconds with the
// locale's separators and AM/PM marker, but without the time-zone name that Qt's long format adds.
QString clockTimeFormat(const QLocale &locale);
QString clockTimeText(const QTime &time, const QLocale &locale);
