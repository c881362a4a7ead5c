// SPDX-License-Identifier: MIT
#pragma once

#include <array>

struct Tone {
    int frequencyHz;
    int durationMs;
};

// Rises from 500 Hz to 950 Hz in steps of 150 Hz and falls back, the top tone twice: one second
// of sound in every two-second ringing tick.
inline constexpr std::array<Tone, 8> kMelody{{
    {500, 125},
    {650, 125},
    {800, 125},
    {950, 125},
    {950, 125},
    {800, 125},
    {650, 125},
    {500, 125},
}};
