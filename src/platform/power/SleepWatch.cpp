// SPDX-License-Identifier: MIT
#include "SleepWatch.h"

#include "AppIdentity.h"
#include "BusLink.h"
#include "OwnDescriptor.h"
#include "WakeTimer.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>

#include <utility>

#include <unistd.h>

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");
const QString kLogindPath = QStringLiteral("/org/freedesktop/login1");
const QString kLogindInterface = QStringLiteral("org.freedesktop.login1.Manager");

} // namespace

SleepWatch::SleepWatch(BusLink &system, WakeTimer &wake, ErrorSink tellError, QObject *parent)
    : QObject(parent), m_system(system), m_wake(wake), m_tellError(std::move(tellError))
{}

SleepWatch::~SleepWatch()
{
    stop();
}

void SleepWatch::start(std::function<qint64()> wakeDelay, std::function<void()> cannotWake)
{
    m_wakeDelay = std::move(wakeDelay);
    m_cannotWake = std::move(cannotWake);
    m_system.whenJoined(this, [this](const QString &failure) {
        if (!m_wakeDelay)
            return;
        if (!failure.isEmpty()) {
            m_tellError(QStringLiteral("cannot set a wake-up for the alarm: ") + failure);
            return;
        }
        listen();
        takeLock();
    });
}

void SleepWatch::stop()
{
    m_wakeDelay = nullptr;
    m_cannotWake = nullptr;
    letGoOfLock();
    m_wake.disarm();
}

void SleepWatch::listen()
{
    if (m_listening)
        return;
    // From any sender, checked when it comes: naming logind here would make the toolkit look up its
    // owner, a call that waits on the bus. Whose announcements count is asked without waiting.
    QDBusConnection bus = m_system.connection();
    m_listening = bus.connect(QString(), kLogindPath, kLogindInterface, QStringLiteral("PrepareForSleep"),
                              this, SLOT(prepareForSleep(bool, QDBusMessage)));
    QDBusMessage owner = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetNameOwner"));
    owner << kLogind;
    auto *call = new QDBusPendingCallWatcher(bus.asyncCall(owner), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *finished) {
        finished->deleteLater();
        const QDBusPendingReply<QString> reply = *finished;
        if (!reply.isError())
            m_logind = reply.value();
    });
}

void SleepWatch::takeLock()
{
    if (m_lock >= 0 || m_asking || !m_system.isConnected())
        return;
    m_asking = true;
    QDBusMessage inhibit =
        QDBusMessage::createMethodCall(kLogind, kLogindPath, kLogindInterface, QStringLiteral("Inhibit"));
    inhibit << QStringLiteral("sleep") << QString::fromLatin1(kAppName)
            << QStringLiteral("Sets a wake-up for the alarm before the computer sleeps")
            << QStringLiteral("delay");
    auto *call = new QDBusPendingCallWatcher(m_system.connection().asyncCall(inhibit), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, &SleepWatch::lockAnswered);
}

void SleepWatch::lockAnswered(QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    m_asking = false;
    const QDBusMessage reply = call->reply();
    if (reply.type() == QDBusMessage::ErrorMessage) {
        m_tellError(QStringLiteral("cannot hold a sleep back to set a wake-up for the alarm: ") +
                    reply.errorMessage());
        return;
    }
    m_logind = reply.service();
    const int lock = ownDescriptor(reply.arguments().value(0));
    // Stopped meanwhile, or a sleep has begun, which must not wait for a lock taken during it.
    if (lock >= 0 && (!m_wakeDelay || m_sleeping))
        ::close(lock);
    else
        m_lock = lock;
}

void SleepWatch::prepareForSleep(bool starting, const QDBusMessage &message)
{
    if (m_logind.isEmpty() || message.service() != m_logind)
        return;
    if (!starting) {
        m_sleeping = false;
        m_wake.disarm();
        if (m_wakeDelay)
            takeLock();
        return;
    }
    if (std::exchange(m_sleeping, true) || !m_wakeDelay)
        return;
    m_wake.arm(QDateTime::currentSecsSinceEpoch() + m_wakeDelay(), [this](bool set) {
        if (!set && m_cannotWake)
            m_cannotWake();
        letGoOfLock();
    });
}

void SleepWatch::letGoOfLock()
{
    if (m_lock >= 0)
        ::close(std::exchange(m_lock, -1));
}
