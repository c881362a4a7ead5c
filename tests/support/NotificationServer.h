// SPDX-License-Identifier: MIT
#pragma once

#include <QJsonObject>
#include <QList>
#include <QProcess>
#include <QSet>
#include <QString>
#include <QTemporaryDir>

// A private session bus and, once started, a notification service of the tests' own on it, which
// records every Notify and CloseNotification and picks a notice's action as a user would. Both are
// child processes that end with this object, and with the test process should it die first.
class NotificationServer
{
public:
    NotificationServer();
    ~NotificationServer();

    // The private bus's address, for the code under test.
    QString address() const { return m_address; }
    // The service takes its name on the bus; returns false when it could not.
    bool start();
    void stop();

    // The calls received so far, in order, optionally only those of one method:
    // {"call": "Notify", "id": 1, "summary": ..., "actions": [...], "urgency": 2, "timeout": 0}.
    QList<QJsonObject> calls(const QString &method = {});
    void pickAction(int id, const QString &key);
    // How the service answers Notify from now on: "now", "after MS", "never" or "zero".
    void answer(const QString &how);
    // The notices posted and not yet closed, by id.
    QSet<int> openIds();
    // The service stops answering as a hung process would, and goes on.
    void pause();
    void resume();

private:
    QTemporaryDir m_dir;
    QProcess m_bus;
    QProcess m_service;
    QString m_address;
    QList<QJsonObject> m_calls;
};
