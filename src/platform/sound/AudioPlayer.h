// SPDX-License-Identifier: MIT
#pragma once

#include <QTimer>

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>

class SoundOutput;

// Plays mono 16-bit sound on the user's sound server (PulseAudio, or PipeWire through its
// PulseAudio service), or on ALSA's default output where no server runs. Speech and tones share
// it, so both use the rate espeak-ng synthesises at and nothing here needs resampling.
//
// Each sound returns when it has been heard, and one asked for right after joins it without a
// gap. Every wait is bounded by the sound's length plus a small margin. An output that stalls is
// dropped and left alone for a moment: the sounds asked for meanwhile fail at once, so a melody
// that meets a hung server is cut short instead of waiting out each of its tones.
class AudioPlayer
{
public:
    static constexpr int sampleRate = 22050;
    // How long a stalled output is left alone before it is opened again.
    static constexpr std::chrono::milliseconds stallPause{500};

    AudioPlayer();
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

    // Returns once the samples have been heard. Throws PlatformError when there is no usable
    // output, it stops playing, or it stalled a moment ago.
    void play(std::span<const std::int16_t> samples);

private:
    void open();
    void close();

    std::unique_ptr<SoundOutput> m_output;
    bool m_fresh = false;          // nothing played yet on m_output
    bool m_serverAnswered = false; // a sound server has been reached before
    std::chrono::steady_clock::time_point m_pausedUntil{};
    // Closes the output once the alarm has been quiet for a while, so an idle window keeps no
    // stream open on the server.
    QTimer m_idle;
};
