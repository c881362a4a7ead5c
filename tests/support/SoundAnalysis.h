// SPDX-License-Identifier: MIT
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

// Measurements of mono 16-bit sound for the sound tests.
namespace sound {

// The frequency of a steady tone, from the spacing of its rising zero crossings, each placed
// between samples by linear interpolation.
inline double frequency(std::span<const std::int16_t> samples, int sampleRate)
{
    double first = -1;
    double last = -1;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            const double at =
                static_cast<double>(i - 1) + -samples[i - 1] / double(samples[i] - samples[i - 1]);
            if (first < 0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) * sampleRate / (last - first);
}

inline double rms(std::span<const std::int16_t> samples)
{
    if (samples.empty())
        return 0;
    double sum = 0;
    for (const std::int16_t s : samples)
        sum += double(s) * s;
    return std::sqrt(sum / static_cast<double>(samples.size()));
}

inline int peak(std::span<const std::int16_t> samples)
{
    int top = 0;
    for (const std::int16_t s : samples)
        top = std::max(top, std::abs(int(s)));
    return top;
}

struct Stretch {
    std::size_t begin;
    std::size_t end;
    std::size_t size() const { return end - begin; }
};

// The stretches where the loudest sample within window/2 either side reaches threshold: for a
// sequence of tones, one stretch per tone, split by the fades between them.
inline std::vector<Stretch> loudStretches(std::span<const std::int16_t> samples, int threshold,
                                          std::size_t window)
{
    std::vector<Stretch> stretches;
    bool inside = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::size_t from = i > window / 2 ? i - window / 2 : 0;
        const std::size_t to = std::min(samples.size(), i + window / 2);
        const bool loud = peak(samples.subspan(from, to - from)) >= threshold;
        if (loud && !inside)
            stretches.push_back({i, i});
        if (loud)
            stretches.back().end = i + 1;
        inside = loud;
    }
    return stretches;
}

} // namespace sound
