// SPDX-License-Identifier: MIT
#include "ClockTick.h"
#include "Alarm.h"
#include "Platform.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

QString hhmm(const QTime &time)
{
    // No AM/PM marker in the pattern, so "HH" counts 00 to 23; "mm" behind it is the minutes.
    return time.toString(QStringLiteral("HH") + QStringLiteral("mm"));
}

// The caption and the credit label blink by reading themselves back, so no counter can drift.
void Alarm::Timer3_Timer()
try {
    Text2->setText(hhmm(m_platform.currentTime()));

    if (windowTitle() == QLatin1String("ALARM"))
        setWindowTitle(m_platform.currentTimeText());
    else
        setWindowTitle(QStringLiteral("ALARM"));

    Label6->setText(Hour->currentText() + QStringLiteral(" : ") + Minutes->currentText() +
                    QStringLiteral(" : ") + AM->currentText());

    if (Label4->text() == QLatin1String("Velmora"))
        Label4->setText(m_platform.currentTimeText());
    else
        Label4->setText(QStringLiteral("Velmora"));
} catch (...) {
}
