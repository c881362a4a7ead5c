// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class BusLink;
class QDBusMessage;
class QDBusPendingCallWatcher;
class WakeTimer;

// Wakes the computer from a sleep the user asks for (the lid, the Suspend button). While started it
// holds logind's "sleep" delay lock, so that a sleep waits for it: when logind announces the sleep,
// the wake-up is set and the lock let go at once, and the sleep goes ahead. After the sleep the
// wake-up has done its work; it is taken down and the lock taken again. A lock ends with its file
// descriptor, so one is never left behind, however the program ends.
class SleepWatch final : public QObject
{
    Q_OBJECT

public:
    using ErrorSink = std::function<void(const QString &line)>;

    SleepWatch(BusLink &system, WakeTimer &wake, ErrorSink tellError, QObject *parent = nullptr);
    ~SleepWatch() override;

    // wakeDelay gives the seconds from the start of a sleep to its wake-up; cannotWake runs before
    // a sleep that nothing can wake the computer from.
    void start(std::function<qint64()> wakeDelay, std::function<void()> cannotWake);
    void stop();

private slots:
    void prepareForSleep(bool starting, const QDBusMessage &message);

private:
    void listen();
    void takeLock();
    void lockAnswered(QDBusPendingCallWatcher *call);
    void letGoOfLock();

    BusLink &m_system;
    WakeTimer &m_wake;
    ErrorSink m_tellError;
    std::function<qint64()> m_wakeDelay; // empty while stopped
    std::function<void()> m_cannotWake;
    bool m_listening = false;
    bool m_asking = false;
    bool m_sleeping = false;
    int m_lock = -1;
    QString m_logind; // logind's name on the bus: the only sender whose announcements count
};
