// SPDX-License-Identifier: MIT
// An ALSA output plugin for tests that takes sound and never plays it, as a hung sound server
// does: its position never moves and its poll descriptor never becomes ready. Each open and
// close appends a line to the file named by the "log" setting.
#include <alsa/asoundlib.h>
#include <alsa/pcm_external.h>

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct StallingPcm {
    snd_pcm_ioplug_t io{};
    int pipe[2] = {-1, -1};
    std::string log;
};

void note(const std::string &log, const char *line)
{
    if (FILE *file = std::fopen(log.c_str(), "a")) {
        std::fputs(line, file);
        std::fclose(file);
    }
}

int closePcm(snd_pcm_ioplug_t *io)
{
    auto *pcm = static_cast<StallingPcm *>(io->private_data);
    note(pcm->log, "close\n");
    ::close(pcm->pipe[0]);
    ::close(pcm->pipe[1]);
    delete pcm;
    return 0;
}

// Starting and stopping do nothing, every write is taken whole, and the position never moves.
const snd_pcm_ioplug_callback_t callbacks = [] {
    snd_pcm_ioplug_callback_t c{};
    c.start = c.stop = [](snd_pcm_ioplug_t *) { return 0; };
    c.pointer = [](snd_pcm_ioplug_t *) -> snd_pcm_sframes_t { return 0; };
    c.transfer = [](snd_pcm_ioplug_t *, const snd_pcm_channel_area_t *, snd_pcm_uframes_t,
                    snd_pcm_uframes_t size) { return static_cast<snd_pcm_sframes_t>(size); };
    c.close = closePcm;
    return c;
}();

int constrain(snd_pcm_ioplug_t *io)
{
    static const unsigned int access[] = {SND_PCM_ACCESS_RW_INTERLEAVED};
    static const unsigned int format[] = {SND_PCM_FORMAT_S16_LE};
    int error = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_ACCESS, 1, access);
    if (error >= 0)
        error = snd_pcm_ioplug_set_param_list(io, SND_PCM_IOPLUG_HW_FORMAT, 1, format);
    if (error >= 0)
        error = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_CHANNELS, 1, 2);
    if (error >= 0)
        error = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_RATE, 8000, 48000);
    if (error >= 0)
        error = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIOD_BYTES, 64, 65536);
    if (error >= 0)
        error = snd_pcm_ioplug_set_param_minmax(io, SND_PCM_IOPLUG_HW_PERIODS, 2, 64);
    return error;
}

} // namespace

extern "C" SND_PCM_PLUGIN_DEFINE_FUNC(stalling)
{
    (void)root;
    auto *pcm = new StallingPcm;
    snd_config_iterator_t i, next;
    snd_config_for_each(i, next, conf)
    {
        snd_config_t *entry = snd_config_iterator_entry(i);
        const char *id = nullptr;
        const char *value = nullptr;
        if (snd_config_get_id(entry, &id) >= 0 && std::strcmp(id, "log") == 0 &&
            snd_config_get_string(entry, &value) >= 0)
            pcm->log = value;
    }
    if (::pipe(pcm->pipe) < 0) {
        delete pcm;
        return -errno;
    }
    pcm->io.version = SND_PCM_IOPLUG_VERSION;
    pcm->io.name = "stalling output";
    pcm->io.callback = &callbacks;
    pcm->io.private_data = pcm;
    pcm->io.poll_fd = pcm->pipe[0]; // nothing is ever written to the pipe
    pcm->io.poll_events = POLLIN;
    int error = snd_pcm_ioplug_create(&pcm->io, name, stream, mode);
    if (error < 0) {
        ::close(pcm->pipe[0]);
        ::close(pcm->pipe[1]);
        delete pcm;
        return error;
    }
    error = constrain(&pcm->io);
    if (error < 0) {
        snd_pcm_ioplug_delete(&pcm->io);
        return error;
    }
    note(pcm->log, "open\n");
    *pcmp = pcm->io.pcm;
    return 0;
}

extern "C" {
SND_PCM_PLUGIN_SYMBOL(stalling)
}
