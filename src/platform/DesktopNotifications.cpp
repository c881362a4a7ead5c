// SPDX-License-Identifier: MIT
#include "DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// Not "default", which services give to a click on the notice itself: a stray click must not act.
const QString kActionKey = QStringLiteral("alarm-action");
constexpr int kAnswerTimeoutMs = 5000;

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

} // namespace

DesktopNotifications::DesktopNotifications(QDBusConnection bus, ErrorSink tellError, QObject *parent)
    : QObject(parent), m_bus(std::move(bus)), m_tellError(std::move(tellError))
{}

DesktopNotifications::~DesktopNotifications()
{
    // Messages leave through the bus connection's own thread, in order: once the bus has answered
    // a ping sent after them, they are out, even if the program ends at once.
    if (m_sent && m_bus.isConnected())
        m_bus.call(QDBusMessage::createMethodCall(
                       QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                       QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")),
                   QDBus::Block, 1000);
}

int DesktopNotifications::post(const Notice &notice, std::function<void()> onAction)
{
    const int handle = ++m_lastHandle;
    if (!m_bus.isConnected()) {
        m_tellError(QStringLiteral("could not show the notice \"%1\": no session bus").arg(notice.summary));
        return handle;
    }
    listen();

    QStringList actions;
    if (!notice.actionLabel.isEmpty())
        actions << kActionKey << notice.actionLabel;
    QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(uchar(notice.critical ? 2 : 1))},
        {QStringLiteral("desktop-entry"), QStringLiteral("io.github.velmora.alarm")},
    };
    QDBusMessage notify = call(QStringLiteral("Notify"));
    // A critical notice never expires; others as long as the service likes.
    notify << QStringLiteral("ALARM") << 0u << QStringLiteral("dialog-warning") << notice.summary
           << notice.body << actions << hints << (notice.critical ? 0 : -1);

    m_posted[handle] = Posted{notice.summary, std::move(onAction)};
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(notify, kAnswerTimeoutMs), this);
    m_unanswered << watcher;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, handle](QDBusPendingCallWatcher *finished) { answered(handle, finished); });
    m_sent = true;
    return handle;
}

void DesktopNotifications::answered(int handle, QDBusPendingCallWatcher *call)
{
    m_unanswered.removeOne(call);
    call->deleteLater();
    const auto posted = m_posted.find(handle);
    if (posted == m_posted.end())
        return;
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        m_tellError(QStringLiteral("could not show the notice \"%1\": %2")
                        .arg(posted->second.summary, reply.error().message()));
        m_posted.erase(posted);
        return;
    }
    posted->second.id = reply.value();
    // Withdrawn before the service had even answered: it goes now.
    if (posted->second.withdrawn) {
        close(posted->second.id);
        m_posted.erase(posted);
    }
}

void DesktopNotifications::withdraw(int handle)
{
    const auto posted = m_posted.find(handle);
    if (posted == m_posted.end())
        return;
    if (posted->second.id == 0) {
        posted->second.withdrawn = true;
        return;
    }
    close(posted->second.id);
    m_posted.erase(posted);
}

void DesktopNotifications::waitForAnswers()
{
    while (!m_unanswered.isEmpty())
        m_unanswered.first()->waitForFinished();
}

void DesktopNotifications::close(uint id)
{
    QDBusMessage closing = call(QStringLiteral("CloseNotification"));
    closing << id;
    // A notice the user has closed already is gone either way; there is nothing to tell.
    m_bus.send(closing);
    m_sent = true;
}

void DesktopNotifications::listen()
{
    if (m_listening)
        return;
    m_listening = m_bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                                SLOT(actionInvoked(uint, QString))) &&
                  m_bus.connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                                SLOT(notificationClosed(uint, uint)));
}

int DesktopNotifications::handleOf(uint id) const
{
    for (const auto &[handle, posted] : m_posted) {
        if (id != 0 && posted.id == id)
            return handle;
    }
    return 0;
}

void DesktopNotifications::actionInvoked(uint id, const QString &actionKey)
{
    const auto posted = m_posted.find(handleOf(id));
    if (posted == m_posted.end() || actionKey != kActionKey)
        return;
    // The service closes a notice once its action is picked, so it is forgotten first; the action
    // may then withdraw it without another call.
    const std::function<void()> onAction = std::move(posted->second.onAction);
    m_posted.erase(posted);
    if (onAction)
        onAction();
}

void DesktopNotifications::notificationClosed(uint id, uint)
{
    m_posted.erase(handleOf(id));
}
