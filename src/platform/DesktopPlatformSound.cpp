// SPDX-License-Identifier: MIT
#include "AudioPlayer.h"
#include "DesktopPlatform.h"

DesktopPlatform::DesktopPlatform() = default;
DesktopPlatform::~DesktopPlatform() = default;

AudioPlayer &DesktopPlatform::player()
{
    if (!m_player)
        m_player = std::make_unique<AudioPlayer>();
    return *m_player;
}

std::unique_ptr<Voice> DesktopPlatform::createVoice()
{
    throw PlatformError("no speech engine");
}

void DesktopPlatform::beep(int, int)
{
    throw PlatformError("no tone generator");
}
