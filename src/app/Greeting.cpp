// SPDX-License-Identifier: MIT
#include "Alarm.h"
#include "ControlTable.h"
#include "Platform.h"
#include "SpokenTime.h"
#include "Texts.h"
#include "Translation.h"

void Alarm::Form_Load()
try {
    greet(speech::kYourComputerTimeIs);
} catch (...) {
}

void Alarm::Details_Click()
try {
    greet(speech::kNowTheTimeIs);
} catch (...) {
}

void Alarm::Label4_Click()
try {
    const QString now = m_platform.currentTimeText();
    m_platform.messageBox(tr("By, ") + text::translated(design::kCreditLine), tr("Time : ") + now);
} catch (...) {
}

// Shows the time in a box, then speaks it. The spoken time is read after the box is closed, so it
// is the time the person hears it, not the time the box opened.
void Alarm::greet(const char *phrase)
{
    const QString shownTime = m_platform.currentTimeText();
    m_platform.messageBox(tr("Set alarm / shut down, in a planned time. Check the sound track, for alarm. "
                             "By, ") +
                              text::translated(design::kCreditLine),
                          tr("Your computer time is :  ") + shownTime);
    const std::unique_ptr<Voice> voice = m_platform.createVoice(translation::voiceLanguage(QLocale()));
    voice->Speak(speech::sentence(phrase, m_platform));
}
