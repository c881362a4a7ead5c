// SPDX-License-Identifier: MIT
#include "Loudness.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr double fullScale = 32768.0;
// Loudness is judged over blocks this long: a syllable or two.
constexpr int blockMs = 50;
// Blocks quieter than this count as silence outright ...
constexpr double silenceDbfs = -60.0;
// ... and so do blocks this far below the loudness of the rest, such as breaths and pauses.
constexpr double relativeGateDb = 15.0;
// Peaks are rounded off from here up to speechPeakDbfs.
constexpr double kneeDbfs = -4.0;

double fromDb(double db)
{
    return std::pow(10.0, db / 20.0);
}

double toDb(double ratio)
{
    return ratio > 0 ? 20.0 * std::log10(ratio) : -std::numeric_limits<double>::infinity();
}

} // namespace

double soundingRmsDbfs(std::span<const std::int16_t> samples, int sampleRate)
{
    const std::size_t block = std::max<std::size_t>(1, static_cast<std::size_t>(sampleRate) * blockMs / 1000);
    std::vector<double> energies; // mean square of each block, relative to full scale
    for (std::size_t at = 0; at < samples.size(); at += block) {
        const auto part = samples.subspan(at, std::min(block, samples.size() - at));
        double sum = 0;
        for (const std::int16_t s : part)
            sum += (s / fullScale) * (s / fullScale);
        energies.push_back(sum / static_cast<double>(part.size()));
    }
    auto gatedMean = [&](double gateDbfs) {
        const double gate = fromDb(gateDbfs) * fromDb(gateDbfs);
        double sum = 0;
        int count = 0;
        for (const double e : energies) {
            if (e > gate) {
                sum += e;
                ++count;
            }
        }
        return count ? sum / count : 0.0;
    };
    const double rough = gatedMean(silenceDbfs);
    if (rough <= 0)
        return -std::numeric_limits<double>::infinity();
    return toDb(std::sqrt(gatedMean(toDb(std::sqrt(rough)) - relativeGateDb)));
}

void levelSpeech(std::span<std::int16_t> samples, int sampleRate)
{
    const double level = soundingRmsDbfs(samples, sampleRate);
    if (!std::isfinite(level))
        return;
    const double gain = fromDb(soundRmsDbfs - level);
    const double knee = fromDb(kneeDbfs);
    const double ceiling = fromDb(speechPeakDbfs);
    for (std::int16_t &s : samples) {
        const double x = s / fullScale * gain;
        double magnitude = std::abs(x);
        // A smooth bend above the knee that approaches the ceiling but never reaches it.
        if (magnitude > knee)
            magnitude = knee + (ceiling - knee) * std::tanh((magnitude - knee) / (ceiling - knee));
        s = static_cast<std::int16_t>(std::lround(std::copysign(magnitude, x) * fullScale));
    }
}
