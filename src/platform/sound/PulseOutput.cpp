// SPDX-License-Identifier: MIT
#include "PulseOutput.h"

#include "AppIdentity.h"
#include "StreamProperties.h"

#include <pulse/pulseaudio.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace std::chrono;
using namespace std::chrono_literals;

namespace {

// Asked of the server: short enough that a tone's end is heard within a few milliseconds of the
// call returning, long enough not to run dry on a busy machine. Servers may grant more.
constexpr microseconds requestedLatency = 10ms;
// How early before its end a sound is handed back, beyond the server's own read-ahead, so that
// the next one arrives in time for a seamless join.
constexpr microseconds handoverSlack = 5ms;
// Each sound is sent with this many chunks of silence after it. The server plays whole chunks
// only, so without it a sound's last part would wait for the next sound, and a next sound a
// moment late would split it off with a chunk of silence. A sound that follows at once takes the
// place of the silence.
constexpr std::size_t paddingChunks = 2;
// The longest sleep between two looks at the playback position.
constexpr microseconds pollStep = 20ms;

pa_sample_spec sampleFormat(int sampleRate)
{
    return {PA_SAMPLE_S16NE, static_cast<std::uint32_t>(sampleRate), 1};
}

// Waits on a server request, and lets it go whatever happens to the wait.
class Operation
{
public:
    explicit Operation(pa_operation *operation) : m_operation(operation) {}
    ~Operation()
    {
        if (m_operation) {
            pa_operation_cancel(m_operation);
            pa_operation_unref(m_operation);
        }
    }
    Operation(const Operation &) = delete;
    Operation &operator=(const Operation &) = delete;
    bool done() const { return !m_operation || pa_operation_get_state(m_operation) != PA_OPERATION_RUNNING; }

private:
    pa_operation *m_operation;
};

} // namespace

PulseOutput::PulseOutput(int sampleRate, Deadline deadline)
{
    m_loop = pa_mainloop_new();
    pa_proplist *properties = pa_proplist_new();
    setClientProperties(properties);
    m_context = pa_context_new_with_proplist(pa_mainloop_get_api(m_loop), kAppName, properties);
    pa_proplist_free(properties);
    if (!m_context) {
        release();
        throw PlatformError("cannot set up a sound server connection");
    }
    try {
        // No autospawn: a desktop without a sound server gets the plain ALSA output instead.
        if (pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            fail("cannot reach the sound server");
        runUntil([this] { return pa_context_get_state(m_context) == PA_CONTEXT_READY; }, deadline, pollStep);
        openStream(sampleRate, deadline);
    } catch (...) {
        release();
        throw;
    }
}

void PulseOutput::openStream(int sampleRate, Deadline deadline)
{
    const pa_sample_spec format = sampleFormat(sampleRate);
    pa_proplist *properties = pa_proplist_new();
    setStreamProperties(properties);
    m_stream = pa_stream_new_with_proplist(m_context, "Alarm", &format, nullptr, properties);
    pa_proplist_free(properties);
    if (!m_stream)
        fail("cannot make a sound stream");
    // Only the target length is asked for; (uint32_t)-1 leaves a field to the server, as
    // PulseAudio documents for pa_buffer_attr.
    constexpr auto serversChoice = static_cast<std::uint32_t>(-1);
    pa_buffer_attr attributes;
    attributes.maxlength = serversChoice;
    attributes.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(requestedLatency.count(), &format));
    attributes.prebuf = serversChoice;
    attributes.minreq = serversChoice;
    attributes.fragsize = serversChoice;
    if (pa_stream_connect_playback(m_stream, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY, nullptr,
                                   nullptr) < 0)
        fail("cannot open a sound stream");
    runUntil([this] { return pa_stream_get_state(m_stream) == PA_STREAM_READY; }, deadline, pollStep);
    updateTiming(deadline);
}

PulseOutput::~PulseOutput()
{
    release();
}

