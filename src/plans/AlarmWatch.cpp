// SPDX-License-Identifier: MIT
#include "Melody.h"

#include "Platform.h"
#include "app/Alarm.h"
#include "app/HhmmText.h"
#include "app/SpokenTime.h"
#include "app/Translation.h"

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

    // A minute the clock skipped rings late, as long as someone woken then would still want it;
    // later than that the alarm waits for tomorrow and says what it missed.
    const std::optional<SkippedMinute> skipped = m_clockFollower.follow(Text1->text(), Text2->text());
    if (!sameMinute(Text1->text(), Text2->text())) {
        if (!skipped)
            return;
        if (skipped->lateMs >= kLatestAlarmMs) {
            m_notices.alarmMissed(Text1->text(), *skipped);
            return;
        }
    }

    // An alarm must ring even when it cannot speak: a missing voice or a failed announcement
    // must not leave the watch retrying in silence.
    try {
        voice = m_platform.createVoice(translation::voiceLanguage(QLocale()));
        voice->Speak(speech::sentence(speech::kNowTheTimeIs, m_platform));
    } catch (...) {
    }
    Timer4->start();
    Timer1->stop();
    m_notices.ringing(Text1->text());
    m_keepAwake.alarmRang();
} catch (...) {
}

void Alarm::Timer4_Timer()
try {
    // The window asks for attention again at every ring: Qt leaves the mark off while the window
    // is the active one, and someone may turn to another program after the ringing began.
    try {
        m_notices.ringing(Text1->text());
    } catch (...) {
    }
    for (const Tone &tone : kMelody) {
        // Like a tone call whose result is ignored, a tone that cannot sound does not stop the tune.
        try {
            m_platform.beep(tone.frequencyHz, tone.durationMs);
        } catch (const PlatformError &) {
        }
    }
} catch (...) {
}
