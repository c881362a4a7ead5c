// SPDX-License-Identifier: MIT
#include "SoundCheck.h"

#include "AudioPlayer.h"
#include "StreamProperties.h"

#include <alsa/asoundlib.h>
#include <pulse/pulseaudio.h>

#include <algorithm>
#include <functional>

using namespace std::chrono;

namespace {

int percentOf(const pa_cvolume &volume)
{
    return int((pa_cvolume_avg(&volume) * 100 + PA_VOLUME_NORM / 2) / PA_VOLUME_NORM);
}

// One conversation with the sound server, on a main loop of its own that runs only while it waits,
// and never past the deadline.
class ServerLook
{
public:
    explicit ServerLook(steady_clock::time_point deadline) : m_deadline(deadline)
    {
        m_loop = pa_mainloop_new();
        pa_proplist *properties = pa_proplist_new();
        setClientProperties(properties);
        m_context = pa_context_new_with_proplist(pa_mainloop_get_api(m_loop), kAppName, properties);
        pa_proplist_free(properties);
    }
    ~ServerLook()
    {
        if (m_stream) {
            pa_stream_disconnect(m_stream);
            pa_stream_unref(m_stream);
        }
        if (m_context) {
            pa_context_disconnect(m_context);
            pa_context_unref(m_context);
        }
        pa_mainloop_free(m_loop);
    }
    ServerLook(const ServerLook &) = delete;
    ServerLook &operator=(const ServerLook &) = delete;

    // False when no server answers at all.
    bool connect()
    {
        if (!m_context || pa_context_connect(m_context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        const auto settled = [this] {
            const pa_context_state_t state = pa_context_get_state(m_context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        };
        waitFor(settled);
        return pa_context_get_state(m_context) == PA_CONTEXT_READY;
    }

    void lookAtOutput(SoundCheck &check)
    {
        m_check = &check;
        waitForOperation(pa_context_get_sink_info_by_name(m_context, "@DEFAULT_SINK@", onSink, this));
    }

    // A stream as ALARM plays on, opened and never fed, so it never sounds: the server gives it the
    // volume it remembers for ALARM. (A corked one shows no volume on PipeWire until it is uncorked.)
    void lookAtStream(SoundCheck &check)
    {
        m_check = &check;
        pa_context_set_subscribe_callback(m_context, onEvent, this);
        waitForOperation(pa_context_subscribe(m_context, PA_SUBSCRIPTION_MASK_SINK_INPUT, nullptr, nullptr));
        const pa_sample_spec format{PA_SAMPLE_S16NE, std::uint32_t(AudioPlayer::sampleRate), 1};
        pa_proplist *properties = pa_proplist_new();
        setStreamProperties(properties);
        m_stream = pa_stream_new_with_proplist(m_context, "Alarm", &format, nullptr, properties);
        pa_proplist_free(properties);
        if (!m_stream || pa_stream_connect_playback(m_stream, nullptr, nullptr, PA_STREAM_START_CORKED,
                                                    nullptr, nullptr) < 0)
            throw PlatformError("cannot open a stream to look at its volume");
        waitFor([this] { return pa_stream_get_state(m_stream) != PA_STREAM_CREATING; });
        if (pa_stream_get_state(m_stream) != PA_STREAM_READY)
            throw PlatformError("the sound server refused a stream");
        readStream();
        // PipeWire may tell a stream's volume as 0 for a moment after it opens, before the
        // stream's own settings reach it, and then tells of the change. On the first stream
        // after the server starts that moment is long enough to be read. A 0 read stands only
        // when no change follows soon.
        constexpr milliseconds settling{150};
        if (check.streamPercent == 0 && waitForStreamChange(steady_clock::now() + settling))
            readStream();
    }

private:
    static void onSink(pa_context *, const pa_sink_info *sink, int, void *self)
    {
        if (sink) {
            static_cast<ServerLook *>(self)->m_check->outputMuted = sink->mute;
            static_cast<ServerLook *>(self)->m_check->outputPercent = percentOf(sink->volume);
        }
    }
    static void onEvent(pa_context *, pa_subscription_event_type_t event, std::uint32_t index, void *self)
    {
        auto *look = static_cast<ServerLook *>(self);
        if ((event & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_CHANGE && look->m_stream &&
            index == pa_stream_get_index(look->m_stream))
            ++look->m_streamChanges;
    }
    static void onStream(pa_context *, const pa_sink_input_info *input, int, void *self)
    {
        if (input) {
            static_cast<ServerLook *>(self)->m_check->streamMuted = input->mute;
            static_cast<ServerLook *>(self)->m_check->streamPercent = percentOf(input->volume);
        }
    }

    void readStream()
    {
        m_streamChanges = 0;
        waitForOperation(
            pa_context_get_sink_input_info(m_context, pa_stream_get_index(m_stream), onStream, this));
    }

    // False when until passes first, or the deadline.
    bool waitForStreamChange(steady_clock::time_point until)
    {
        return waitFor([this] { return m_streamChanges > 0; }, std::min(until, m_deadline));
    }

    void waitForOperation(pa_operation *operation)
    {
        if (!operation)
            throw PlatformError("the sound server refused a question");
        waitFor([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
        pa_operation_unref(operation);
    }

    void waitFor(const std::function<bool()> &done)
    {
        if (!waitFor(done, m_deadline))
            throw PlatformError("the sound server does not answer");
    }

    // False when until passes before done.
    bool waitFor(const std::function<bool()> &done, steady_clock::time_point until)
    {
        while (!done()) {
            const auto left = duration_cast<microseconds>(until - steady_clock::now());
            if (left <= 0us)
                return false;
            if (pa_mainloop_prepare(m_loop, int(left.count())) < 0 || pa_mainloop_poll(m_loop) < 0 ||
                pa_mainloop_dispatch(m_loop) < 0)
                throw PlatformError("the sound server connection broke");
        }
        return true;
    }

    steady_clock::time_point m_deadline;
    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    SoundCheck *m_check = nullptr;
    int m_streamChanges = 0;
};

// Whether ALSA's default device, the output where no server runs, can be had.
bool soundCardOpens()
{
    snd_pcm_t *pcm = nullptr;
    if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

} // namespace

SoundCheck checkSoundOutput(milliseconds timeout)
{
    SoundCheck check;
    ServerLook server(steady_clock::now() + timeout);
    if (!server.connect()) {
        check.output = soundCardOpens() ? SoundCheck::SoundCard : SoundCheck::Nothing;
        return check;
    }
    server.lookAtOutput(check);
    server.lookAtStream(check);
    return check;
}
