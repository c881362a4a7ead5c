// SPDX-License-Identifier: MIT
// Stand-ins for the services that hold sleep off and wake the computer, for tests; none of them can
// suspend anything. The arguments name those to serve: on the session bus "gnome" (GNOME's session
// manager), "fdo" (org.freedesktop.PowerManagement), "portal" (the desktop portal) and "plasma"
// (Plasma's power manager, its wake-ups); on the system bus, which must be a private one
// (DBUS_SYSTEM_BUS_ADDRESS), "logind". Every call is written to standard output as one line of
// JSON with the monotonic time in ms, and so is a caller that leaves the bus and a lock whose file
// descriptor is closed. Commands on standard input: "sleep" and "wake" announce a sleep as logind
// does (PrepareForSleep true, then false); "answer hold" keeps the answers to Inhibit back from
// then on, and "answer now" sends those kept and answers at once again. It ends when its input
// closes or its parent dies.
#include "StandIn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QJsonObject>
#include <QSocketNotifier>
#include <QVariantMap>

#include <cstdio>
#include <ctime>
#include <functional>

#include <fcntl.h>
#include <unistd.h>

namespace {

double monotonicMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

void record(QJsonObject line)
{
    line.insert("ms", monotonicMs());
    standin::tell(line);
}

// Whether the answers to Inhibit are kept back, and those kept.
bool g_holdAnswers = false;
QList<std::function<void()>> g_heldAnswers;

} // namespace

// What every stand-in shares: it records its calls, notes who made them so as to record when they
// leave the bus (which ends what they held, as the real services do), and answers as told.
class StandIn : public QObject, protected QDBusContext
{
    Q_OBJECT

public:
    StandIn(QDBusConnection bus, QString name) : m_bus(bus), m_name(std::move(name))
    {
        m_callers.setConnection(bus);
        m_callers.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
        connect(&m_callers, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString &caller) {
            record({{"gone", caller}, {"service", m_name}});
        });
    }

protected:
    void recordCall(QJsonObject line)
    {
        line.insert("service", m_name);
        line.insert("sender", message().service());
        m_callers.addWatchedService(message().service());
        record(line);
    }
    // Answers the call being handled now, or once the answers are let go.
    template <typename T> T answer(const T &value)
    {
        if (!g_holdAnswers)
            return value;
        setDelayedReply(true);
        g_heldAnswers << [bus = m_bus, reply = message().createReply(QVariant::fromValue(value))]() mutable {
            bus.send(reply);
        };
        return T();
    }

    QDBusConnection m_bus;
    QString m_name;
    uint m_lastCookie = 0;

private:
    QDBusServiceWatcher m_callers;
};

class GnomeSession : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public:
    using StandIn::StandIn;
public slots:
    uint Inhibit(const QString &app, uint window, const QString &reason, uint flags)
    {
        recordCall({{"call", "Inhibit"},
                    {"app", app},
                    {"window", int(window)},
                    {"reason", reason},
                    {"flags", int(flags)},
                    {"cookie", int(++m_lastCookie)}});
        return answer(m_lastCookie);
    }
    void Uninhibit(uint cookie) { recordCall({{"call", "Uninhibit"}, {"cookie", int(cookie)}}); }
};

class PowerManagementInhibit : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    using StandIn::StandIn;
public slots:
    uint Inhibit(const QString &app, const QString &reason)
    {
        recordCall({{"call", "Inhibit"}, {"app", app}, {"reason", reason}, {"cookie", int(++m_lastCookie)}});
        return answer(m_lastCookie);
    }
    void UnInhibit(uint cookie) { recordCall({{"call", "UnInhibit"}, {"cookie", int(cookie)}}); }
};

class PortalRequest : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    using StandIn::StandIn;
public slots:
    void Close()
    {
        recordCall({{"call", "Close"}, {"handle", message().path()}});
        m_bus.unregisterObject(message().path());
        deleteLater();
    }
};

class Portal : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public:
    using StandIn::StandIn;
