// SPDX-License-Identifier: MIT
#include "WakeTimer.h"

#include "BusLink.h"
#include "ScriptFiles.h"
#include "SessionInstance.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QProcess>

#include <cerrno>
#include <cstring>
#include <utility>

#include <sys/timerfd.h>
#include <unistd.h>

namespace {

// Plasma's power manager answers at once when it is there.
constexpr int kPlasmaTimeoutMs = 1000;
// alarm-wake ends as soon as its input closes; one that does not is ended after this long.
constexpr int kHelperGraceMs = 2000;

QDBusMessage plasmaCall(const char *method)
{
    return QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.Solid.PowerManagement"), QStringLiteral("/org/kde/Solid/PowerManagement"),
        QStringLiteral("org.kde.Solid.PowerManagement"), QString::fromLatin1(method));
}

QString errorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

WakeTimer::WakeTimer(BusLink &session, QString helper, ErrorSink tellError, QList<Way> ways, QObject *parent)
    : QObject(parent), m_session(session), m_helperPath(std::move(helper)), m_tellError(std::move(tellError)),
      m_ways(std::move(ways))
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        m_failures << QStringLiteral("nothing answered within %1 ms").arg(kDeadlineMs);
        tryWay(int(m_ways.size()));
    });
}

WakeTimer::~WakeTimer()
{
    disarm();
}

void WakeTimer::arm(qint64 epochSeconds, std::function<void(bool set)> done)
{
    disarm();
    m_at = epochSeconds;
    m_done = std::move(done);
    m_failures.clear();
    m_deadline.start(kDeadlineMs);
    tryWay(0);
}

void WakeTimer::disarm()
{
    ++m_attempt;
    m_done = nullptr;
    m_deadline.stop();
    if (m_timer >= 0)
        ::close(std::exchange(m_timer, -1));
    if (m_plasmaCookie)
        clearPlasma(*std::exchange(m_plasmaCookie, std::nullopt));
    if (QProcess *helper = std::exchange(m_helper, nullptr)) {
        // Its input closing ends it, and its timer with it.
        helper->closeWriteChannel();
        QTimer::singleShot(kHelperGraceMs, helper, &QProcess::kill);
    }
}

void WakeTimer::tryWay(int index)
{
    m_way = index;
    if (index >= m_ways.size()) {
        if (m_done)
            m_tellError(QStringLiteral("nothing can wake the computer from sleep: ") +
                        m_failures.join(QStringLiteral("; ")));
        finish(false);
        return;
    }
    switch (m_ways.at(index)) {
    case OwnTimer:
        if (setOwnTimer())
            finish(true);
        else
            tryWay(index + 1);
        break;
    case PlasmaPowerManager:
        askPlasma();
        break;
    case Helper:
        startHelper();
        break;
    }
}

void WakeTimer::fail(const QString &failure)
{
    // Given up on already: what answers late has nothing left to try.
    if (!m_done)
        return;
    m_failures << failure;
    tryWay(m_way + 1);
}

void WakeTimer::finish(bool set)
{
    m_deadline.stop();
    if (auto done = std::exchange(m_done, nullptr))
        done(set);
}

bool WakeTimer::setOwnTimer()
{
    const int fd = ::timerfd_create(CLOCK_REALTIME_ALARM, TFD_CLOEXEC);
    itimerspec when{};
    when.it_value.tv_sec = time_t(m_at);
    if (fd >= 0 && ::timerfd_settime(fd, TFD_TIMER_ABSTIME, &when, nullptr) == 0) {
        m_timer = fd;
        return true;
    }
    m_failures << QStringLiteral("a wake timer of its own: ") + errorText(errno);
    if (fd >= 0)
        ::close(fd);
    return false;
}

void WakeTimer::askPlasma()
{
    // A sleep waits for this: there is no time to join a bus that was not joined already.
    if (!m_session.isConnected()) {
        fail(QStringLiteral("Plasma's power manager: the session bus is not joined"));
        return;
    }
    // It calls back on this path when the time comes, without waiting for an answer. Nothing needs
    // to listen there: once awake, the alarm's watch does the rest.
    QDBusMessage request = plasmaCall("scheduleWakeup");
    request << m_session.connection().baseService() << QDBusObjectPath(SessionInstance::objectPath())
            << qulonglong(m_at);
    auto *call =
        new QDBusPendingCallWatcher(m_session.connection().asyncCall(request, kPlasmaTimeoutMs), this);
    connect(call, &QDBusPendingCallWatcher::finished, this,
            [this, attempt = m_attempt](QDBusPendingCallWatcher *finished) {
                plasmaAnswered(attempt, finished);
            });
}

void WakeTimer::plasmaAnswered(int attempt, QDBusPendingCallWatcher *call)
{
    call->deleteLater();
    const QDBusPendingReply<uint> reply = *call;
    if (reply.isError()) {
        if (attempt == m_attempt)
            fail(QStringLiteral("Plasma's power manager: ") + reply.error().message());
        return;
    }
    // Disarmed before the answer came: the wake-up it set is not wanted.
    if (attempt != m_attempt) {
        clearPlasma(reply.value());
        return;
    }
    m_plasmaCookie = reply.value();
    finish(true);
}

void WakeTimer::clearPlasma(uint cookie)
{
    if (!m_session.isConnected())
        return;
    QDBusMessage clear = plasmaCall("clearWakeup");
    clear << int(cookie); // it takes the cookie it gave as a signed number
    m_session.connection().send(clear);
}

void WakeTimer::startHelper()
{
    const QString refusal = m_helperPath.isEmpty() ? QStringLiteral("no alarm-wake beside the program")
                                                   : scriptfiles::helperRefusal(m_helperPath, ::geteuid());
    if (!refusal.isEmpty()) {
        fail(refusal);
        return;
    }
    auto *helper = new QProcess(this);
    // It reads no variable; an empty environment keeps it that way.
    helper->setProcessEnvironment(QProcessEnvironment());
    connect(helper, &QProcess::readyReadStandardOutput, this, [this, helper] { helperSaid(helper); });
    connect(helper, &QProcess::finished, this, [this, helper] { helperEnded(helper); });
    connect(helper, &QProcess::errorOccurred, this, [this, helper](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            helperEnded(helper);
    });
    m_helper = helper;
    m_helperArmed = false;
    helper->start(m_helperPath, {QString::number(m_at)});
}

void WakeTimer::helperSaid(QProcess *helper)
{
    if (helper != m_helper || m_helperArmed || !helper->canReadLine())
        return;
    if (helper->readLine().trimmed() == "armed") {
        m_helperArmed = true;
        finish(true);
    }
}

void WakeTimer::helperEnded(QProcess *helper)
{
    helper->deleteLater();
    if (helper != m_helper)
        return;
    m_helper = nullptr;
    // One that had set its timer ended because the timer went off: nothing is left to do.
    if (m_helperArmed)
        return;
    const QString said = QString::fromLocal8Bit(helper->readAllStandardError()).trimmed();
    fail(QStringLiteral("%1: %2").arg(m_helperPath, said.isEmpty() ? helper->errorString() : said));
}
