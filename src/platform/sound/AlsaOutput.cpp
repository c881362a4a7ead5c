// SPDX-License-Identifier: MIT
#include "AlsaOutput.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <string>
#include <thread>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// The latency asked of the device; sound servers may grant more, which the deadline takes in.
constexpr unsigned requestedLatencyUs = 50000;
// The most a sound is handed back before its end is heard, so that the next one joins seamlessly.
constexpr long handoverLeadMs = 8;
// How long one wait for room or for the end of playback may take before the deadline is checked.
constexpr milliseconds pollStep = 20ms;

// ALSA reports trouble on stderr by default; here every failure becomes a PlatformError instead.
void ignoreAlsaMessage(const char *, int, const char *, int, const char *, ...) {}

[[noreturn]] void fail(const char *what, int error)
{
    throw PlatformError(std::string(what) + ": " + snd_strerror(error));
}

[[noreturn]] void stalled()
{
    throw OutputStalled("sound output stopped playing");
}

milliseconds timeLeft(steady_clock::time_point deadline)
{
    const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
    if (left <= 0ms)
        stalled();
    return left;
}

} // namespace

AlsaOutput::AlsaOutput(int sampleRate) : m_sampleRate(sampleRate)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(ignoreAlsaMessage); });

    // Non-blocking, so that neither a busy device nor a full buffer can hold us up unbounded.
    snd_pcm_t *pcm = nullptr;
    int error = snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (error < 0)
        fail("cannot open the sound output", error);

    error = snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1,
                               static_cast<unsigned>(sampleRate), 1, requestedLatencyUs);
    snd_pcm_uframes_t bufferFrames = 0;
    snd_pcm_uframes_t periodFrames = 0;
    if (error >= 0)
        error = snd_pcm_get_params(pcm, &bufferFrames, &periodFrames);
    if (error < 0) {
        snd_pcm_close(pcm);
        fail("cannot set up the sound output", error);
    }
    m_pcm = pcm;
    m_bufferTime = milliseconds(static_cast<std::int64_t>(bufferFrames) * 1000 / sampleRate);
    m_leadFrames =
        std::min(static_cast<long>(periodFrames), static_cast<long>(sampleRate) * handoverLeadMs / 1000);
}

AlsaOutput::~AlsaOutput()
{
    // Opened non-blocking, so closing drops what is left instead of draining it.
    snd_pcm_close(m_pcm);
}

void AlsaOutput::play(std::span<const std::int16_t> samples, Deadline deadline)
{
    write(samples, deadline);
    waitUntilPlayed(deadline);
}

void AlsaOutput::write(std::span<const std::int16_t> samples, Deadline deadline)
{
    while (!samples.empty()) {
        const snd_pcm_sframes_t written = snd_pcm_writei(m_pcm, samples.data(), samples.size());
        if (written > 0) {
            samples = samples.subspan(static_cast<std::size_t>(written));
            continue;
        }
        if (written < 0 && written != -EAGAIN) {
            recover(static_cast<int>(written), deadline);
            continue;
        }
        // The buffer is full. It starts playing by itself once full, but make sure it has.
        if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
            start();
        const auto wait = std::min(timeLeft(deadline), pollStep);
        const int ready = snd_pcm_wait(m_pcm, static_cast<int>(wait.count()));
        if (ready < 0)
            recover(ready, deadline);
    }
}

void AlsaOutput::start()
{
    const int error = snd_pcm_start(m_pcm);
    if (error < 0)
        fail("cannot start the sound output", error);
}

void AlsaOutput::waitUntilPlayed(Deadline deadline)
{
    // A sound shorter than the buffer never reaches the start threshold.
    if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED)
        start();
    // Not snd_pcm_drain: it can wait forever on some devices. Watch the delay run out instead;
    // running dry (an underrun) also means everything has been played.
    for (;;) {
        const snd_pcm_state_t state = snd_pcm_state(m_pcm);
        if (state == SND_PCM_STATE_XRUN || state == SND_PCM_STATE_SETUP || state == SND_PCM_STATE_PREPARED)
            return;
        // The last few milliseconds stay queued, so that a sound asked for at once joins seamlessly.
        snd_pcm_sframes_t delay = 0;
        const int error = snd_pcm_delay(m_pcm, &delay);
        if (error == -EPIPE || (error >= 0 && delay <= m_leadFrames))
            return;
        if (error < 0) {
            recover(error, deadline);
            continue;
        }
        const milliseconds untilPlayed((delay - m_leadFrames) * 1000 / m_sampleRate + 1);
        std::this_thread::sleep_for(std::min({timeLeft(deadline), pollStep, untilPlayed}));
    }
}

void AlsaOutput::recover(int error, Deadline deadline)
{
    switch (error) {
    case -EINTR:
        return;
    case -EPIPE:
        // Ran dry in the middle, e.g. after a scheduling hiccup, or left so by the previous sound.
        error = snd_pcm_prepare(m_pcm);
        if (error < 0)
            fail("cannot restart the sound output", error);
        return;
    case -ESTRPIPE:
        // Suspended with the machine. snd_pcm_recover would retry the resume without end.
        while ((error = snd_pcm_resume(m_pcm)) == -EAGAIN)
            std::this_thread::sleep_for(std::min(timeLeft(deadline), pollStep));
        if (error < 0)
            error = snd_pcm_prepare(m_pcm);
        if (error < 0)
            fail("cannot resume the sound output", error);
        return;
    default:
        fail("sound output failed", error);
    }
}
