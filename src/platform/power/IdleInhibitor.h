// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <map>

class BusLink;
class QDBusMessage;
class QDBusPendingCallWatcher;

// Keeps the desktop from suspending the computer for idleness, through the first of these that
// takes the request (which desktop honours which: see the README):
//  - GNOME's session manager, for suspending only, so that the screen may still blank and lock;
//  - org.freedesktop.PowerManagement, which Plasma's power manager serves;
//  - the desktop portal, for a sandboxed ALARM and other desktops;
//  - logind's "idle" block lock, which logind's own idle action honours.
// The first three end with this process's bus connection, the last with its file descriptor, so
// nothing is left behind however the program ends. Nothing waits on a bus: an answer may come
// late, and a release asked for before it came is carried out when it comes.
class IdleInhibitor final : public QObject
{
    Q_OBJECT

public:
    using ErrorSink = std::function<void(const QString &line)>;

    IdleInhibitor(BusLink &session, BusLink &system, ErrorSink tellError, QObject *parent = nullptr);
    // Lets go of everything held, at once.
    ~IdleInhibitor() override;

    // A hold with another reason replaces the one held once it is itself held.
    void hold(const QString &reason);
    // Carried out on the next turn of the event loop, so that a hold that follows at once (OFF,
    // then ON) takes over without a moment in which the computer may sleep.
    void release();

private:
    enum Way { GnomeSession, PowerManagement, Portal, Logind, kWays };
    struct Hold {
        QString reason;
        int way = 0;
        int tried = 0;
        bool held = false;
        QVariant token; // what lets go of it: a cookie, the portal request's path, a descriptor
        QStringList failures;
    };

    void ask(int id);
    void send(int id);
    void answered(int id, QDBusPendingCallWatcher *call);
    void tryNext(int id, const QString &failure, bool busFailed = false);
    void settle();
    void letGo(const Hold &hold);
    BusLink &linkFor(int way) const;
    QDBusMessage request(int way, const QString &reason) const;

    BusLink &m_session;
    BusLink &m_system;
    ErrorSink m_tellError;
    std::map<int, Hold> m_holds; // held, or asked for and not yet answered
    int m_wanted = 0;            // the hold wanted now; 0 when none
    int m_lastId = 0;
    int m_firstWay = GnomeSession; // the way that took the last hold is tried first
};
