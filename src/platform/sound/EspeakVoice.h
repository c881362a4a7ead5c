// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <string>

class AudioPlayer;

// A voice of the espeak-ng engine, which hands over its samples instead of playing them, so that
// speech goes out through the same player as the tones.
class EspeakVoice final : public Voice
{
public:
    // A voice for language ("de", "en-us"), or English where espeak-ng has none. Throws
    // PlatformError when the engine or its data cannot be had.
    EspeakVoice(AudioPlayer &player, const std::string &language);

    // Speaks the UTF-8 text as written, without markup or phoneme input.
    void Speak(const QString &text) override;

private:
    AudioPlayer &m_player;
    std::string m_language;
};
