// SPDX-License-Identifier: MIT
#pragma once

#include "Notice.h"

#include <QDBusConnection>
#include <QList>
#include <QObject>

#include <functional>
#include <map>

class QDBusPendingCallWatcher;

// Notices through the desktop's notification service (org.freedesktop.Notifications), shared by
// the window and alarm-cmd. Nothing here waits for the service, so a service that hangs cannot
// hold up a window; a notice the service does not take is told once through the error sink.
class DesktopNotifications final : public QObject
{
    Q_OBJECT

public:
    using ErrorSink = std::function<void(const QString &line)>;

    DesktopNotifications(QDBusConnection bus, ErrorSink tellError, QObject *parent = nullptr);
    // Sees that what was sent, withdrawals included, has left the process before it ends.
    ~DesktopNotifications() override;

    // Returns a handle for withdraw(). onAction runs when the user picks the notice's action.
    int post(const Notice &notice, std::function<void()> onAction);
    void withdraw(int handle);
    // Blocks until the service has answered every notice posted so far, for a program that ends
    // right after posting.
    void waitForAnswers();

private slots:
    void actionInvoked(uint id, const QString &actionKey);
    void notificationClosed(uint id, uint reason);

private:
    struct Posted {
        QString summary;
        std::function<void()> onAction;
        uint id = 0; // the service's id, once it has answered
        bool withdrawn = false;
    };

    void answered(int handle, QDBusPendingCallWatcher *call);
    void listen();
    void close(uint id);
    int handleOf(uint id) const;

    QDBusConnection m_bus;
    ErrorSink m_tellError;
    std::map<int, Posted> m_posted;
    QList<QDBusPendingCallWatcher *> m_unanswered;
    int m_lastHandle = 0;
    bool m_listening = false;
    bool m_sent = false;
};
