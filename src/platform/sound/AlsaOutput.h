// SPDX-License-Identifier: MIT
#pragma once

#include "SoundOutput.h"

struct _snd_pcm;

// ALSA's default output: for machines with no sound server, where it is the sound card itself.
//
// Some devices and plugins never finish a drain or a blocking write, so the device is opened
// non-blocking and every wait is bounded by the caller's deadline.
class AlsaOutput final : public SoundOutput
{
public:
    // Throws PlatformError when there is no usable output.
    explicit AlsaOutput(int sampleRate);
    ~AlsaOutput() override;
    AlsaOutput(const AlsaOutput &) = delete;
    AlsaOutput &operator=(const AlsaOutput &) = delete;

    void play(std::span<const std::int16_t> samples, Deadline deadline) override;
    std::chrono::milliseconds latency() const override { return m_bufferTime; }

private:
    void write(std::span<const std::int16_t> samples, Deadline deadline);
    void start();
    void waitUntilPlayed(Deadline deadline);
    void recover(int error, Deadline deadline);

    _snd_pcm *m_pcm = nullptr;
    int m_sampleRate;
    std::chrono::milliseconds m_bufferTime{0};
    // Frames still queued when a sound is handed back, so that the next one joins without a gap.
    long m_leadFrames = 0;
};
