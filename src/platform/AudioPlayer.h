// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

struct _snd_pcm;

// Plays mono 16-bit sound on ALSA's default output. Speech and tones share it, so both use the
// rate espeak-ng synthesises at and nothing needs resampling.
//
// Some devices and sound servers never finish a drain or a blocking write, so every wait here is
// bounded by the sound's own length plus a small margin; a device that stalls past that is closed
// and reported, and the next sound opens it afresh.
class AudioPlayer
{
public:
    static constexpr int sampleRate = 22050;

    AudioPlayer() = default;
    ~AudioPlayer();
    AudioPlayer(const AudioPlayer &) = delete;
    AudioPlayer &operator=(const AudioPlayer &) = delete;

    // Returns once the samples have been heard. Throws PlatformError when there is no usable
    // output or it stops playing.
    void play(std::span<const std::int16_t> samples);

private:
    void open();
    void close();
    using Deadline = std::chrono::steady_clock::time_point;
    void write(std::span<const std::int16_t> samples, Deadline deadline);
    void start();
    void waitUntilPlayed(Deadline deadline);
    void recover(int error, Deadline deadline);

    _snd_pcm *m_pcm = nullptr;
    std::chrono::milliseconds m_bufferTime{0};
};
