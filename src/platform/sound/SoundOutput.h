// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <chrono>
#include <cstdint>
#include <span>

// Thrown when an output took sound and then did not play it in time: a hung sound server or device.
class OutputStalled : public PlatformError
{
public:
    using PlatformError::PlatformError;
};

// One open stream to a sound server or device, mono 16-bit at the rate it was opened with.
class SoundOutput
{
public:
    using Deadline = std::chrono::steady_clock::time_point;

    virtual ~SoundOutput() = default;

    // Queues the samples right after those of the previous call and returns once they have been
    // heard, or so nearly that samples passed in at once follow without a gap. Throws
    // OutputStalled when the deadline passes first, PlatformError on any other failure.
    virtual void play(std::span<const std::int16_t> samples, Deadline deadline) = 0;

    // How long sound takes from play() to the listener; every deadline must leave room for it.
    virtual std::chrono::milliseconds latency() const = 0;
};
