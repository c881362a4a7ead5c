// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "HhmmText.h"
#include "Platform.h"
#include "Texts.h"

#include <QComboBox>
#include <QLabel>

// The caption and the credit label blink by reading themselves back, so no counter can drift.
void Alarm::Timer3_Timer()
try {
    Text2->setText(hhmm(m_platform.currentTime()));

    if (windowTitle() == text::qs(text::kTitle))
        setWindowTitle(m_platform.currentTimeText());
    else
        setWindowTitle(text::qs(text::kTitle));

    Label6->setText(Hour->currentText() + QStringLiteral(" : ") + Minutes->currentText() +
                    QStringLiteral(" : ") + AM->currentText());

    if (Label4->text() == text::qs(text::kAuthor))
        Label4->setText(m_platform.currentTimeText());
    else
        Label4->setText(text::qs(text::kAuthor));
} catch (...) {
}
