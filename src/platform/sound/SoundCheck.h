// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <chrono>

// Looks at what the alarm would play into, without playing: the sound server's default output
// and the volume the server gives ALARM's stream, or, without a server, whether ALSA's default
// device opens. Waits for the server no longer than timeout; throws PlatformError when it cannot
// tell in that time.
SoundCheck checkSoundOutput(std::chrono::milliseconds timeout);
