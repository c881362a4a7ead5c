// SPDX-License-Identifier: MIT
#include "SessionInstance.h"

#include "AppIdentity.h"
#include "BusLink.h"
#include "DetachedStart.h"
#include "FileNames.h"
#include "Platform.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <signal.h>

namespace {

// Start-up waits this long for the bus at most, then goes on without it.
constexpr int kJoinTimeoutMs = 3000;
// A request waits for the running ALARM this long: it may be in the middle of a spoken time.
constexpr int kRequestTimeoutMs = 25000;
// An ALARM started for a request has this long to come up (its greeting does not hold it up).
constexpr int kStartTimeoutMs = 30000;
// org.freedesktop.DBus.RequestName: fail rather than queue; and the answer for a name now ours.
constexpr uint kDoNotQueue = 4;
constexpr uint kPrimaryOwner = 1;

QDBusMessage busCall(const QString &method)
{
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                          QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus"), method);
}

} // namespace

SessionInstance::SessionInstance()
    : m_link(std::make_unique<BusLink>(BusLink::sessionBusAddress(), QStringLiteral("alarm-control")))
{}

SessionInstance::~SessionInstance() = default;

QString SessionInstance::serviceName()
{
    return QString::fromLatin1(kAppId);
}

QString SessionInstance::objectPath()
{
    return QLatin1Char('/') + serviceName().replace(QLatin1Char('.'), QLatin1Char('/'));
}

bool SessionInstance::joined(QString *reason)
{
    return m_link->isConnected() || m_link->joinWithin(kJoinTimeoutMs, reason);
}

bool SessionInstance::claim(QObject &control)
{
    QDBusConnection bus = m_link->connection();
    bus.registerObject(objectPath(), serviceName(), &control, QDBusConnection::ExportScriptableContents);
    QDBusMessage request = busCall(QStringLiteral("RequestName"));
    request << serviceName() << kDoNotQueue;
    const QDBusMessage reply = bus.call(request, QDBus::Block, kJoinTimeoutMs);
    // A bus that does not answer is no other ALARM's: this one goes on, on its own.
    return reply.type() != QDBusMessage::ReplyMessage || reply.arguments().value(0).toUInt() == kPrimaryOwner;
}

bool SessionInstance::running()
{
    QDBusMessage ask = busCall(QStringLiteral("NameHasOwner"));
    ask << serviceName();
    const QDBusMessage reply = m_link->connection().call(ask, QDBus::Block, kJoinTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage && reply.arguments().value(0).toBool();
}

std::optional<QVariantList> SessionInstance::call(const QString &method, const QVariantList &arguments,
                                                  QString *error)
{
    QDBusMessage message = QDBusMessage::createMethodCall(serviceName(), objectPath(), serviceName(), method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_link->connection().call(message, QDBus::Block, kRequestTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return reply.arguments();
    *error = reply.errorMessage();
    return std::nullopt;
}

bool SessionInstance::startInBackground(const QStringList &toolkitArguments, QString *reason)
{
    // The program that runs now, under its own name (ps shows that, not /proc/self/exe).
    QByteArray name = "alarm";
    try {
        name = fileNameBytes(runningProgramDirectory()) + "/alarm";
    } catch (const PlatformError &) {
    }
    QList<QByteArray> argv{name};
    for (const QString &argument : toolkitArguments)
        argv << argument.toLocal8Bit();
    const pid_t started = startDetached("/proc/self/exe", argv, Streams::Quiet);
    if (started < 0) {
        *reason =
            QStringLiteral("cannot start ALARM: %1").arg(QString::fromLocal8Bit(std::strerror(-started)));
        return false;
    }
    const QDeadlineTimer deadline(kStartTimeoutMs);
    while (!running()) {
        if (::kill(started, 0) != 0 || deadline.hasExpired()) {
            *reason = QStringLiteral("the ALARM started for this did not come up");
            return false;
        }
        QThread::msleep(100);
    }
    return true;
}
