// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <span>

// Speech and tones are made equally loud, so that neither the spoken time nor the melody is lost
// beside the other or startles: both at this RMS over their sounding parts, in dB relative to full
// scale. A sine at this RMS peaks 3 dB higher.
inline constexpr double soundRmsDbfs = -16.0;
// Speech is brought up to that loudness; its few peaks that would pass this are rounded off.
inline constexpr double speechPeakDbfs = -1.0;

// The RMS of the sounding parts of mono 16-bit samples, in dBFS: pauses between words do not
// count, so a slow speaker is not judged quieter. Minus infinity for silence.
double soundingRmsDbfs(std::span<const std::int16_t> samples, int sampleRate);

// Scales speech to soundRmsDbfs, keeping every peak at or below speechPeakDbfs.
void levelSpeech(std::span<std::int16_t> samples, int sampleRate);
