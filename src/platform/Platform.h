// SPDX-License-Identifier: MIT
#pragma once

#include "ClockReading.h"
#include "Notice.h"

#include <QByteArray>
#include <QString>
#include <QTime>

class QWidget;

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// Every platform operation reports failure by throwing this. The window's handlers catch it at their
// very end, so a failing step ends the handler quietly and keeps what the steps before it did.
class PlatformError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

// What the alarm would ring into, looked at when it is armed.
struct SoundCheck {
    enum Output { Server, SoundCard, Nothing };
    Output output = Server;
    // The sound server's default output: muted, and its volume in percent of full scale.
    bool outputMuted = false;
    int outputPercent = 100;
    // ALARM's own stream as the server would open it: the volume it remembers for it.
    bool streamMuted = false;
    int streamPercent = 100;
};

// One voice for one announcement; it is released when the handler that made it ends.
class Voice
{
public:
    virtual ~Voice() = default;
    // Speaks the text exactly as given and returns when it has been spoken.
    virtual void Speak(const QString &text) = 0;
};

// The window's only door to the outside world: clock, message boxes, speech, tones, files,
// processes and notices. The window receives one at construction; tests hand it a fake.
class Platform
{
public:
    virtual ~Platform() = default;

    // The local wall-clock time.
    virtual QTime currentTime() = 0;
    // The local time as a person reads a clock, in the user's locale ("7:30:05 PM").
    virtual QString currentTimeText() = 0;
    // The local time with the machine's own clocks, to tell a clock that was set, a time zone
    // that changed and a machine that slept apart.
    virtual ClockReading readClock() = 0;

    // A modal box with a prompt, a title and a single OK button; returns when it is closed.
    virtual void messageBox(const QString &prompt, const QString &title) = 0;

    // A voice for language, as espeak-ng names it ("de", "en-us"); English where the engine has
    // no voice for it. Throws when no speech engine can be had.
    virtual std::unique_ptr<Voice> createVoice(const std::string &language) = 0;
    // A tone of the given frequency and length; returns when it has sounded.
    virtual void beep(int frequencyHz, int durationMs) = 0;
    // What sounds would be heard through, without sounding anything and never changing a volume.
    // Throws when it cannot be told in a moment (a hung server).
    virtual SoundCheck checkSound() = 0;

    // The directory that holds the program itself, without a trailing separator (except "/").
    virtual QString programDirectory() = 0;
    // The user's private runtime directory, for files the program cannot keep beside itself.
    // Throws when the user has none of their own.
    virtual QString runtimeDirectory() = 0;
    // Replaces the file at path with exactly these bytes, atomically: readers see the old file or
    // the new one, never a half-written one, and a symbolic link at path is replaced, not followed.
    // Throws, writing nothing, for a directory the script may not go to: one that belongs to the
    // system (an installed program's), is not the user's own, or that someone else could change.
    virtual void writeFile(const QString &path, const QByteArray &content) = 0;
    // Starts the command script at path as a separate process, without waiting for it. Throws,
    // starting nothing, when someone other than the user and root could change the interpreter.
    virtual void startScript(const QString &path) = 0;

    // Shows a desktop notification; returns a handle for withdrawNotice. onAction, if any, runs
    // when the user picks the notice's action. Never throws: a notice that cannot be shown is told
    // on standard error instead.
    virtual int postNotice(const Notice &notice, std::function<void()> onAction) = 0;
    virtual void withdrawNotice(int handle) = 0;
    // One line on standard error, after the program's name. Never throws.
    virtual void printError(const QString &line) = 0;
    // Marks the window's place in the taskbar or dock as wanting attention, without taking the
    // focus, or takes the mark away. Never throws.
    virtual void markUrgent(QWidget &window, bool urgent) = 0;

    // Sleep. Nothing here waits on the desktop or the system: their answers come later, and what
    // cannot be had is told on standard error. These never throw.
    //
    // Keeps the desktop from putting the computer to sleep for idleness until allowIdleSleep(); the
    // screen may still blank and lock. reason is what the desktop shows for it, where it shows one.
    // Holding again with another reason replaces the one held, with no moment between the two.
    virtual void holdOffIdleSleep(const QString &reason) = 0;
    virtual void allowIdleSleep() = 0;
    // Until stopWaking(), a sleep that begins is held back until the computer is set to wake
    // wakeDelay() seconds later (asked as the sleep begins), and no longer; cannotWake() runs
    // before the sleep goes ahead when the computer has no way to be woken.
    virtual void wakeFromSleep(std::function<qint64()> wakeDelay, std::function<void()> cannotWake) = 0;
    virtual void stopWaking() = 0;
    // Real seconds from now until the local clock next shows time, counting the time zone's
    // changes on the way: from 23:00 to 7:30 across the spring change is 7.5 hours, not 8.5.
    virtual qint64 secondsUntil(const QTime &time) = 0;
};
