// SPDX-License-Identifier: MIT
#include "DesktopNotifications.h"

#include "AppIdentity.h"
#include "BusLink.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QRandomGenerator>
#include <QStringList>
#include <QTimer>
#include <QVariantMap>

#include <climits>

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");
// The service's urgency levels: 1 is normal; 2, critical, keeps a notice until it is answered.
constexpr uchar kNormalUrgency = 1;
constexpr uchar kCriticalUrgency = 2;
// A notice with an action waits for its answer as long as the service takes: the answer names the
// notice the user may act on. Others are only told, and are given up after this long.
constexpr int kWaitForeverMs = INT_MAX; // libdbus's "no timeout"
constexpr int kInformationTimeoutMs = 5000;
// A bus that did not answer is asked again this often while a notice with an action waits for it.
constexpr int kRejoinIntervalMs = 5000;

QDBusMessage call(const QString &method)
{
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

bool sameNotice(const Notice &a, const Notice &b)
{
    return a.summary == b.summary && a.body == b.body && a.critical == b.critical &&
           a.actionLabel == b.actionLabel;
}

} // namespace

DesktopNotifications::DesktopNotifications(std::unique_ptr<BusLink> link, ErrorSink tellError,
                                           QObject *parent)
    : QObject(parent), m_link(std::move(link)), m_tellError(std::move(tellError)),
      // Not "default", which services give to a click on the notice itself: a stray click must not
      // act. Unique to each notice, so that an action names its notice even when the id that the
      // service gave it never reached us.
      m_keyPrefix(
          QStringLiteral("alarm-%1-").arg(QRandomGenerator::system()->generate64(), 16, 16, QLatin1Char('0')))
{
    connect(m_link.get(), &BusLink::connected, this, &DesktopNotifications::linked);
    connect(m_link.get(), &BusLink::failed, this, &DesktopNotifications::linkFailed);
}

DesktopNotifications::~DesktopNotifications()
{
    // Messages leave through the bus connection's own thread, in order: once the bus has answered
    // a ping sent after them, they are out, even if the program ends at once. A bus that hangs
    // holds the end back half a second at most.
    if (m_sent && m_link->isConnected())
        m_link->connection().call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                                 QStringLiteral("/org/freedesktop/DBus"),
                                                                 QStringLiteral("org.freedesktop.DBus.Peer"),
                                                                 QStringLiteral("Ping")),
                                  QDBus::Block, 500);
}

int DesktopNotifications::post(const Notice &notice, std::function<void()> onAction)
{
    // A notice withdrawn before the service answered and posted again is the same notice, taken
    // back into use: arming and cancelling against a stalled service piles nothing up.
    for (auto &[handle, posted] : m_posted) {
        if (posted.withdrawn && !posted.answered && sameNotice(posted.notice, notice)) {
            posted.withdrawn = false;
            posted.onAction = std::move(onAction);
            return handle;
        }
    }
    const int handle = ++m_lastHandle;
    m_posted[handle] = Posted{notice, std::move(onAction), m_keyPrefix + QString::number(handle)};
    if (m_link->isConnected())
        send(handle);
    else
        m_link->join();
    return handle;
}

void DesktopNotifications::linked()
{
    m_listening = false;
    for (auto &[handle, posted] : m_posted) {
        if (!posted.sent)
            send(handle);
    }
}

void DesktopNotifications::linkFailed(const QString &reason)
{
    bool waiting = false;
    for (auto posted = m_posted.begin(); posted != m_posted.end();) {
        if (posted->second.sent) {
            ++posted;
            continue;
        }
        if (!posted->second.notice.actionLabel.isEmpty()) {
            // A notice the user may act on is kept and sent once the bus answers; it is told now.
            if (!std::exchange(posted->second.told, true))
                tellNotShown(posted->second, reason + QStringLiteral("; it is shown once the bus answers"));
            waiting = true;
            ++posted;
            continue;
        }
        tellNotShown(posted->second, reason);
        posted = m_posted.erase(posted);
    }
    if (waiting)
        QTimer::singleShot(kRejoinIntervalMs, this, [this] {
            for (const auto &[handle, posted] : m_posted) {
                if (!posted.sent) {
                    m_link->join();
                    return;
                }
            }
        });
}

