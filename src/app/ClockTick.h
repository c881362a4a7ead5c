// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTime>

// The clock as four digits on the 24-hour clock, seconds dropped: 19:30:59 is "1930".
QString hhmm(const QTime &time);
