// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"
#include "RepeatFilter.h"

class AudioPlayer;
class DesktopNotifications;
class SleepControl;

// The real platform: Qt for the clock and message boxes; POSIX for files and processes; espeak-ng
// and the sound server (ALSA where none runs) for speech and tones; the session bus for notices; the
// session and system buses, and a wake timer, for sleep.
class DesktopPlatform final : public Platform
{
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    QTime currentTime() override;
    QString currentTimeText() override;
    ClockReading readClock() override;
    void messageBox(const QString &prompt, const QString &title) override;

    std::unique_ptr<Voice> createVoice(const std::string &language) override;
    void beep(int frequencyHz, int durationMs) override;
    SoundCheck checkSound() override;

    QString programDirectory() override;
    QString runtimeDirectory() override;
    void writeFile(const QString &path, const QByteArray &content) override;
    void startScript(const QString &path) override;

    int postNotice(const Notice &notice, std::function<void()> onAction) override;
    void withdrawNotice(int handle) override;
    void printError(const QString &line) override;
    void markUrgent(QWidget &window, bool urgent) override;

    void holdOffIdleSleep(const QString &reason) override;
    void allowIdleSleep() override;
    void wakeFromSleep(std::function<qint64()> wakeDelay, std::function<void()> cannotWake) override;
    void stopWaking() override;
    qint64 secondsUntil(const QTime &time) override;

private:
    // A remark that the same step would repeat at every tick goes to standard error once.
    void printErrorOnce(const QString &line);
    RepeatFilter m_told;

    // Speech and tones share one output; it is opened on first use, so a machine without sound
    // costs nothing until the program wants to make one.
    AudioPlayer &player();
    std::unique_ptr<AudioPlayer> m_player;
    // Joins the session bus on the first notice, so a run that posts none never touches it.
    DesktopNotifications &notices();
    std::unique_ptr<DesktopNotifications> m_notices;
    // Made when the first plan is armed.
    SleepControl &sleepControl();
    std::unique_ptr<SleepControl> m_sleep;
};