void DesktopNotifications::send(int handle)
{
    listen();
    Posted &posted = m_posted.at(handle);
    const Notice &notice = posted.notice;
    QStringList actions;
    if (!notice.actionLabel.isEmpty())
        actions << posted.actionKey << notice.actionLabel;
    const QVariantMap hints{
        {QStringLiteral("urgency"), QVariant::fromValue(notice.critical ? kCriticalUrgency : kNormalUrgency)},
        {QStringLiteral("desktop-entry"), QString::fromLatin1(kAppId)},
    };
    QDBusMessage notify = call(QStringLiteral("Notify"));
    // A critical notice never expires; others as long as the service likes.
    notify << QString::fromLatin1(kAppName) << 0u << QStringLiteral("dialog-warning") << notice.summary
           << notice.body << actions << hints << (notice.critical ? 0 : -1);

    posted.sent = true;
    const int timeout = actions.isEmpty() ? kInformationTimeoutMs : kWaitForeverMs;
    auto *watcher = new QDBusPendingCallWatcher(m_link->connection().asyncCall(notify, timeout), this);
    m_unanswered << watcher;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, handle](QDBusPendingCallWatcher *finished) { answered(handle, finished); });
    m_sent = true;
}

void DesktopNotifications::answered(int handle, QDBusPendingCallWatcher *call)
{
    m_unanswered.removeOne(call);
    call->deleteLater();
    const auto posted = m_posted.find(handle);
    if (posted == m_posted.end())
        return;
    posted->second.answered = true;
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        if (!posted->second.withdrawn)
            tellNotShown(posted->second, reply.error().message());
        m_posted.erase(posted);
        return;
    }
    // A service may answer 0, which names no notice; the notice's action still finds it by its key.
    posted->second.id = reply.value();
    // Withdrawn before the service had answered: it goes now.
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
    if (posted->second.sent && !posted->second.answered) {
        // Closed as soon as the service says which notice it is; its action no longer counts.
        posted->second.withdrawn = true;
        posted->second.onAction = nullptr;
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
    if (id == 0 || !m_link->isConnected())
        return;
    QDBusMessage closing = call(QStringLiteral("CloseNotification"));
    closing << id;
    // A notice the user has closed already is gone either way; there is nothing to tell.
    m_link->connection().send(closing);
    m_sent = true;
}

void DesktopNotifications::listen()
{
    if (m_listening)
        return;
    // Signals from any sender on the service's path: naming the service would make the toolkit
    // look up its owner, a call that waits on the bus.
    QDBusConnection bus = m_link->connection();
    m_listening = bus.connect(QString(), kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                              SLOT(actionInvoked(uint, QString))) &&
                  bus.connect(QString(), kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                              SLOT(notificationClosed(uint, uint)));
}

void DesktopNotifications::tellNotShown(const Posted &posted, const QString &reason)
{
    m_tellError(QStringLiteral("could not show the notice \"%1\": %2").arg(posted.notice.summary, reason));
}

std::map<int, DesktopNotifications::Posted>::iterator DesktopNotifications::find(uint id,
                                                                                 const QString &actionKey)
{
    if (!actionKey.isEmpty())
        return m_posted.find(actionKey.startsWith(m_keyPrefix) ? actionKey.mid(m_keyPrefix.size()).toInt()
                                                               : 0);
    for (auto posted = m_posted.begin(); posted != m_posted.end(); ++posted) {
        if (id != 0 && posted->second.id == id)
            return posted;
    }
    return m_posted.end();
}

void DesktopNotifications::actionInvoked(uint id, const QString &actionKey)
{
    const auto posted = find(id, actionKey);
    if (posted == m_posted.end())
        return;
    // Forgotten first: the action may withdraw the notice, which is then gone already.
    const Posted acted = std::move(posted->second);
    m_posted.erase(posted);
    if (!acted.withdrawn && acted.onAction)
        acted.onAction();
    // Some services keep a notice on screen after its action; it has done its work either way.
    close(acted.id != 0 ? acted.id : id);
}

void DesktopNotifications::notificationClosed(uint id, uint)
{
    const auto posted = find(id, {});
    if (posted != m_posted.end())
        m_posted.erase(posted);
}
