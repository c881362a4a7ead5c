// SPDX-License-Identifier: MIT
#pragma once

#include "Platform.h"

#include <QLocale>
#include <QMap>
#include <QSet>
#include <QStringList>

#include <functional>

// A platform for tests: a clock the test sets, boxes that close at once, and a log of every call
// in the order it was made ("box:", "voice", "speak:", "release voice", "beep:", "write:", "start:").
class FakePlatform final : public Platform
{
public:
    QTime time{0, 0, 0};
    QLocale locale{QLocale::English, QLocale::UnitedStates};
    QStringList calls;

    // Names of operations that throw: "currentTime", "currentTimeText", "messageBox",
    // "createVoice", "speak", "beep", "programDirectory", "runtimeDirectory", "writeFile", "startScript".
    QSet<QString> failing;
    // Runs while a message box is open, so a test can let time pass before it is closed.
    std::function<void()> whileBoxOpen;

    QString programDir = QStringLiteral("/opt/alarm");
    QString runtimeDir = QStringLiteral("/run/user/1000");
    // Directories in which writeFile fails, as it does for a program installed in a system directory.
    QSet<QString> readOnlyDirectories;
    QMap<QString, QByteArray> files;

    int liveVoices = 0;

    void setTime(int hour, int minute, int second = 0) { time = QTime(hour, minute, second); }
    void advance(int milliseconds) { time = time.addMSecs(milliseconds); }
    QStringList callsStartingWith(const QString &prefix) const;

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
    void failIfAsked(const QString &operation) const;
    friend class FakeVoice;
};
