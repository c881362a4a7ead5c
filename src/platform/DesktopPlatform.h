// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

class AudioPlayer;

// The real platform: Qt for clock, boxes, files and processes; espeak-ng and ALSA for sound.
class DesktopPlatform final : public Platform
{
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    QTime currentTime() override;
    QString currentTimeText() override;
    void messageBox(const QString &prompt, const QString &title) override;

    std::unique_ptr<Voice> createVoice() override;
    void beep(int frequencyHz, int durationMs) override;

    QString programDirectory() override;
    QString runtimeDirectory() override;
    void writeFile(const QString &path, const QByteArray &content) override;
    void startScript(const QString &path) override;

private:
    // Speech and tones share one output; it is opened on first use, so a machine without sound
    // costs nothing until the program wants to make one.
    AudioPlayer &player();
    std::unique_ptr<AudioPlayer> m_player;
};
