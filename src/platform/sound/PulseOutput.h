// SPDX-License-Identifier: MIT
#pragma once

#include "SoundOutput.h"

struct pa_context;
struct pa_mainloop;
struct pa_stream;

// A playback stream on the user's sound server through the PulseAudio protocol, which PulseAudio
// and PipeWire (pipewire-pulse) both serve. It asks for a short latency and reads the server's own
// timing, so "heard" means played at the sink, not merely handed over.
//
// The stream has a main loop of its own that runs only inside these calls, each with a deadline,
// so a server that hangs holds the caller no longer than the caller allows.
class PulseOutput final : public SoundOutput
{
public:
    // Connects to the server and opens a stream. Throws PlatformError at once when there is no
    // server, and OutputStalled when it does not answer by the deadline.
    PulseOutput(int sampleRate, Deadline deadline);
    ~PulseOutput() override;
    PulseOutput(const PulseOutput &) = delete;
    PulseOutput &operator=(const PulseOutput &) = delete;

    void play(std::span<const std::int16_t> samples, Deadline deadline) override;
    std::chrono::milliseconds latency() const override;

private:
    void openStream(int sampleRate, Deadline deadline);
    // Queues the samples and two chunks of silence after them, over the last sound's silence
    // while the server has not yet played it.
    void send(std::span<const std::int16_t> samples);
    // Returns when what was sent has been heard, but for a chunk and a little: the next sound
    // then joins it without a gap.
    void waitUntilNearlyHeard(Deadline deadline);
    void release();
    // Runs the main loop until done() holds; throws when the connection fails or the deadline passes.
    template <typename Done> void runUntil(Done done, Deadline deadline, std::chrono::microseconds step);
    void checkConnection() const;
    [[noreturn]] void fail(const char *what) const;
    // Asks the server where playback stands and waits for the answer.
    void updateTiming(Deadline deadline);

    pa_mainloop *m_loop = nullptr;
    pa_context *m_context = nullptr;
    pa_stream *m_stream = nullptr;
    std::uint64_t m_written = 0;    // bytes of sound up to the end of the last one, silences between included
    std::size_t m_paddingBytes = 0; // silence sent after the last sound
    std::chrono::steady_clock::time_point m_paddingPlayedBy{}; // when the server will have played it
};
