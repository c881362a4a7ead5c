// SPDX-License-Identifier: MIT
#include "Melody.h"

#include "Platform.h"
#include "app/Alarm.h"
#include "app/Texts.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

// Watches for the target minute every 100 ms; at every tick it also puts the armed look back.
void Alarm::Timer1_Timer()
try {
    std::unique_ptr<Voice> voice;
    Timer2->stop();
    Timer4->stop();
    Alarmoff->show();
    enableTimeEntry(false);
    Shutdown->setEnabled(false);
    Alarmon->hide();

    if (timeTextValue(Text1->text()) != timeTextValue(Text2->text()))
        return;

    // An alarm must ring even when it cannot speak: a missing voice or a failed announcement
    // must not leave the watch retrying in silence.
    try {
        voice = m_platform.createVoice();
        voice->Speak(text::qs(text::kNowTheTimeIs) + m_platform.currentTimeText());
    } catch (...) {
    }
    Timer4->start();
    Timer1->stop();
} catch (...) {
}

void Alarm::Timer4_Timer()
try {
    for (const Tone &tone : kMelody) {
        // Like a tone call whose result is ignored, a tone that cannot sound does not stop the tune.
        try {
            m_platform.beep(tone.frequencyHz, tone.durationMs);
        } catch (const PlatformError &) {
        }
    }
} catch (...) {
}
