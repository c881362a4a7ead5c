// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "ControlTable.h"
#include "Platform.h"
#include "Texts.h"

namespace {
const QString kCreditLine = QString::fromUtf8(design::kCreditLine);
} // namespace

void Alarm::Form_Load()
try {
    greet(QStringLiteral("      ") + QStringLiteral("Your") + QStringLiteral("   ") +
          QStringLiteral("Computer") + QStringLiteral("time is") + QStringLiteral("    "));
} catch (...) {
}

void Alarm::Details_Click()
try {
    greet(text::qs(text::kNowTheTimeIs));
} catch (...) {
}

void Alarm::Label4_Click()
try {
    const QString now = m_platform.currentTimeText();
    m_platform.messageBox(QStringLiteral("By, ") + kCreditLine, QStringLiteral("Time : ") + now);
} catch (...) {
}

// Shows the time in a box, then speaks it. The spoken time is read after the box is closed, so it
// is the time the person hears it, not the time the box opened.
void Alarm::greet(const QString &phraseBeforeTime)
{
    const QString shownTime = m_platform.currentTimeText();
    m_platform.messageBox(
        QStringLiteral("Set alarm / shut down, in a planned time. Check the sound track, for alarm. "
                       "By, ") +
            kCreditLine,
        QStringLiteral("Your computer time is :  ") + shownTime);
    const std::unique_ptr<Voice> voice = m_platform.createVoice();
    voice->Speak(phraseBeforeTime + m_platform.currentTimeText());
}
