// SPDX-License-Identifier: MIT
#include "SineTone.h"

#include "Platform.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string>

std::vector<std::int16_t> sineTone(int frequencyHz, int durationMs, int sampleRate)
{
    if (sampleRate <= 0)
        throw PlatformError("invalid sample rate " + std::to_string(sampleRate));
    // At or above half the sample rate a sine cannot be represented; it would alias to another pitch.
    if (frequencyHz <= 0 || 2 * static_cast<std::int64_t>(frequencyHz) >= sampleRate)
        throw PlatformError("invalid tone frequency " + std::to_string(frequencyHz) + " Hz");
    if (durationMs <= 0 || durationMs > toneMaxDurationMs)
        throw PlatformError("invalid tone duration " + std::to_string(durationMs) + " ms");

    const auto count =
        static_cast<std::size_t>(std::lround(static_cast<double>(durationMs) * sampleRate / 1000));
    // A tone too short for two full fades fades in over its first half and out over its second.
    const std::size_t fade =
        std::min(static_cast<std::size_t>(std::lround(toneFadeMs * sampleRate / 1000.0)), count / 2);
    const double step = 2 * std::numbers::pi * frequencyHz / sampleRate;
    const double peak = toneLevel * 32767;

    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        double gain = 1.0;
        const std::size_t fromEdge = std::min(i, count - 1 - i);
        if (fromEdge < fade) {
            // Raised cosine: starts and ends with zero slope, so the edges make no click.
            gain = 0.5 - 0.5 * std::cos(std::numbers::pi * static_cast<double>(fromEdge) / fade);
        }
        samples[i] =
            static_cast<std::int16_t>(std::lround(peak * gain * std::sin(step * static_cast<double>(i))));
    }
    return samples;
}
