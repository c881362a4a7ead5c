// SPDX-License-Identifier: MIT
#include "AudioPlayer.h"

#include "AlsaOutput.h"
#include "PulseOutput.h"

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// Allowed beyond a sound's length and the output's latency before the output counts as stalled.
constexpr milliseconds playMargin = 150ms;
// Allowed in addition for the first sound on a new stream: a suspended sink or card may take a
// moment to wake up.
constexpr milliseconds wakeUpMargin = 500ms;
// The longest a server may take to accept a connection and a stream.
constexpr milliseconds openBound = 500ms;
// Quiet time after which the output is closed; longer than the ringing period, so a ringing
// alarm keeps its stream.
constexpr milliseconds idleClose = 5s;

} // namespace

AudioPlayer::AudioPlayer()
{
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleClose);
    m_idle.callOnTimeout([this] { close(); });
}

AudioPlayer::~AudioPlayer() = default;

void AudioPlayer::play(std::span<const std::int16_t> samples)
{
    if (samples.empty())
        return;
    const auto now = steady_clock::now();
    if (now < m_pausedUntil)
        throw PlatformError("the sound output stalled a moment ago");

    try {
        if (!m_output)
            open();
        const milliseconds length(static_cast<std::int64_t>(samples.size()) * 1000 / sampleRate);
        const auto margin = m_fresh ? playMargin + wakeUpMargin : playMargin;
        m_fresh = false;
        m_output->play(samples, steady_clock::now() + length + m_output->latency() + margin);
        m_idle.start();
    } catch (const OutputStalled &) {
        close();
        m_pausedUntil = steady_clock::now() + stallPause;
        throw;
    } catch (...) {
        // Whatever went wrong may have left the output in any state; start clean next time.
        close();
        throw;
    }
}

void AudioPlayer::open()
{
    // A sound server first: it is what a desktop listens to. Where none runs, ALSA's default is
    // the card itself. A server that exists but hangs is a stall, not a reason to go around it.
    try {
        m_output = std::make_unique<PulseOutput>(sampleRate, steady_clock::now() + openBound);
        m_serverAnswered = true;
    } catch (const OutputStalled &) {
        throw;
    } catch (const PlatformError &) {
        // Once a server has answered, it is this desktop's sound: while it is away (restarting,
        // say) the alarm rings silently instead of through ALSA, whose plugin for that same
        // server can wait for it without bound.
        if (m_serverAnswered)
            throw;
        m_output = std::make_unique<AlsaOutput>(sampleRate);
    }
    m_fresh = true;
}

void AudioPlayer::close()
{
    m_idle.stop();
    m_output.reset();
}
