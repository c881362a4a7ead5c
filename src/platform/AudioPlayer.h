// SPDX-License-Identifier: MIT
#pragma once

// Placeholder until the ALSA player lands.
class AudioPlayer
{
};
