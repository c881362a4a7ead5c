// SPDX-License-Identifier: MIT
#include "NextEntryIndex.h"

#include "app/Alarm.h"

#include <QComboBox>

// Any typed character steps the list on by one entry; the list's own click handler then updates
// the target before the key handler returns. The last entries are fixed: "11", "59" and "PM".
void Alarm::Hour_KeyPress([[maybe_unused]] QChar &character)
try {
    advanceSelection(Hour, 11);
} catch (...) {
}

void Alarm::Minutes_KeyPress([[maybe_unused]] QChar &character)
try {
    advanceSelection(Minutes, 59);
} catch (...) {
}

void Alarm::AM_KeyPress([[maybe_unused]] QChar &character)
try {
    advanceSelection(AM, 1);
} catch (...) {
}

void Alarm::advanceSelection(QComboBox *list, int wrapIndex)
{
    list->setCurrentIndex(nextEntryIndex(list->currentIndex(), wrapIndex));
}
