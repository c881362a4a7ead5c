// SPDX-License-Identifier: MIT
#pragma once

#include "Loudness.h"

#include <cmath>
#include <cstdint>
#include <vector>

// The peak of a tone's steady part, as a fraction of full scale: a sine whose RMS is the loudness
// of speech peaks at sqrt(2) times that RMS.
inline const double toneLevel = std::sqrt(2.0) * std::pow(10.0, soundRmsDbfs / 20.0);
// The length of the ramps at either end of a tone, which keep it from clicking.
inline constexpr int toneFadeMs = 5;
// The longest tone anyone could want from an alarm clock's beep.
inline constexpr int toneMaxDurationMs = 10000;

// A sine tone of the given frequency and length as mono 16-bit samples at sampleRate, with short
// fades at both ends. Throws PlatformError for a frequency that is not positive or not below half
// the sample rate, or a length that is not positive or longer than toneMaxDurationMs.
std::vector<std::int16_t> sineTone(int frequencyHz, int durationMs, int sampleRate);
