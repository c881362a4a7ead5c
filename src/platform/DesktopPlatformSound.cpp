// SPDX-License-Identifier: MIT
#include "AudioPlayer.h"
#include "DesktopPlatform.h"
#include "EspeakVoice.h"
#include "SineTone.h"
#include "SoundCheck.h"

AudioPlayer &DesktopPlatform::player()
{
    if (!m_player)
        m_player = std::make_unique<AudioPlayer>();
    return *m_player;
}

std::unique_ptr<Voice> DesktopPlatform::createVoice(const std::string &language)
{
    return std::make_unique<EspeakVoice>(player(), language);
}

void DesktopPlatform::beep(int frequencyHz, int durationMs)
{
    player().play(sineTone(frequencyHz, durationMs, AudioPlayer::sampleRate));
}

SoundCheck DesktopPlatform::checkSound()
{
    // A moment: arming waits for it.
    return checkSoundOutput(std::chrono::milliseconds(500));
}
