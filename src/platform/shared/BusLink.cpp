// SPDX-License-Identifier: MIT
#include "BusLink.h"

#include <QDBusError>
#include <QEventLoop>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// Long enough for a loaded machine's bus to answer its first line, short enough that a notice
// waiting behind a stopped bus is told about quickly.
constexpr int kProbeTimeoutMs = 2000;

struct SocketAddress {
    QByteArray name;
    bool abstract = false;
};

// The first unix socket named in a D-Bus address ("unix:path=/run/user/1000/bus",
// "unix:abstract=/tmp/dbus-x,guid=..."), or nothing for a kind the probe cannot reach.
std::optional<SocketAddress> unixSocketOf(const QString &address)
{
    for (const QString &entry : address.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!entry.startsWith(QLatin1String("unix:")))
            continue;
        for (const QString &pair : entry.mid(5).split(QLatin1Char(','))) {
            const qsizetype equals = pair.indexOf(QLatin1Char('='));
            const QString key = pair.left(equals);
            if (equals > 0 && (key == QLatin1String("path") || key == QLatin1String("abstract")))
                return SocketAddress{QByteArray::fromPercentEncoding(pair.mid(equals + 1).toUtf8()),
                                     key == QLatin1String("abstract")};
        }
    }
    return std::nullopt;
}

// A socket connected to the bus, with the first line of its authentication sent; -1 and errno set
// when that cannot be done. Connecting to a local socket does not wait for the other end.
int openProbe(const SocketAddress &socketAddress)
{
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const qsizetype offset = socketAddress.abstract ? 1 : 0; // an abstract name starts with a NUL
    if (socketAddress.name.size() + offset >= qsizetype(sizeof address.sun_path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(address.sun_path + offset, socketAddress.name.constData(), size_t(socketAddress.name.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset + socketAddress.name.size() +
                                       (socketAddress.abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const QByteArray hello =
        QByteArray(1, '\0') + "AUTH EXTERNAL " + QByteArray::number(::geteuid()).toHex() + "\r\n";
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 ||
        ::send(fd, hello.constData(), size_t(hello.size()), MSG_NOSIGNAL) != hello.size()) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

} // namespace

BusLink::BusLink(QString address, QString connectionName, QObject *parent)
    : QObject(parent), m_address(std::move(address)), m_name(std::move(connectionName))
{
    m_probeTimeout.setSingleShot(true);
    m_probeTimeout.setInterval(kProbeTimeoutMs);
    connect(&m_probeTimeout, &QTimer::timeout, this, [this] { endProbe(false); });
}

BusLink::BusLink(const QDBusConnection &connection, QObject *parent)
    : QObject(parent), m_name(connection.name()), m_owned(false), m_connection(connection)
{}

BusLink::~BusLink()
{
    if (m_probe)
        ::close(int(m_probe->socket()));
    forget();
}

QString BusLink::sessionBusAddress()
{
    const QString fromEnvironment = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString socket = runtime + QStringLiteral("/bus");
    if (!runtime.isEmpty() && QFileInfo(socket).exists())
        return QStringLiteral("unix:path=") + QString::fromLatin1(socket.toUtf8().toPercentEncoding("/"));
    return {};
}

QString BusLink::systemBusAddress()
{
    const QString fromEnvironment = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
    return fromEnvironment.isEmpty() ? QStringLiteral("unix:path=/run/dbus/system_bus_socket")
                                     : fromEnvironment;
}

bool BusLink::isConnected() const
{
    return m_connection && m_connection->isConnected();
}

QDBusConnection BusLink::connection() const
{
    return *m_connection;
}

void BusLink::join()
{
    if (isConnected() || m_joining)
        return;
    // A bus that went away (its daemon restarted) is joined afresh.
    forget();
    if (m_address.isEmpty()) {
        emit failed(QStringLiteral("no session bus"));
        return;
    }
    m_joining = true;
    probe();
}

void BusLink::whenJoined(QObject *context, std::function<void(const QString &failure)> then)
{
    if (isConnected()) {
        then({});
        return;
    }
    // Whichever outcome comes first ends both connections.
    auto joined = std::make_shared<QMetaObject::Connection>();
    auto refused = std::make_shared<QMetaObject::Connection>();
    auto finish = [joined, refused, then = std::move(then)](const QString &failure) {
        disconnect(*joined);
        disconnect(*refused);
        then(failure);
    };
    *joined = connect(this, &BusLink::connected, context, [finish] { finish({}); });
    *refused = connect(this, &BusLink::failed, context, finish);
    join();
}

bool BusLink::joinWithin(int timeoutMs, QString *reason)
{
    QEventLoop wait;
    QString why = QStringLiteral("the session bus did not answer within %1 ms").arg(timeoutMs);
    const QMetaObject::Connection joined = connect(this, &BusLink::connected, &wait, &QEventLoop::quit);
    const QMetaObject::Connection refused =
        connect(this, &BusLink::failed, &wait, [&](const QString &failure) {
            why = failure;
            wait.quit();
        });
    QTimer::singleShot(timeoutMs, &wait, &QEventLoop::quit);
    join();
    if (m_joining)
        wait.exec();
    disconnect(joined);
    disconnect(refused);
    if (!isConnected() && reason)
        *reason = why;
    return isConnected();
}

void BusLink::probe()
{
    const std::optional<SocketAddress> socket = unixSocketOf(m_address);
    if (!socket) {
        // Not a kind of address the probe can reach: joined without it.
        connectOnThread();
        return;
    }
    const int fd = openProbe(*socket);
    if (fd < 0) {
        m_joining = false;
        emit failed(
            QStringLiteral("no bus at %1: %2").arg(m_address, QString::fromLocal8Bit(std::strerror(errno))));
        return;
    }
    // The bus's first answer, whatever it says, shows that it is alive.
    m_probe = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_probe, &QSocketNotifier::activated, this, [this] { endProbe(true); });
    m_probeTimeout.start();
}

void BusLink::endProbe(bool answered)
{
    m_probeTimeout.stop();
    ::close(int(m_probe->socket()));
    m_probe->setEnabled(false);
    m_probe->deleteLater();
    m_probe = nullptr;
    if (answered) {
        connectOnThread();
        return;
    }
    m_joining = false;
    emit failed(QStringLiteral("the bus at %1 does not answer").arg(m_address));
}

void BusLink::connectOnThread()
{
    // The thread outlives this link if it must: it holds copies of what it needs and reports back
    // through a connection that ends with the link.
    QThread *thread = QThread::create(
        [address = m_address, name = m_name] { QDBusConnection::connectToBus(address, name); });
    connect(thread, &QThread::finished, this, &BusLink::joined);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);
    thread->start();
}

void BusLink::joined()
{
    m_joining = false;
    const QDBusConnection connection(m_name);
    if (connection.isConnected()) {
        m_connection = connection;
        emit connected();
        return;
    }
    const QString reason = connection.lastError().message();
    QDBusConnection::disconnectFromBus(m_name);
    emit failed(reason.isEmpty() ? QStringLiteral("cannot join the bus at %1").arg(m_address) : reason);
}

void BusLink::forget()
{
    m_connection.reset();
    if (m_owned && !m_name.isEmpty() && !m_joining)
        QDBusConnection::disconnectFromBus(m_name);
}
