// SPDX-License-Identifier: MIT
#pragma once

#include "Notice.h"

#include <QList>
#include <QObject>

#include <functional>
#include <map>
#include <memory>

class BusLink;
class QDBusMessage;
class QDBusPendingCallWatcher;

// Notices through the desktop's notification service (org.freedesktop.Notifications), shared by
// the window and alarm-cmd. Nothing here waits for the bus or the service, and every answer may
// come late: a notice is tracked from the moment it is posted, not from the moment the service
// gives its id. So an action on a notice counts whenever it arrives, a withdrawal that had to wait
// for the id goes out when the id comes, and a notice withdrawn meanwhile is closed or ignored
// whatever the service says about it later. A notice the service does not take is told once
// through the error sink.
class DesktopNotifications final : public QObject
{
    Q_OBJECT

public:
    using ErrorSink = std::function<void(const QString &line)>;

    // The service is reached through link, which is joined when the first notice is posted.
    DesktopNotifications(std::unique_ptr<BusLink> link, ErrorSink tellError, QObject *parent = nullptr);
    // Sees that what was sent, withdrawals included, has left the process before it ends.
    ~DesktopNotifications() override;

    // Returns a handle for withdraw(). onAction runs when the user picks the notice's action.
    int post(const Notice &notice, std::function<void()> onAction);
    void withdraw(int handle);
    // Blocks until the service has answered every notice posted so far (a notice without an
    // action waits 5 s at most), for a program that ends right after posting.
    void waitForAnswers();
    // How many notices are still followed: posted and neither done with nor closed.
    int tracked() const { return int(m_posted.size()); }

private slots:
    void actionInvoked(uint id, const QString &actionKey);
    void notificationClosed(uint id, uint reason);

private:
    struct Posted {
        Notice notice;
        std::function<void()> onAction;
        QString actionKey;
        uint id = 0;           // the service's id, once known
        bool sent = false;     // Notify has gone out
        bool answered = false; // the service has answered Notify
        bool withdrawn = false;
        bool told = false; // that it could not be shown yet
    };

    void linked();
    void linkFailed(const QString &reason);
    void send(int handle);
    void answered(int handle, QDBusPendingCallWatcher *call);
    void close(uint id);
    void listen();
    void tellNotShown(const Posted &posted, const QString &reason);
    std::map<int, Posted>::iterator find(uint id, const QString &actionKey);

    std::unique_ptr<BusLink> m_link;
    ErrorSink m_tellError;
    std::map<int, Posted> m_posted;
    QList<QDBusPendingCallWatcher *> m_unanswered;
    QString m_keyPrefix;
    int m_lastHandle = 0;
    bool m_listening = false;
    bool m_sent = false;
};
