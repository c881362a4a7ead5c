// SPDX-License-Identifier: MIT
// A notification service for tests. It takes org.freedesktop.Notifications on the session bus,
// writes every call it receives, and every notice it closes, to standard output as one line of JSON,
// and reads commands from standard input: "action ID KEY" picks a notice's action as a user would;
// "answer now", "answer after MS", "answer never" and "answer zero" set how Notify is answered
// from then on (at once, late, not at all, or with the id 0 while the notice keeps its own).
// It ends when its input closes or its parent dies, so it cannot outlive the test that started it.
#include "StandIn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QJsonArray>
#include <QJsonObject>
#include <QSet>
#include <QTimer>
#include <QVariantMap>

#include <cstdio>

#include <unistd.h>

namespace {

const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

using standin::tell;

} // namespace

class NotificationService : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    void pickAction(uint id, const QString &key)
    {
        if (!m_open.contains(id))
            return;
        emitSignal(QStringLiteral("ActionInvoked"), {id, key});
        close(id, 2);
    }
    void close(uint id, uint reason)
    {
        if (m_open.remove(id)) {
            tell({{"closed", int(id)}, {"reason", int(reason)}});
            emitSignal(QStringLiteral("NotificationClosed"), {id, reason});
        }
    }
    // How Notify is answered: after this many milliseconds (0 at once, -1 never), with the id or 0.
    int answerDelayMs = 0;
    bool answerZero = false;

public slots:
    uint Notify(const QString &appName, uint replacesId, const QString &icon, const QString &summary,
                const QString &body, const QStringList &actions, const QVariantMap &hints, int timeout)
    {
        const uint id = ++m_lastId;
        m_open.insert(id);
        tell({{"call", "Notify"},
              {"id", int(id)},
              {"app", appName},
              {"replaces", int(replacesId)},
              {"icon", icon},
              {"summary", summary},
              {"body", body},
              {"actions", QJsonArray::fromStringList(actions)},
              {"urgency", hints.contains("urgency") ? hints.value("urgency").toInt() : -1},
              {"timeout", timeout}});
        const uint answer = answerZero ? 0 : id;
        if (answerDelayMs == 0)
            return answer;
        setDelayedReply(true);
        if (answerDelayMs > 0) {
            const QDBusMessage reply = message().createReply(answer);
            QTimer::singleShot(answerDelayMs, this, [reply, id] {
                QDBusConnection::sessionBus().send(reply);
                tell({{"answered", int(id)}});
            });
        }
        return 0;
    }
    void CloseNotification(uint id)
    {
        tell({{"call", "CloseNotification"}, {"id", int(id)}});
        if (!m_open.contains(id)) {
            sendErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such notification"));
            return;
        }
        close(id, 3);
    }

private:
    void emitSignal(const QString &name, const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createSignal(kPath, kInterface, name);
        message.setArguments(arguments);
        QDBusConnection::sessionBus().send(message);
    }

    uint m_lastId = 0;
    QSet<uint> m_open;
};

int main(int argc, char *argv[])
{
    if (!standin::endWithParent())
        return 1;
    QCoreApplication app(argc, argv);
    NotificationService service;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(kPath, &service, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "cannot take the notification service's name: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }

    standin::Commands commands(app, [&](const QStringList &words) {
        if (words.size() == 3 && words[0] == "action")
            service.pickAction(words[1].toUInt(), words[2]);
        else if (words.size() >= 2 && words[0] == "answer") {
            service.answerZero = words[1] == "zero";
            service.answerDelayMs = words[1] == "after"   ? words.value(2).toInt()
                                    : words[1] == "never" ? -1
                                                          : 0;
        }
    });
    tell({{"ready", true}});
    return app.exec();
}

#include "NotificationServerMain.moc"
