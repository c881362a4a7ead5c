// SPDX-License-Identifier: MIT
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>

class QSocketNotifier;

// A connection to a D-Bus bus, joined without waiting on the bus. A bus whose daemon hangs or is
// stopped still accepts a socket and then answers nothing, and joining it the usual way blocks the
// caller for 25 s (and the toolkit's own bus thread with it). So a probe first asks, without
// blocking, whether the bus answers at all; only a bus that does is joined, on a thread of its own.
// Shared by the window and alarm-cmd.
class BusLink final : public QObject
{
    Q_OBJECT

public:
    // The bus at address, under a connection name of this link's own.
    BusLink(QString address, QString connectionName, QObject *parent = nullptr);
    // A connection already open.
    explicit BusLink(const QDBusConnection &connection, QObject *parent = nullptr);
    ~BusLink() override;

    // The session's bus: DBUS_SESSION_BUS_ADDRESS, or else the "bus" socket in XDG_RUNTIME_DIR;
    // empty when neither names one.
    static QString sessionBusAddress();
    // The system's bus: DBUS_SYSTEM_BUS_ADDRESS, or else its usual socket.
    static QString systemBusAddress();

    bool isConnected() const;
    // Valid while isConnected().
    QDBusConnection connection() const;
    // Joins the bus unless it is joined or being joined; connected() or failed() follows.
    void join();
    // Runs then once the bus is joined, with an empty text, or once it could not be, with the
    // reason; at once when it is joined already. Nothing runs after context is gone.
    void whenJoined(QObject *context, std::function<void(const QString &failure)> then);
    // Joins the bus and waits for the outcome, at most timeoutMs; for a program that has nothing
    // else to do yet. Returns isConnected(); reason says why not.
    bool joinWithin(int timeoutMs, QString *reason = nullptr);

signals:
    void connected();
    void failed(const QString &reason);

private:
    void probe();
    void endProbe(bool answered);
    void connectOnThread();
    void joined();
    void forget();

    QString m_address;
    QString m_name;
    bool m_owned = true; // the connection is this link's own, to close when it goes
    std::optional<QDBusConnection> m_connection;
    bool m_joining = false;
    QSocketNotifier *m_probe = nullptr;
    QTimer m_probeTimeout;
};
