// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

class AudioPlayer;

// A voice of the espeak-ng engine, which hands over its samples instead of playing them, so that
// speech goes out through the same player as the tones.
class EspeakVoice final : public Voice
{
public:
    // Throws PlatformError when the engine or its data cannot be had.
    explicit EspeakVoice(AudioPlayer &player);

    // Speaks the UTF-8 text as written, without markup or phoneme input, in the default voice of
    // the user's language (English where espeak-ng has none).
    void Speak(const QString &text) override;

private:
    AudioPlayer &m_player;
};