public slots:
    QDBusObjectPath Inhibit(const QString &window, uint flags, const QVariantMap &options)
    {
        const QString handle = QStringLiteral("/org/freedesktop/portal/desktop/request/%1/t%2")
                                   .arg(message().service().mid(1).replace('.', '_'))
                                   .arg(++m_lastCookie);
        m_bus.registerObject(handle, new PortalRequest(m_bus, m_name), QDBusConnection::ExportAllSlots);
        recordCall({{"call", "Inhibit"},
                    {"window", window},
                    {"flags", int(flags)},
                    {"reason", options.value("reason").toString()},
                    {"handle", handle}});
        return answer(QDBusObjectPath(handle));
    }
};

class PlasmaPower : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.Solid.PowerManagement")
public:
    using StandIn::StandIn;
public slots:
    uint scheduleWakeup(const QString &service, const QDBusObjectPath &path, qulonglong timestamp)
    {
        recordCall({{"call", "scheduleWakeup"},
                    {"callback", service + path.path()},
                    {"timestamp", qint64(timestamp)},
                    {"cookie", int(++m_lastCookie)}});
        return m_lastCookie;
    }
    void clearWakeup(int cookie) { recordCall({{"call", "clearWakeup"}, {"cookie", cookie}}); }
};

// Hands out a lock as logind does: the write end of a pipe, whose closing it sees as the lock's end.
class Logind : public StandIn
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    using StandIn::StandIn;
    void announceSleep(bool starting)
    {
        QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                         "org.freedesktop.login1.Manager", "PrepareForSleep");
        signal << starting;
        record({{"signal", "PrepareForSleep"}, {"start", starting}});
        m_bus.send(signal);
    }
public slots:
    QDBusUnixFileDescriptor Inhibit(const QString &what, const QString &who, const QString &why,
                                    const QString &mode)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            qFatal("no pipe");
        const int lock = int(++m_lastCookie);
        recordCall({{"call", "Inhibit"},
                    {"what", what},
                    {"who", who},
                    {"why", why},
                    {"mode", mode},
                    {"lock", lock}});
        auto *released = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        connect(released, &QSocketNotifier::activated, this, [released, lock] {
            char byte;
            if (::read(int(released->socket()), &byte, 1) > 0)
                return;
            record({{"released", lock}});
            released->setEnabled(false);
            ::close(int(released->socket()));
            released->deleteLater();
        });
        const QDBusUnixFileDescriptor handed(ends[1]); // a copy of its own
        ::close(ends[1]);
        return answer(handed);
    }
};

namespace {

void serve(QDBusConnection bus, const char *service, const char *path, StandIn *standIn)
{
    if (!bus.registerObject(path, standIn, QDBusConnection::ExportAllSlots) || !bus.registerService(service))
        qFatal("cannot serve %s: %s", service, qPrintable(bus.lastError().message()));
}

// The stand-ins named; logind's, if it is one of them.
Logind *serveWanted(const QStringList &wanted)
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (wanted.contains("gnome"))
        serve(session, "org.gnome.SessionManager", "/org/gnome/SessionManager",
              new GnomeSession(session, "gnome"));
    if (wanted.contains("fdo"))
        serve(session, "org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
              new PowerManagementInhibit(session, "fdo"));
    if (wanted.contains("portal"))
        serve(session, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
              new Portal(session, "portal"));
    if (wanted.contains("plasma"))
        serve(session, "org.kde.Solid.PowerManagement", "/org/kde/Solid/PowerManagement",
              new PlasmaPower(session, "plasma"));
    if (!wanted.contains("logind"))
        return nullptr;
    QDBusConnection system = QDBusConnection::systemBus();
    auto *logind = new Logind(system, "logind");
    serve(system, "org.freedesktop.login1", "/org/freedesktop/login1", logind);
    return logind;
}

void obey(const QStringList &words, Logind *logind)
{
    if ((words[0] == "sleep" || words[0] == "wake") && logind)
        logind->announceSleep(words[0] == "sleep");
    else if (words[0] == "answer" && !(g_holdAnswers = words.value(1) == "hold"))
        while (!g_heldAnswers.isEmpty())
            g_heldAnswers.takeFirst()();
}

} // namespace

int main(int argc, char *argv[])
{
    if (!standin::endWithParent())
        return 1;
    QCoreApplication app(argc, argv);
    Logind *logind = serveWanted(app.arguments().mid(1));

    standin::Commands commands(app, [&](const QStringList &words) { obey(words, logind); });
    record({{"ready", true}});
    return app.exec();
}

#include "PowerServicesMain.moc"
