// SPDX-License-Identifier: MIT
#pragma once

#include "LocaleTimeText.h"
#include "Platform.h"

#include <QLocale>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class DesktopNotifications;

// A platform for tests: a clock the test sets, boxes that close at once, and a log of every call
// in the order it was made ("box:", "voice", "speak:", "release voice", "beep:", "write:", "start:").
// Notices and standard error are kept apart, in notices and errors.
class FakePlatform final : public Platform
{
public:
    // The local time; setting it directly is setting the clock, while the machine's own clocks
    // (awakeMs, realMs) stand still.
    QTime time{0, 0, 0};
    int utcOffsetSeconds = 0;
    qint64 awakeMs = 0;
    qint64 realMs = 0;
    QLocale locale{QLocale::English, QLocale::UnitedStates};
    QStringList calls;

    // Names of operations that throw: "currentTime", "currentTimeText", "readClock",
    // "messageBox", "createVoice", "speak", "beep", "programDirectory", "runtimeDirectory",
    // "writeFile", "startScript".
    QSet<QString> failing;
    // Runs while a message box is open, so a test can let time pass before it is closed.
    std::function<void()> whileBoxOpen;

    QString programDir = QStringLiteral("/opt/alarm");
    QString runtimeDir = QStringLiteral("/run/user/1000");
    // Directories in which writeFile fails, as it does for a program installed in a system directory.
    QSet<QString> readOnlyDirectories;
    QMap<QString, QByteArray> files;

    int liveVoices = 0;
    QStringList voiceLanguages; // the language of each voice made, in order
    // What checkSound() finds; "checkSound" in failing makes it throw.
    SoundCheck sound;

    struct PostedNotice {
        Notice notice;
        std::function<void()> onAction;
        bool open = true;
    };
    // Every notice posted, in order; a handle is its index plus one.
    QList<PostedNotice> notices;
    QStringList errors;
    // Whether the window is marked as wanting attention, and how often the mark was set or taken away.
    bool urgent = false;
    int urgencyChanges = 0;
    // When set, notices also go to this real notification service, which then runs their actions.
    DesktopNotifications *desktopNotices = nullptr;

    // What is held of the computer's sleep: the reason idle sleep is held off for, empty while it
    // is not, and every reason given, in order. canWake false: a sleep finds no way to wake.
    QString idleSleepHeldFor;
    QStringList idleSleepReasons;
    bool canWake = true;

    void setTime(int hour, int minute, int second = 0) { time = QTime(hour, minute, second); }
    // Time passes: the local time and the machine's clocks move together.
    void advance(int milliseconds);
    // The machine sleeps: the local time and real time move on, awake time stands still.
    void sleep(int milliseconds);
    // The time zone's rules move the local time, as daylight saving does.
    void shiftZone(int seconds);
    QStringList callsStartingWith(const QString &prefix) const;
    QList<Notice> openNotices() const;
    // The user picks the action of the notice with this handle.
    void pickAction(int handle);
    // Whether a sleep that begins now waits for a wake-up to be set.
    bool wakesFromSleep() const { return bool(m_wakeDelay); }
    // The system is about to sleep: the delay of the wake-up set, or nothing when none was asked
    // for or none could be set.
    std::optional<qint64> announceSleep();

    QTime currentTime() override { return answer("currentTime", time); }
    QString currentTimeText() override { return answer("currentTimeText", clockTimeText(time, locale)); }
    ClockReading readClock() override
    {
        return answer("readClock", ClockReading{time, utcOffsetSeconds, awakeMs, realMs});
    }
    void messageBox(const QString &prompt, const QString &title) override;
    std::unique_ptr<Voice> createVoice(const std::string &language) override;
    void beep(int frequencyHz, int durationMs) override;
    SoundCheck checkSound() override { return answer("checkSound", sound); }
    QString programDirectory() override { return answer("programDirectory", programDir); }
    QString runtimeDirectory() override { return answer("runtimeDirectory", runtimeDir); }
    void writeFile(const QString &path, const QByteArray &content) override;
    void startScript(const QString &path) override;
    int postNotice(const Notice &notice, std::function<void()> onAction) override;
    void withdrawNotice(int handle) override;
    void printError(const QString &line) override;
    void markUrgent(QWidget &, bool mark) override
    {
        urgencyChanges += int(std::exchange(urgent, mark) != mark);
    }
    void holdOffIdleSleep(const QString &reason) override;
    void allowIdleSleep() override { idleSleepHeldFor.clear(); }
    void wakeFromSleep(std::function<qint64()> wakeDelay, std::function<void()> cannotWake) override;
    void stopWaking() override { m_wakeDelay = nullptr; }
    // From the fake clock, which has no time zone changes.
    qint64 secondsUntil(const QTime &at) override;

private:
    void failIfAsked(const QString &operation) const;
    // What an operation returns, unless the test made it fail.
    template <typename T> T answer(const char *operation, T value) const
    {
        failIfAsked(QLatin1String(operation));
        return value;
    }
    QMap<int, int> m_desktopHandles;
    std::function<qint64()> m_wakeDelay;
    std::function<void()> m_cannotWake;
    friend class FakeVoice;
};
