// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// The target as a 24-hour HHMM text from the three lists' texts (empty while nothing is picked).
// "00" is twelve o'clock: with "PM" it is hour 12. The text stays partial until all three are picked.
QString targetTimeText(const QString &hour, const QString &minutes, const QString &amPm);