void PulseOutput::release()
{
    // Disconnecting drops whatever the server still holds of ours; nothing waits for it.
    if (m_stream) {
        pa_stream_disconnect(m_stream);
        pa_stream_unref(m_stream);
        m_stream = nullptr;
    }
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

template <typename Done> void PulseOutput::runUntil(Done done, Deadline deadline, microseconds step)
{
    while (!done()) {
        checkConnection();
        const auto left = duration_cast<microseconds>(deadline - steady_clock::now());
        if (left <= 0us)
            throw OutputStalled("the sound server stopped answering");
        if (pa_mainloop_prepare(m_loop, static_cast<int>(std::min(left, step).count())) < 0 ||
            pa_mainloop_poll(m_loop) < 0 || pa_mainloop_dispatch(m_loop) < 0)
            throw PlatformError("the sound server connection broke");
    }
}

void PulseOutput::checkConnection() const
{
    const bool contextFailed = !PA_CONTEXT_IS_GOOD(pa_context_get_state(m_context));
    const bool streamFailed = m_stream && !PA_STREAM_IS_GOOD(pa_stream_get_state(m_stream));
    if (contextFailed || streamFailed)
        fail("sound server");
}

void PulseOutput::fail(const char *what) const
{
    throw PlatformError(std::string(what) + ": " + pa_strerror(pa_context_errno(m_context)));
}

void PulseOutput::updateTiming(Deadline deadline)
{
    const Operation update(pa_stream_update_timing_info(m_stream, nullptr, nullptr));
    runUntil([&update] { return update.done(); }, deadline, pollStep);
}

std::chrono::milliseconds PulseOutput::latency() const
{
    const pa_buffer_attr *attributes = pa_stream_get_buffer_attr(m_stream);
    const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
    pa_usec_t usec =
        attributes ? pa_bytes_to_usec(attributes->tlength, pa_stream_get_sample_spec(m_stream)) : 0;
    if (timing)
        usec += timing->sink_usec + timing->transport_usec;
    return ceil<milliseconds>(microseconds(usec));
}

void PulseOutput::play(std::span<const std::int16_t> samples, Deadline deadline)
{
    send(samples);
    waitUntilNearlyHeard(deadline);
}

void PulseOutput::send(std::span<const std::int16_t> samples)
{
    const std::size_t chunkBytes = pa_stream_get_buffer_attr(m_stream)->minreq;
    // While the server has not yet played through the previous sound's silence, this sound is
    // written over it, right after that sound; later, it follows the silence.
    const bool follows = steady_clock::now() < m_paddingPlayedBy;
    const auto offset = follows ? -static_cast<std::int64_t>(m_paddingBytes) : 0;
    if (!follows)
        m_written += m_paddingBytes;
    // Whole samples of silence, rounded up should a chunk be an odd number of bytes.
    const std::size_t paddingSamples = (paddingChunks * chunkBytes + 1) / sizeof(std::int16_t);
    std::vector<std::int16_t> padded(samples.begin(), samples.end());
    padded.resize(samples.size() + paddingSamples);
    if (pa_stream_write(m_stream, padded.data(), padded.size() * sizeof(std::int16_t), nullptr, offset,
                        PA_SEEK_RELATIVE) < 0)
        fail("cannot send sound");
    m_written += samples.size_bytes();
    m_paddingBytes = paddingSamples * sizeof(std::int16_t);
    m_paddingPlayedBy = {};
}

void PulseOutput::waitUntilNearlyHeard(Deadline deadline)
{
    const pa_sample_spec *format = pa_stream_get_sample_spec(m_stream);
    const auto chunk = microseconds(pa_bytes_to_usec(pa_stream_get_buffer_attr(m_stream)->minreq, format));
    const auto end = microseconds(pa_bytes_to_usec(m_written, format));
    for (;;) {
        updateTiming(deadline);
        const pa_timing_info *timing = pa_stream_get_timing_info(m_stream);
        if (!timing)
            throw PlatformError("the sound server gives no playback position");
        // What has been heard: all the server has taken, less what the sink still holds. The
        // server takes sound a chunk ahead, so the next sound has to be there before it takes
        // the last chunk of this one.
        const auto sinkHolds = microseconds(timing->sink_usec);
        const auto heard = microseconds(pa_bytes_to_usec(
                               std::uint64_t(std::max<std::int64_t>(timing->read_index, 0)), format)) -
                           sinkHolds;
        const auto left = end - (sinkHolds + chunk + handoverSlack) - heard;
        if (left <= 0us) {
            const auto unread = end - heard - sinkHolds;
            m_paddingPlayedBy =
                steady_clock::now() + unread + microseconds(pa_bytes_to_usec(m_paddingBytes, format));
            return;
        }
        // The position moves a chunk at a time, so it may already be a chunk further than it says.
        const auto step = std::clamp(duration_cast<microseconds>(left - chunk), microseconds(1ms), pollStep);
        const Deadline wakeUp = std::min(deadline, steady_clock::now() + step);
        runUntil([wakeUp] { return steady_clock::now() >= wakeUp; }, deadline, step);
    }
}
