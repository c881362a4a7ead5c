// SPDX-License-Identifier: MIT
#include "IdleInhibitor.h"

#include "AppIdentity.h"
#include "BusLink.h"
#include "OwnDescriptor.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QTimer>
#include <QVariantMap>

#include <unistd.h>

namespace {

// What gnome-session and the portal call "suspending the computer"; their 8, "idle", would also
// keep the screen from blanking and locking, which a plan has no need of.
constexpr uint kSuspendFlag = 4;

struct Address {
    const char *service;
    const char *path;
    const char *interface;
    const char *name; // for the user
};
// In the order of IdleInhibitor::Way.
constexpr Address kAddresses[] = {
    {"org.gnome.SessionManager", "/org/gnome/SessionManager", "org.gnome.SessionManager",
     "GNOME's session manager"},
    {"org.freedesktop.PowerManagement", "/org/freedesktop/PowerManagement/Inhibit",
     "org.freedesktop.PowerManagement.Inhibit", "org.freedesktop.PowerManagement"},
    {"org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Inhibit",
     "the desktop portal"},
    {"org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.login1.Manager", "logind"},
};

QDBusMessage methodCall(const Address &address, const QString &path, const char *interface,
                        const char *method)
{
    return QDBusMessage::createMethodCall(QString::fromLatin1(address.service), path,
                                          QString::fromLatin1(interface), QString::fromLatin1(method));
}

} // namespace

IdleInhibitor::IdleInhibitor(BusLink &session, BusLink &system, ErrorSink tellError, QObject *parent)
    : QObject(parent), m_session(session), m_system(system), m_tellError(std::move(tellError))
{}

IdleInhibitor::~IdleInhibitor()
{
    for (const auto &[id, hold] : m_holds) {
        if (hold.held)
            letGo(hold);
    }
}

void IdleInhibitor::hold(const QString &reason)
{
    const auto wanted = m_holds.find(m_wanted);
    if (wanted != m_holds.end() && wanted->second.reason == reason)
        return;
    // One let go of but still held, or still asked for, is taken back into use: arming and
    // cancelling against a service that does not answer piles nothing up.
    for (const auto &[id, hold] : m_holds) {
        if (hold.reason == reason) {
            m_wanted = id;
            settle();
            return;
        }
    }
    m_wanted = ++m_lastId;
    Hold &hold = m_holds[m_wanted];
    hold.reason = reason;
    hold.way = m_firstWay;
    ask(m_wanted);
}

void IdleInhibitor::release()
{
    m_wanted = 0;
    QTimer::singleShot(0, this, &IdleInhibitor::settle);
}

void IdleInhibitor::ask(int id)
{
    linkFor(m_holds.at(id).way).whenJoined(this, [this, id](const QString &failure) {
        if (!m_holds.count(id))
            return;
        if (failure.isEmpty())
            send(id);
        else
            tryNext(id, failure, true);
    });
}

void IdleInhibitor::send(int id)
{
    const Hold &hold = m_holds.at(id);
    // With the bus's usual time-out: where a service is there but hangs, the next ways are worth
    // little (on GNOME none of them keeps the computer awake), and it may yet answer.
    auto *call = new QDBusPendingCallWatcher(
        linkFor(hold.way).connection().asyncCall(request(hold.way, hold.reason)), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, id](QDBusPendingCallWatcher *finished) { answered(id, finished); });
}

QDBusMessage IdleInhibitor::request(int way, const QString &reason) const
{
    const Address &address = kAddresses[way];
    QDBusMessage message =
        methodCall(address, QString::fromLatin1(address.path), address.interface, "Inhibit");
    switch (way) {
    case GnomeSession:
        // No window to name (0): the computer is kept awake for the plan, not for a window.
        message << QString::fromLatin1(kAppId) << 0u << reason << kSuspendFlag;
        break;
    case PowerManagement:
        message << QString::fromLatin1(kAppName) << reason;
        break;
    case Portal:
        message << QString() << kSuspendFlag << QVariantMap{{QStringLiteral("reason"), reason}};
        break;
    default:
        message << QStringLiteral("idle") << QString::fromLatin1(kAppName) << reason
                << QStringLiteral("block");
    }
    return message;
}

void IdleInhibitor::answered(int id, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const auto found = m_holds.find(id);
    if (found == m_holds.end())
        return;
    Hold &hold = found->second;
    const QDBusMessage reply = call->reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        tryNext(id, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage());
        return;
    }
    const QVariant value = reply.arguments().value(0);
    if (hold.way == Portal)
        hold.token = value.value<QDBusObjectPath>().path();
    else if (hold.way == Logind)
        hold.token = ownDescriptor(value);
    else
        hold.token = value.canConvert<uint>() ? value : QVariant();
    if (!hold.token.isValid() || hold.token.toString().isEmpty() || hold.token.toInt() < 0) {
        tryNext(id, QStringLiteral("an answer that holds nothing"));
        return;
    }
    hold.held = true;
    m_firstWay = hold.way;
    settle();
}

void IdleInhibitor::tryNext(int id, const QString &failure, bool busFailed)
{
    Hold &hold = m_holds.at(id);
    hold.failures << QStringLiteral("%1: %2").arg(QString::fromLatin1(kAddresses[hold.way].name), failure);
    // A bus that could not be joined is not asked again for its other services.
    const BusLink *failedBus = busFailed ? &linkFor(hold.way) : nullptr;
    while (++hold.tried < kWays) {
        hold.way = (hold.way + 1) % kWays;
        if (&linkFor(hold.way) != failedBus)
            break;
    }
    if (id == m_wanted && hold.tried < kWays) {
        ask(id);
        return;
    }
    if (id == m_wanted)
        m_tellError(QStringLiteral("cannot keep the computer from sleeping while idle: ") +
                    hold.failures.join(QStringLiteral("; ")));
    m_holds.erase(id);
    settle();
}

// Lets go of what is held and no longer wanted. While the wanted hold is on its way, or found no
// way at all, the older one stays: better kept awake for a plan under its old reason than not.
void IdleInhibitor::settle()
{
    const auto wanted = m_holds.find(m_wanted);
    const bool keep = m_wanted != 0 && (wanted == m_holds.end() || !wanted->second.held);
    for (auto hold = m_holds.begin(); hold != m_holds.end();) {
        if (hold->first != m_wanted && hold->second.held && !keep) {
            letGo(hold->second);
            hold = m_holds.erase(hold);
        } else {
            ++hold;
        }
    }
}

void IdleInhibitor::letGo(const Hold &hold)
{
    if (hold.way == Logind) {
        ::close(hold.token.toInt());
        return;
    }
    BusLink &link = linkFor(hold.way);
    // Where the connection is gone, the service let go of it then.
    if (!link.isConnected())
        return;
    const Address &address = kAddresses[hold.way];
    QDBusMessage message =
        hold.way == Portal
            ? methodCall(address, hold.token.toString(), "org.freedesktop.portal.Request", "Close")
            : methodCall(address, QString::fromLatin1(address.path), address.interface,
                         hold.way == GnomeSession ? "Uninhibit" : "UnInhibit");
    if (hold.way != Portal)
        message << hold.token.toUInt();
    link.connection().send(message);
}

BusLink &IdleInhibitor::linkFor(int way) const
{
    return way == Logind ? m_system : m_session;
}
