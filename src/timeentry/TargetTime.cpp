// SPDX-License-Identifier: MIT
#include "TargetTime.h"

#include "app/Alarm.h"

#include <QComboBox>
#include <QPushButton>

QString targetTimeText(const QString &hour, const QString &minutes, const QString &amPm)
{
    if (amPm == QLatin1String("PM"))
        return QString::number(hour.toInt() + 12) + minutes;
    return hour + minutes;
}

void Alarm::Hour_Click()
try {
    recomputeTarget();
} catch (...) {
}

void Alarm::Minutes_Click()
try {
    recomputeTarget();
} catch (...) {
}

void Alarm::AM_Click()
try {
    recomputeTarget();
} catch (...) {
}

void Alarm::recomputeTarget()
{
    // The buttons follow only once hour and minutes are picked; until then they stay as they are.
    if (!Hour->currentText().isEmpty() && !Minutes->currentText().isEmpty()) {
        const bool complete = !AM->currentText().isEmpty();
        Alarmon->setEnabled(complete);
        Shutdown->setEnabled(complete);
    }
    Text1->setText(targetTimeText(Hour->currentText(), Minutes->currentText(), AM->currentText()));
}
